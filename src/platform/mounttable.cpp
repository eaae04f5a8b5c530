#include "platform/mounttable.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string_view>

namespace zorvik::platform {

namespace {

namespace fs = std::filesystem;

// Mount table fields escape blanks and the like as octal "\040".
std::string unescapeMountField(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        bool octal = field[i] == '\\' && i + 3 < field.size();
        for (size_t k = 1; octal && k <= 3; ++k) octal = field[i + k] >= '0' && field[i + k] <= '7';
        if (octal) {
            out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                            (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

// udev writes a label's blanks and other unsafe bytes as "\x20".
std::string unescapeUdevName(std::string_view name) {
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
            out.push_back(static_cast<char>(std::stoi(std::string(name.substr(i + 2, 2)), nullptr, 16)));
            i += 3;
        } else {
            out.push_back(name[i]);
        }
    }
    return out;
}

std::string firstLine(const std::string& path) {
    std::ifstream in(path);
    std::string text;
    std::getline(in, text);
    return text;
}

// The sysfs node of a block device by major:minor, resolved.
std::string sysBlockPath(const std::string& majorMinor) {
    char buf[4096];
    std::string link = "/sys/dev/block/" + majorMinor;
    char* real = realpath(link.c_str(), buf);
    return real ? std::string(real) : std::string();
}

bool blockDeviceIsRemovable(const std::string& majorMinor) {
    std::string sys = sysBlockPath(majorMinor);
    if (sys.empty()) return false;
    if (sys.find("/usb") != std::string::npos) return true;  // USB disks report removable=0
    std::string flag = firstLine(sys + "/removable");
    if (flag.empty()) flag = firstLine(sys + "/../removable");  // a partition: ask its disk
    return flag == "1";
}

bool underMediaFolder(const std::string& mountPoint) {
    return mountPoint.starts_with("/media/") || mountPoint.starts_with("/run/media/");
}

bool atOrBelow(std::string_view point, std::string_view folder) {
    return point == folder || (point.starts_with(folder) && point.size() > folder.size() && point[folder.size()] == '/');
}

// The device a link or source names, as far as it can be resolved: the
// real path where it exists, else the plain path with "." and ".." taken out.
std::string deviceBehind(const fs::path& path) {
    std::error_code error;
    fs::path real = fs::canonical(path, error);
    return (error ? path.lexically_normal() : real).string();
}

// "UUID=..." or "LABEL=..." for the device, from the links udev keeps.
std::string cardOfDevice(const std::string& source, const std::string& diskLinks) {
    if (!source.starts_with('/')) return {};
    const std::string device = deviceBehind(source);
    for (const auto& [folder, prefix] : {std::pair{"by-uuid", "UUID="}, std::pair{"by-label", "LABEL="}}) {
        std::error_code error;
        for (fs::directory_iterator it(fs::path(diskLinks) / folder, error), end; !error && it != end;
             it.increment(error)) {
            fs::path target = fs::read_symlink(it->path(), error);
            if (error) {
                error.clear();
                continue;
            }
            if (target.is_relative()) target = it->path().parent_path() / target;
            if (deviceBehind(target) == device)
                return prefix + unescapeUdevName(it->path().filename().string());
        }
    }
    return {};
}

// File systems that live on a disk, as opposed to the kernel's own (proc,
// tmpfs, cgroup ...) and network or user-space views of other things.
bool diskFileSystem(const std::string& type) {
    static constexpr std::array<std::string_view, 17> kTypes{
        "ext2", "ext3", "ext4",  "xfs",  "btrfs",   "ntfs", "ntfs3",   "fuseblk",  "vfat",
        "exfat", "f2fs", "jfs", "reiserfs", "zfs", "hfsplus", "nilfs2", "bcachefs"};
    return std::find(kTypes.begin(), kTypes.end(), type) != kTypes.end();
}

// The operating system's own places: never a shop's library disk.
bool systemMountPoint(const std::string& point) {
    static constexpr std::array<std::string_view, 15> kSystem{
        "/boot", "/efi", "/proc", "/sys", "/dev", "/run", "/tmp", "/var",
        "/usr",  "/snap", "/opt", "/home", "/root", "/etc", "/nix"};
    return point == "/" || std::any_of(kSystem.begin(), kSystem.end(),
                                       [&point](std::string_view folder) { return atOrBelow(point, folder); });
}

}  // namespace

std::vector<MountEntry> readMountTable(const std::string& file) {
    std::vector<MountEntry> table;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        // id parent major:minor root mountpoint options [optional...] - fstype source superopts
        std::istringstream fields(line);
        std::string id, parent, field;
        MountEntry entry;
        if (!(fields >> id >> parent >> entry.majorMinor >> entry.root >> entry.point)) continue;
        entry.root = unescapeMountField(entry.root);
        entry.point = unescapeMountField(entry.point);
        while (fields >> field && field != "-") {
        }
        fields >> entry.type >> entry.source;
        entry.source = unescapeMountField(entry.source);
        table.push_back(std::move(entry));
    }
    return table;
}

bool isRemovableMount(const MountEntry& mount) {
    return underMediaFolder(mount.point) || blockDeviceIsRemovable(mount.majorMinor);
}

std::vector<RemovableMount> removableMounts(const std::vector<MountEntry>& table, const std::string& diskLinks) {
    std::vector<RemovableMount> mounts;
    for (const auto& entry : table) {
        if (!isRemovableMount(entry)) continue;
        std::string card = cardOfDevice(entry.source, diskLinks);
        mounts.emplace_back(entry.point, card.empty() ? entry.point : card);
    }
    return mounts;
}

std::vector<std::string> fixedDataDisks(const std::vector<MountEntry>& table) {
    std::vector<std::string> disks;
    std::set<std::pair<std::string, std::string>> seen;  // one point per file system
    for (const auto& entry : table) {
        if (!diskFileSystem(entry.type) || systemMountPoint(entry.point) || isRemovableMount(entry)) continue;
        // A bind mount shows a folder of a disk that is listed in its own
        // right; btrfs names its subvolumes the same way.
        if (entry.root != "/" && entry.type != "btrfs") continue;
        if (!seen.insert({entry.majorMinor, entry.root}).second) continue;
        if (std::find(disks.begin(), disks.end(), entry.point) == disks.end()) disks.push_back(entry.point);
    }
    return disks;
}

}  // namespace zorvik::platform
