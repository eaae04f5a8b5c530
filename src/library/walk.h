#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvik::library {

// Receives the full path of each matching file; returning false stops the walk.
using FileVisitor = std::function<bool(std::string_view path)>;
// Called before each folder is read (a GUI walk lets window events run
// there); returning false stops the walk.
using FolderHook = std::function<bool()>;

// The library walk: the files of `folder` that match `pattern` in name order,
// then, subfolder by subfolder in name order, everything below. Hidden
// subfolders and links to folders are not entered. A blank pattern finds
// nothing. Returns the number of files visited.
std::int64_t walk(std::string_view folder, std::string_view pattern, const FileVisitor& visit,
                  const FolderHook& beforeFolder = {});

// Convenience for callers that want the whole list at once.
std::vector<std::string> walkToList(std::string_view folder, std::string_view pattern);

// Every folder below `folder`, each followed at once by the folders below it.
// A hook that returns false before a folder is read ends the list there.
std::vector<std::string> folderTree(std::string_view folder, const FolderHook& beforeFolder = {});

}  // namespace zorvik::library
