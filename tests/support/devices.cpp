#include "support/devices.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/copyfile.h"

namespace zorvik::testing {

namespace fs = std::filesystem;

namespace {

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string output(const std::string& command) {
    std::string text;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, p)) text += buffer;
        ::pclose(p);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

bool have(const char* tool) { return run(std::string("command -v ") + tool); }

std::string shellQuoted(const std::string& s) { return "'" + s + "'"; }

}  // namespace

const char* nameOf(FileSystem fs) {
    switch (fs) {
        case FileSystem::ExFat: return "exFAT";
        case FileSystem::Ntfs: return "NTFS";
        case FileSystem::Fat32: return "FAT32";
        case FileSystem::Tmpfs: return "tmpfs";
    }
    return "?";
}

Device::Device(FileSystem fs, int megabytes, int filledMegabytes) : fs_(fs) {
    if (::geteuid() != 0) {
        whyNot_ = "mounting a device needs root";
        return;
    }
    static std::atomic_int serial{0};
    const std::string tag = std::string(nameOf(fs)) + "-" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
    mountPoint_ = "/media/root/zorvik-" + tag;
    std::error_code ignored;
    fs::create_directories(mountPoint_, ignored);
    auto fill = [filledMegabytes](const std::string& path) {
        std::ofstream out(path, std::ios::binary);
        const std::string block = patterned(1 << 20, 99);
        for (int i = 0; i < filledMegabytes; ++i) out << block;
        return static_cast<bool>(out.flush());
    };
    if (fs == FileSystem::Tmpfs) {
        const std::string options = "size=" + std::to_string(megabytes) + "m";
        if (::mount("tmpfs", mountPoint_.c_str(), "tmpfs", 0, options.c_str()) != 0)
            whyNot_ = "cannot mount a tmpfs below /media/root";
        mounted_ = ok();
        if (mounted_ && filledMegabytes > 0) fill(at("filler.bin"));
        return;
    }
    struct Tools {
        const char* make;
        const char* mount;
    };
    const Tools tools = fs == FileSystem::ExFat ? Tools{"mkfs.exfat", "mount.exfat-fuse"}
                        : fs == FileSystem::Ntfs ? Tools{"mkntfs", "ntfs-3g"}
                                                 : Tools{"mkfs.vfat", "fusefat"};
    for (const char* tool : {tools.make, tools.mount})
        if (!have(tool)) {
            whyNot_ = std::string(tool) + " is not installed (scripts/install-deps.sh installs it)";
            return;
        }
    if (!fs::exists("/dev/fuse")) {
        whyNot_ = "no /dev/fuse here";
        return;
    }
    folder_ = "/tmp/zorvik-device-" + tag;
    fs::create_directories(folder_, ignored);
    image_ = folder_ + "/card.img";
    if (!run("truncate -s " + std::to_string(megabytes) + "m " + shellQuoted(image_))) {
        whyNot_ = "cannot make an image file";
        return;
    }
    const std::string make = fs == FileSystem::ExFat ? "mkfs.exfat " + shellQuoted(image_)
                             : fs == FileSystem::Ntfs ? "mkntfs -F -Q " + shellQuoted(image_)
                                                      : "mkfs.vfat -F 32 " + shellQuoted(image_);
    if (!run(make)) {
        whyNot_ = "cannot format the image: " + make;
        return;
    }
    // fusefat writes a few megabytes a second: a FAT card is filled in its
    // image, before it is mounted.
    if (fs == FileSystem::Fat32 && filledMegabytes > 0 &&
        !(fill(folder_ + "/filler.bin") &&
          run("mcopy -i " + shellQuoted(image_) + " " + shellQuoted(folder_ + "/filler.bin") + " ::FILLER.BIN"))) {
        whyNot_ = "cannot fill the FAT image (mtools installed?)";
        return;
    }
    std::string mount;
    if (fs == FileSystem::ExFat) {
        // exfat-fuse wants a block device.
        loop_ = output("losetup -f --show " + shellQuoted(image_) + " 2>/dev/null");
        if (loop_.empty()) {
            whyNot_ = "no free loop device here (losetup -f failed)";
            return;
        }
        mount = "mount.exfat-fuse " + shellQuoted(loop_) + " " + shellQuoted(mountPoint_);
    } else if (fs == FileSystem::Ntfs) {
        mount = "ntfs-3g " + shellQuoted(image_) + " " + shellQuoted(mountPoint_);
    } else {
        mount = "fusefat -o rw+ " + shellQuoted(image_) + " " + shellQuoted(mountPoint_);
    }
    if (!run(mount)) {
        whyNot_ = "cannot mount: " + mount;
        return;
    }
    mounted_ = true;
    if (fs != FileSystem::Fat32 && filledMegabytes > 0) fill(at("filler.bin"));
}

Device::~Device() {
    if (mounted_ && !run("umount " + shellQuoted(mountPoint_))) run("umount -l " + shellQuoted(mountPoint_));
    if (root_ >= 0) ::close(root_);  // the last hold on a pulled device
    if (!loop_.empty()) {
        // The driver lets the loop device go once it has written out.
        for (int i = 0; i < 100 && !run("losetup -d " + shellQuoted(loop_)); ++i) ::usleep(20000);
    }
    std::error_code ignored;
    if (!folder_.empty()) fs::remove_all(folder_, ignored);
    if (!mountPoint_.empty()) fs::remove(mountPoint_, ignored);
}

bool Device::unplug() {
    if (mounted_ && run("umount " + shellQuoted(mountPoint_))) mounted_ = false;
    return !mounted_;
}

int Device::pull() {
    root_ = ::open(mountPoint_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (::umount2(mountPoint_.c_str(), MNT_DETACH) == 0) mounted_ = false;
    return root_;
}

TmpfsOver::TmpfsOver(std::string folder, int megabytes) : folder_(std::move(folder)) {
    const std::string options = "size=" + std::to_string(megabytes) + "m";
    mounted_ = ::geteuid() == 0 && ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

TmpfsOver::~TmpfsOver() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

std::vector<std::string> stationTemporariesBelow(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error); !error && it != fs::end(it); it.increment(error))
        if (platform::isStationTemporary(it->path().filename().string())) found.push_back(it->path().string());
    return found;
}

std::string patterned(size_t bytes, unsigned seed) {
    std::string data(bytes, '\0');
    std::mt19937 random(seed);
    for (auto& c : data) c = static_cast<char>(random());
    return data;
}

}  // namespace zorvik::testing
