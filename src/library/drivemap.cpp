#include "library/drivemap.h"

#include <algorithm>

#include "core/settings.h"
#include "platform/fileops.h"

namespace zorvik::library {

namespace {

constexpr const char* kDrivesSection = "Drives";
constexpr char kFirstDiskLetter = 'E';

bool onDisk(const std::string& root, const std::string& disk) {
    return root == disk || (root.starts_with(disk) && root.size() > disk.size() && root[disk.size()] == '/');
}

// The fixed drives of the table, with `changes` put over them.
void putFixed(platform::DriveTable& table, const DriveFolders& changes) {
    DriveFolders fixed;
    for (const auto& d : table.drives())
        if (d.type == platform::DriveType::Fixed) fixed.emplace_back(d.letter, d.root);
    for (const auto& change : changes) {
        std::erase_if(fixed, [&change](const auto& d) { return d.first == change.first; });
        fixed.push_back(change);
    }
    table.setFixed(fixed);
}

}  // namespace

DriveFolders driveSection(const core::Settings& settings) {
    DriveFolders drives;
    for (const auto& [key, value] : settings.readSection(kDrivesSection))
        if (key.size() == 1 && !value.empty()) drives.emplace_back(key[0], value);
    return drives;
}

void applyDriveSection(platform::DriveTable& table, const core::Settings& settings) {
    table.setFixed(driveSection(settings));
}

DriveFolders lettersForNewDisks(const std::vector<platform::Drive>& table, const std::vector<std::string>& disks) {
    DriveFolders added;
    auto taken = [&](char letter) {
        return std::any_of(table.begin(), table.end(), [letter](const auto& d) { return d.letter == letter; }) ||
               std::any_of(added.begin(), added.end(), [letter](const auto& a) { return a.first == letter; });
    };
    char next = kFirstDiskLetter;
    for (const auto& disk : disks) {
        // A drive whose folder lies on the disk already reaches it; C = "/"
        // holds every disk and does not count.
        const bool reached = std::any_of(table.begin(), table.end(), [&disk](const platform::Drive& d) {
            return d.type == platform::DriveType::Fixed && onDisk(d.root, disk);
        });
        if (reached) continue;
        while (next <= 'Z' && taken(next)) ++next;
        if (next > 'Z') break;
        added.emplace_back(next, disk);
    }
    return added;
}

DriveFolders letterNewDisks(platform::DriveTable& table, core::Settings& settings,
                            const std::vector<std::string>& disks) {
    DriveFolders added = lettersForNewDisks(table.drives(), disks);
    if (added.empty()) return added;
    std::vector<std::pair<std::string, std::string>> values;
    for (const auto& [letter, disk] : added) values.emplace_back(std::string(1, letter), disk);
    settings.write(kDrivesSection, values);  // unstored, they hold for this run
    putFixed(table, added);
    return added;
}

bool mapDrive(platform::DriveTable& table, core::Settings& settings, char letter, const std::string& folder) {
    const bool stored = settings.write(kDrivesSection, std::string(1, letter), folder);
    putFixed(table, {{letter, folder}});
    return stored;
}

std::optional<DriveFolder> folderOfDrive(const platform::DriveTable& table, char letter) {
    auto drive = table.drive(letter);
    if (!drive) return std::nullopt;
    return DriveFolder{drive->root, platform::folderExists(table, std::string(1, drive->letter) + ":\\")};
}

}  // namespace zorvik::library
