#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mounttable.h"

namespace zorvik::platform {

enum class DriveType { None, Fixed, Removable };

struct Drive {
    char letter = 0;   // upper case 'A'..'Z'
    std::string root;  // native directory, no trailing slash except for "/"
    DriveType type = DriveType::None;
};

struct DriveChanges {
    std::vector<Drive> arrived;
    std::vector<Drive> removed;
};

// Maps the program's drive letters to native directories. Fixed drives come
// from the settings; removable ones from the mount table, lettered from G on
// and keeping their letter while mounted. A card that comes back gets the
// letter it had before, when that is free. The station owns one and hands it
// to whatever maps paths; read from any thread.
class DriveTable final {
public:
    DriveTable();

    // Replaces every fixed drive. D is the home folder unless the map names
    // it; C, like every other letter, names a drive only when the map does.
    void setFixed(const std::vector<std::pair<char, std::string>>& drives);
    // Brings the removable drives in line with the given mounts; new ones
    // are lettered in the order given.
    DriveChanges setRemovableMounts(const std::vector<RemovableMount>& mounts);

    std::vector<Drive> drives() const;  // by letter
    DriveType type(char letter) const;
    std::optional<Drive> drive(char letter) const;

    // "E:\a\b" -> root of E + "/a/b". A path without a drive letter is native
    // and passes through with backslashes turned into slashes. nullopt when
    // the letter is not in the table or the path holds a ".." component.
    std::optional<std::string> toNative(std::string_view path) const;
    // The rule of toNative for a path without a drive letter, which needs no table.
    static std::optional<std::string> nativeOf(std::string_view path);
    // A path on a removable drive split into the drive's root and the rest
    // below it ('/'-separated, empty for the root): such paths are reached
    // below the root only (beneath.h). nullopt for any other path.
    struct BelowRoot {
        std::string root;
        std::string relative;
    };
    std::optional<BelowRoot> onRemovable(std::string_view path) const;
    // The reverse: the drive path of a native path, the longest root wins;
    // nullopt for a path holding a ".." component.
    std::optional<std::string> toDrivePath(std::string_view native) const;

private:
    std::optional<Drive> findLocked(char letter) const;

    mutable std::shared_mutex mutex_;
    std::vector<Drive> fixed_;
    std::vector<Drive> removable_;
    std::map<std::string, char> letterOfCard_;  // the letter each card seen had last
    std::map<char, std::string> cardOfLetter_;  // the card each removable letter was given to
};

// Letter of a drive path ("e:\x" -> 'E'), 0 when the path has none.
char driveLetterOf(std::string_view path);

// The removable media in the running system's mount table, in mount order.
std::vector<RemovableMount> readRemovableMounts();

// The largest file the file system holding `nativePath` takes, by its type in
// the mount table: 4 GiB - 1 on FAT (kernel or FUSE), nothing where the size
// is not limited by the format.
std::optional<std::int64_t> largestFileOn(std::string_view nativePath);

struct DiskSpace {
    std::int64_t total = 0;
    std::int64_t available = 0;  // to the caller, as GetDiskFreeSpaceEx reports it
};
std::optional<DiskSpace> diskSpace(const DriveTable& drives, std::string_view path);

}  // namespace zorvik::platform
