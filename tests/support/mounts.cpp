#include "support/mounts.h"

#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/drives.h"
#include "platform/mountwatcher.h"

namespace zorvik::testing {

namespace fs = std::filesystem;
using platform::DriveTable;

RemovableMounts::RemovableMounts() {
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
    base_.reset();
    DriveTable::instance().setRemovableMounts(platform::readRemovableMounts());
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
    DriveTable::instance().setRemovableMounts(platform::readRemovableMounts());
    return point;
}

void RemovableMounts::unmount(const std::string& point) {
    ::umount2(point.c_str(), MNT_DETACH);
    std::erase(mounted_, point);
    DriveTable::instance().setRemovableMounts(platform::readRemovableMounts());
}

QString RemovableMounts::rootOf(const std::string& point) {
    for (const auto& d : DriveTable::instance().drives())
        if (d.type == platform::DriveType::Removable && d.root == point)
            return platform::MountWatcher::rootOf(d.letter);
    return {};
}

}  // namespace zorvik::testing
