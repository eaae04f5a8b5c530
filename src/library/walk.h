#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drives.h"

namespace zorvik::library {

// Receives the full path of each matching file; returning false stops the walk.
using FileVisitor = std::function<bool(std::string_view path)>;
// Called before each folder's files are handed out (a GUI walk lets window
// events run there); returning false stops the walk.
using FolderHook = std::function<bool()>;

// The library walk: the files of `folder` that match `pattern` in name order,
// then, subfolder by subfolder in name order, everything below. Hidden
// subfolders and links to folders are not entered. A blank pattern finds
// nothing. Returns the number of files visited.
//
// Worker threads read the folders that come next while the calling thread
// hands out the hits; the visitor and the hook run on the calling thread
// only, and every worker is joined before the walk returns, stopped or not.
std::int64_t walk(const platform::DriveTable& drives, std::string_view folder, std::string_view pattern,
                  const FileVisitor& visit, const FolderHook& beforeFolder = {});

// The walk of each folder in turn, as one walk: hits root by root in the
// order given. Roots on different disks are read at the same time.
std::int64_t walk(const platform::DriveTable& drives, const std::vector<std::string>& roots,
                  std::string_view pattern, const FileVisitor& visit, const FolderHook& beforeFolder = {});

// Convenience for callers that want the whole list at once.
std::vector<std::string> walkToList(const platform::DriveTable& drives, std::string_view folder,
                                    std::string_view pattern);

// Every folder below `folder`, each followed at once by the folders below it.
// A hook that returns false before a folder is read ends the list there.
std::vector<std::string> folderTree(const platform::DriveTable& drives, std::string_view folder,
                                    const FolderHook& beforeFolder = {});

}  // namespace zorvik::library
