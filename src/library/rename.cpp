#include "library/rename.h"

#include "core/mediafiles.h"
#include "core/prefixed.h"
#include "library/resultlist.h"
#include "platform/fileops.h"
#include "platform/names.h"

namespace zorvik::library {

std::string_view renameRefusal(std::string_view newName) {
    if (newName.empty() || newName == "." || newName == "..") return kNameMissingMessage;
    if (!platform::fitsWindowsName(newName)) return kRefusedCharactersMessage;
    return {};
}

std::string renamedPath(std::string_view oldPath, std::string_view newName) {
    std::string_view folder = oldPath.substr(0, oldPath.size() - core::fileNameOf(oldPath).size());
    std::string path(folder);
    path += newName;
    if (core::isPrefixed(oldPath)) path += core::kPrefixMarker;
    path += core::extensionOf(oldPath);
    return path;
}

platform::Result<std::string> renameResult(ResultList& results, int row, std::string_view newName) {
    using Renamed = platform::Result<std::string>;
    if (row < 0 || row >= results.count()) return Renamed(platform::FileError{ENOENT, {}});
    if (auto refusal = renameRefusal(newName); !refusal.empty())
        return Renamed(platform::FileError{EINVAL, std::string(refusal)});
    const std::string oldPath = results.path(row);
    std::string newPath = renamedPath(oldPath, newName);
    if (auto renamed = platform::renameFile(results.drives(), oldPath, newPath); !renamed)
        return Renamed(renamed.failure());
    results.replacePath(row, newPath);
    return newPath;
}

}  // namespace zorvik::library
