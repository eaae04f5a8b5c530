#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zorvik::platform {
class DriveTable;
}

namespace zorvik::core {

// Prefixed files carry a leading block before the media bytes.
inline constexpr std::string_view kPrefixMarker = "bk2009";
inline constexpr std::int64_t kPrefixBlockSize = 407552;
bool isPrefixed(std::string_view path);
// The path with the first marker removed: the plain file's name.
std::string plainNameOf(std::string_view path);
// Writes the media bytes of a prefixed file to `destination`. A failed copy
// (a source shorter than the block, a full disk) leaves no file behind.
bool copyPlain(const platform::DriveTable& drives, std::string_view source, std::string_view destination);

}  // namespace zorvik::core
