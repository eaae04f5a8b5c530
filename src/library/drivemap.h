#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/drives.h"

namespace zorvik::core {
class Settings;
}

// The shop's fixed drives: which folder each letter names, kept in the
// settings' section "Drives" (one key per letter, the value a folder) and
// put into the drive table, so that library drives, D: and the paths stored
// in list files keep meaning the same folders from start to start.
namespace zorvik::library {

using DriveFolders = std::vector<std::pair<char, std::string>>;

// The letters of section "Drives" that name a folder.
DriveFolders driveSection(const core::Settings& settings);
// Puts them into the drive table.
void applyDriveSection(platform::DriveTable& table, const core::Settings& settings);

// Letters for the data disks that no fixed drive lies on yet: the next free
// ones from E on, in the disks' order. A letter in use is never handed out,
// so the letters list files already store keep their folders.
DriveFolders lettersForNewDisks(const std::vector<platform::Drive>& table, const std::vector<std::string>& disks);
// Start-up: gives those disks their letters and stores them, so that each
// keeps its letter when other disks come later. Returns what was added.
DriveFolders letterNewDisks(platform::DriveTable& table, core::Settings& settings,
                            const std::vector<std::string>& disks);

// Maps `letter` to the native `folder`: written to section "Drives" and in
// the drive table at once. The table follows even when the file cannot be
// written (that is reported); false then.
bool mapDrive(platform::DriveTable& table, core::Settings& settings, char letter, const std::string& folder);

// The native folder a drive letter names; nullopt when the letter is not in
// the table. `present` tells whether the folder is there.
struct DriveFolder {
    std::string folder;
    bool present = false;
};
std::optional<DriveFolder> folderOfDrive(const platform::DriveTable& table, char letter);

}  // namespace zorvik::library
