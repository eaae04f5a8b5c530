#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvik::platform {

// The data files and the settings file are GB18030 on disk (byte for byte GBK
// for every GBK character); in memory text is UTF-8.
std::string utf8ToGb18030(std::string_view utf8);
std::string gb18030ToUtf8(std::string_view bytes);

// Lines of a GB18030 text file, CR LF or LF ends; nullopt when it cannot be read.
std::optional<std::vector<std::string>> readTextLines(std::string_view path);
// Writes the lines whole, each ended with CR LF, through a temporary file that
// replaces the old one, so the file is never left half written.
bool writeTextLines(std::string_view path, const std::vector<std::string>& lines);

// Splits decoded text into lines the way the data files are read.
std::vector<std::string> splitLines(std::string_view text);

}  // namespace zorvik::platform
