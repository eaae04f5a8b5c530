#pragma once

#include <string_view>

namespace zorvik::platform {
class DriveTable;
}

namespace zorvik::library {

// The extensions that the cache clean-up removes.
inline constexpr std::string_view kCachedMediaExtensions =
    ".mp3.3gp.avi.mp4.wmv.asf.mov.rm.rmvb.mtv.dat.amv.dmv.vob.mpg.mkv.flv";
// Deletes the media files lying directly in a folder; failures are ignored.
void cleanCachedMedia(const platform::DriveTable& drives, std::string_view folder);

}  // namespace zorvik::library
