#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How a listing classes and shows a file: its media group by extension, its
// names and its size text.
namespace zorvik::platform {
class DriveTable;
}

namespace zorvik::core {

// The five media groups; the index is also the icon and the device folder kind.
enum MediaGroup : int { Audio = 0, Video = 1, Picture = 2, Game = 3, EBook = 4 };
inline constexpr std::array<std::string_view, 5> kMediaGroupExtensions{
    ".mp3.wma.mid.wav",
    ".3gp.avi.mp4.wmv.asf.mov.rm.rmvb.mtv.dat.amv.dmv.vob.mpg.mkv.flv",
    ".gif.jpg.bmp",
    ".jar.sis.nes.blz.app.gb.gbc.smc.apk.ipa.bpp",
    ".txt",
};

// Group of an extension given with its dot, any letter case. The lists are
// tested in order by substring and the last that holds the text wins, so
// partial extensions such as ".rm" or "." are classed too.
std::optional<int> mediaGroupOf(std::string_view extension);
// Icon index of a path: its group, 0 for none.
int iconOf(std::string_view path);

// The last part of a path after '\' (or '/').
std::string_view fileNameOf(std::string_view path);
// The extension of a path's file name with its dot, as written; empty when none.
std::string_view extensionOf(std::string_view path);
// The type column: the extension without its dot.
std::string_view typeTextOf(std::string_view path);
// The name shown in lists: file name less its extension and marker.
std::string displayName(std::string_view path);

// Hundredths of units of 10,240 bytes with two decimals ("4.39"); -1 gives "0.00".
std::string sizeText(std::int64_t bytes);
// Length in bytes, -1 when the file cannot be found.
std::int64_t fileSize(const platform::DriveTable& drives, std::string_view path);

}  // namespace zorvik::core
