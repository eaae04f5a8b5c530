#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorvik::testing {

enum class FileSystem { ExFat, Ntfs, Fat32, Tmpfs };
const char* nameOf(FileSystem fs);

// A customer's device for one test, mounted below /media/root where the
// station looks for removable drives: exFAT through exfat-fuse on a loop
// device, NTFS through ntfs-3g on an image, FAT32 through fusefat on an image
// (it reports no size, so the station does not offer it), or a tmpfs. It is
// unmounted, its loop device detached and its image deleted when it goes,
// whatever the test did meanwhile.
class Device {
public:
    // `filledMegabytes` of the card are taken by a file before the test starts.
    Device(FileSystem fs, int megabytes, int filledMegabytes = 0);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    bool ok() const { return whyNot_.empty(); }
    // Why the device could not be made (no root, no tool, no loop device).
    const std::string& whyNot() const { return whyNot_; }
    FileSystem fileSystem() const { return fs_; }
    const std::string& mountPoint() const { return mountPoint_; }
    std::string at(std::string_view relative) const { return mountPoint_ + "/" + std::string(relative); }

    // Taken out after the desktop's "eject": a clean unmount.
    bool unplug();
    // Pulled as an unmount under a busy device does it: the device leaves the
    // mount table at once while open files keep its file system alive.
    // Returns a descriptor of its root, to look inside afterwards.
    int pull();

private:
    FileSystem fs_;
    std::string whyNot_;
    std::string folder_;  // holds the image
    std::string image_;
    std::string loop_;
    std::string mountPoint_;
    bool mounted_ = false;
    int root_ = -1;
};

// A small tmpfs mounted over a folder for one test (a full disk, a small
// D:); unmounted when it goes, whatever the test did meanwhile.
class TmpfsOver {
public:
    TmpfsOver(std::string folder, int megabytes);
    ~TmpfsOver();
    TmpfsOver(const TmpfsOver&) = delete;
    TmpfsOver& operator=(const TmpfsOver&) = delete;
    bool ok() const { return mounted_; }
    const char* whyNot() const { return "mounting a tmpfs needs root"; }

private:
    std::string folder_;
    bool mounted_ = false;
};

// Native paths of the station's temporary files anywhere below `folder`.
std::vector<std::string> stationTemporariesBelow(const std::string& folder);

// Writes `bytes` bytes that differ from position to position (seeded).
std::string patterned(size_t bytes, unsigned seed);

}  // namespace zorvik::testing
