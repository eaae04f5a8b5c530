#include "platform/disks.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/drives.h"

namespace zorvik::platform {

namespace {

// The whole disk of a partition, from sysfs; the device itself otherwise
// (a whole disk, or a file system without a block device, such as tmpfs).
dev_t wholeDisk(dev_t device) {
    char base[64];
    std::snprintf(base, sizeof base, "/sys/dev/block/%u:%u", major(device), minor(device));
    if (::access((std::string(base) + "/partition").c_str(), F_OK) != 0) return device;
    std::FILE* f = std::fopen((std::string(base) + "/../dev").c_str(), "re");
    if (!f) return device;
    unsigned diskMajor = 0, diskMinor = 0;
    const bool read = std::fscanf(f, "%u:%u", &diskMajor, &diskMinor) == 2;
    std::fclose(f);
    return read ? makedev(diskMajor, diskMinor) : device;
}

}  // namespace

std::optional<std::uint64_t> diskOf(const DriveTable& drives, std::string_view path) {
    std::string where;
    if (char letter = driveLetterOf(path)) {
        auto drive = drives.drive(letter);
        if (!drive) return std::nullopt;
        where = drive->root;
    } else {
        auto native = drives.toNative(path);
        if (!native) return std::nullopt;
        where = *native;
    }
    struct stat st {};
    if (::stat(where.c_str(), &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(wholeDisk(st.st_dev));
}

}  // namespace zorvik::platform
