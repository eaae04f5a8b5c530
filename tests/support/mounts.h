#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "platform/drives.h"

namespace zorvik::testing {

// Removable drives for a test: tmpfs file systems mounted below /media/root/,
// where the desktop's automounter puts them, taken down again at the end.
// The drive table follows the mount table after every change made here.
class RemovableMounts {
public:
    explicit RemovableMounts(platform::DriveTable& drives);
    ~RemovableMounts();
    RemovableMounts(const RemovableMounts&) = delete;
    RemovableMounts& operator=(const RemovableMounts&) = delete;

    // Mounts a tmpfs of `size` ("16m") and returns its mount point; empty,
    // with the reason in why(), when it cannot (not root, no tmpfs).
    std::string mount(const std::string& size);
    // An exFAT card of `size` megabytes through exfat-fuse on a loop device,
    // as customers' cards are formatted; empty, with the reason in why(),
    // when the tools or loop devices are missing.
    std::string mountExfat(int megabytes);
    void unmount(const std::string& point);
    const std::string& why() const { return why_; }

    // The drive path ("G:\") of a mount point; empty when it has none.
    QString rootOf(const std::string& point) const;

private:
    platform::DriveTable& drives_;
    std::unique_ptr<QTemporaryDir> base_;
    std::vector<std::string> mounted_;
    std::vector<std::string> loops_;
    QTemporaryDir images_;
    std::string why_;
    int made_ = 0;
};

}  // namespace zorvik::testing
