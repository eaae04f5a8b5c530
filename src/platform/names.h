#pragma once

#include <string_view>

namespace zorvik::platform {

// Whether a file or folder name could live on the shop's Windows disks and
// on a FAT card: UTF-8 throughout, no control characters (a newline, a tab)
// and none of \ / : * ? " < > |. A name that fails cannot be named by a
// program path, be written to a list file line, or be copied to a card.
bool fitsWindowsName(std::string_view name);

// Whether a path holds a ".." component (between \ or / separators). Such
// a path would lead out of the drive or folder it names, so it names nothing.
bool climbsOut(std::string_view path);

// The characters the shop's Windows refused in a name.
inline constexpr std::string_view kWindowsRefusedCharacters = "\\/:*?\"<>|";

}  // namespace zorvik::platform
