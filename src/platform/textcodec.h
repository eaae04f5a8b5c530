#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fileresult.h"

namespace zorvik::platform {

// The data files and the settings file are GB18030 on disk (byte for byte GBK
// for every GBK character); in memory text is UTF-8.
std::string utf8ToGb18030(std::string_view utf8);
std::string gb18030ToUtf8(std::string_view bytes);

// The settings and data files hold far less: a larger file is not one of
// them, and reading it (again at every settings access) would hold the
// station up for seconds.
inline constexpr std::int64_t kLargestTextFile = std::int64_t{1} << 20;

// The settings and data files are the program's own: their paths are native.

// Lines of a GB18030 text file, CR LF or LF ends; an error when it cannot be
// read or is larger than kLargestTextFile.
Result<std::vector<std::string>> readTextLines(std::string_view path);
// Writes the lines whole, each ended with CR LF, through a temporary file that
// replaces the old one, so the file is never left half written.
Done writeTextLines(std::string_view path, const std::vector<std::string>& lines);

// Splits decoded text into lines the way the data files are read.
std::vector<std::string> splitLines(std::string_view text);

// A line of a data file as read: its text and, when its bytes are not
// GB18030 that decodes and encodes back to the same bytes, those bytes, so
// that a save writes the line back exactly as it was.
struct FileLine {
    std::string text;
    std::string undecodable;
};
// A larger `largest` is for a file that grows with the shop's years (the hot list).
Result<std::vector<FileLine>> readFileLines(std::string_view path, std::int64_t largest = kLargestTextFile);
// The lines in GB18030, each ended with CR LF; an undecodable line as it was read.
std::string encodeFileLines(const std::vector<FileLine>& lines);

}  // namespace zorvik::platform
