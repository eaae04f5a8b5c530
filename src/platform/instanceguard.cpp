#include "platform/instanceguard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zorvik::platform {

InstanceGuard::InstanceGuard(std::string lockPath) : path_(std::move(lockPath)) {}

InstanceGuard::~InstanceGuard() {
    if (fd_ >= 0) ::close(fd_);
}

std::string InstanceGuard::defaultLockPath() { return "/tmp/zorvik-station.lock"; }

bool InstanceGuard::acquire() {
    if (fd_ >= 0) return true;
    int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);  // made by another user
    if (fd < 0) return false;
    ::fchmod(fd, 0666);  // the umask would keep other users out; fails harmlessly when not ours
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

}  // namespace zorvik::platform
