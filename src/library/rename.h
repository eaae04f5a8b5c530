#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/fileresult.h"

namespace zorvik::library {

class ResultList;

// What the shop's Windows said to a name it would not take.
inline constexpr std::string_view kRefusedCharactersMessage = "文件名不能包含下列任何字符：\\ / : * ? \" < > |";
inline constexpr std::string_view kNameMissingMessage = "必须键入文件名。";

// Why the rename box refuses a new name (one of the messages above), or
// empty when it takes it. A name must fit a Windows disk and a FAT card, and
// "." or ".." (which would lead elsewhere) is no name.
std::string_view renameRefusal(std::string_view newName);

// Where a rename of a library file to `newName` leads: the same folder, the
// marker kept for a prefixed file, the old extension kept.
std::string renamedPath(std::string_view oldPath, std::string_view newName);

// "重命名" of the result list: renames the file of `row` to `newName`. On
// success the row names the new file and the new path is returned. On
// failure the row is unchanged and the error says why: the refusal of a
// refused name, the file system's for the rest (a name already taken, a file
// gone).
platform::Result<std::string> renameResult(ResultList& results, int row, std::string_view newName);

}  // namespace zorvik::library
