#include "support/mounts.h"

#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/drives.h"
#include "platform/mountwatcher.h"

namespace zorvik::testing {

namespace fs = std::filesystem;
using platform::DriveTable;

RemovableMounts::RemovableMounts(DriveTable& drives) : drives_(drives) {
    if (::geteuid() != 0) {
        why_ = "mounting a removable drive needs root";
        return;
    }
    std::error_code error;
    fs::create_directories("/media/root", error);
    base_ = std::make_unique<QTemporaryDir>(QStringLiteral("/media/root/zorvik-test-XXXXXX"));
    if (!base_->isValid()) why_ = "cannot make a folder below /media/root";
}

RemovableMounts::~RemovableMounts() {
    for (const auto& point : mounted_) ::umount2(point.c_str(), MNT_DETACH);
    for (const auto& loop : loops_) std::system(("losetup -d " + loop + " 2>/dev/null").c_str());
    base_.reset();
    drives_.setRemovableMounts(platform::readRemovableMounts());
}

std::string RemovableMounts::mount(const std::string& size) {
    if (!base_ || !base_->isValid()) return {};
    std::string point = base_->path().toStdString() + "/" + std::to_string(++made_) + "-" + size;
    fs::create_directories(point);
    const std::string options = "size=" + size;
    if (::mount("tmpfs", point.c_str(), "tmpfs", 0, options.c_str()) != 0) {
        why_ = "cannot mount tmpfs: " + std::string(std::strerror(errno));
        return {};
    }
    mounted_.push_back(point);
    drives_.setRemovableMounts(platform::readRemovableMounts());
    return point;
}

std::string RemovableMounts::mountExfat(int megabytes) {
    if (!base_ || !base_->isValid()) return {};
    if (std::system("command -v mkfs.exfat >/dev/null && command -v mount.exfat-fuse >/dev/null") != 0) {
        why_ = "exfatprogs and exfat-fuse are not installed";
        return {};
    }
    const std::string image = images_.filePath(QString::number(++made_) + QStringLiteral(".img")).toStdString();
    const std::string point = base_->path().toStdString() + "/" + std::to_string(made_) + "-exfat";
    fs::create_directories(point);
    std::string loop;
    const std::string make = "truncate -s " + std::to_string(megabytes) + "M '" + image + "' && mkfs.exfat '" +
                             image + "' >/dev/null 2>&1";
    if (std::system(make.c_str()) == 0) {
        if (FILE* out = ::popen(("losetup -f --show '" + image + "' 2>/dev/null").c_str(), "r")) {
            char line[256] = {};
            if (std::fgets(line, sizeof line, out)) loop = line;
            ::pclose(out);
        }
    }
    while (!loop.empty() && (loop.back() == '\n' || loop.back() == ' ')) loop.pop_back();
    if (loop.empty()) {
        why_ = "no loop device for an exFAT image";
        return {};
    }
    loops_.push_back(loop);
    if (std::system(("mount.exfat-fuse " + loop + " '" + point + "' >/dev/null 2>&1").c_str()) != 0) {
        why_ = "exfat-fuse cannot mount here";
        return {};
    }
    mounted_.push_back(point);
    drives_.setRemovableMounts(platform::readRemovableMounts());
    return point;
}

void RemovableMounts::unmount(const std::string& point) {
    ::umount2(point.c_str(), MNT_DETACH);
    std::erase(mounted_, point);
    drives_.setRemovableMounts(platform::readRemovableMounts());
}

QString RemovableMounts::rootOf(const std::string& point) const {
    for (const auto& d : drives_.drives())
        if (d.type == platform::DriveType::Removable && d.root == point)
            return platform::MountWatcher::rootOf(d.letter);
    return {};
}

}  // namespace zorvik::testing
