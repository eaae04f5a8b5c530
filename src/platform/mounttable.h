#pragma once

#include <string>
#include <vector>

// The running system's mount table, read the way the drive table needs it:
// which mounts are customers' removable media, which are the machine's own
// fixed data disks.
namespace zorvik::platform {

struct MountEntry {
    std::string majorMinor;  // of the device, "8:17"
    std::string root;        // folder of the file system seen at the point: "/" unless a bind mount
    std::string point;       // where it is mounted, unescaped
    std::string type;        // file system type
    std::string source;      // "/dev/sdb1", "tmpfs"
};

// The lines of /proc/self/mountinfo (or of `file`), in mount order.
std::vector<MountEntry> readMountTable(const std::string& file = "/proc/self/mountinfo");

// Media the desktop's automounter put below /media/<user>/ or
// /run/media/<user>/, or whose disk is removable or hangs off USB.
bool isRemovableMount(const MountEntry& mount);

struct RemovableMount {
    // Known by its point alone unless told which card it is.
    RemovableMount(std::string mountPoint, std::string cardId = {})
        : point(std::move(mountPoint)), card(std::move(cardId)) {}
    RemovableMount(const char* mountPoint) : RemovableMount(std::string(mountPoint)) {}
    std::string point;
    // Which card this is: its file system's UUID or label, else its mount point.
    std::string card;
};

// The removable mounts of `table`, in its order. A card is known by the
// udev links of `diskLinks` ("by-uuid", "by-label") that name its device.
std::vector<RemovableMount> removableMounts(const std::vector<MountEntry>& table,
                                            const std::string& diskLinks = "/dev/disk");

// Mount points of the machine's own data disks: real file systems that are
// neither removable nor the system's (/, /boot, /home, /var ...), in mount
// order; the ones the shop may keep its library on.
std::vector<std::string> fixedDataDisks(const std::vector<MountEntry>& table);

}  // namespace zorvik::platform
