#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvik::platform {

class DriveTable;

// One entry of a folder as a file manager shows it.
struct FolderItem {
    std::string name;
    bool folder = false;
    bool hidden = false;        // a name starting with '.'
    std::int64_t size = 0;      // bytes; 0 for a folder
    std::int64_t modified = 0;  // seconds since the epoch, UTC
};

// The files and folders directly in a folder, unsorted, with sizes and
// modification times when `details` is set (a stat per entry; without it only
// d_type is read where the file system gives it). The rules of listFolder
// hold: no "." and "..", no name holding '\', a link counts as the file it
// points to and a link to a folder is left out. On a removable drive the
// folder is reached below its root and links are left out (beneath.h). `keepGoing` is asked between
// entries; nullopt when the folder cannot be read or the reading was stopped.
std::optional<std::vector<FolderItem>> readFolderItems(const DriveTable& drives, std::string_view path, bool details,
                                                       const std::function<bool()>& keepGoing = {});

}  // namespace zorvik::platform
