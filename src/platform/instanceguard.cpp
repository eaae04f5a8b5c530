#include "platform/instanceguard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/errortext.h"

namespace zorvik::platform {

InstanceGuard::InstanceGuard(std::string lockPath) : path_(std::move(lockPath)) {}

InstanceGuard::~InstanceGuard() {
    if (fd_ >= 0) ::close(fd_);
}

std::string InstanceGuard::defaultLockPath() { return "/tmp/zorvik-station.lock"; }

bool InstanceGuard::acquire() { return claim() == Claim::Held; }

InstanceGuard::Claim InstanceGuard::claim() {
    if (fd_ >= 0) return Claim::Held;
    problem_.clear();
    // Never through a link planted at the name (the folder is everyone's), and
    // never blocking on a FIFO planted there.
    constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    bool created = true;
    int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | kFlags, 0666);
    if (fd < 0 && errno == EEXIST) {
        created = false;
        fd = ::open(path_.c_str(), O_RDWR | kFlags);
        if (fd < 0 && errno == EACCES) fd = ::open(path_.c_str(), O_RDONLY | kFlags);  // made by another user
    }
    // Anyone may plant a file in /tmp: one of another user's that keeps this
    // user out is named as such, not taken for a station already running.
    auto ownedByAnother = [this] {
        struct stat st {};
        return ::lstat(path_.c_str(), &st) == 0 && st.st_uid != ::geteuid();
    };
    if (fd < 0) {
        const int error = errno;
        if (error == EACCES && ownedByAnother()) return Claim::OwnedByAnother;
        problem_ = errorText(error);
        return Claim::Unusable;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        problem_ = errorText(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        ::close(fd);
        return Claim::Unusable;
    }
    // Other users must be able to open it too, which the umask would prevent;
    // a file found there keeps the mode its maker gave it.
    if (created) ::fchmod(fd, 0666);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return ownedByAnother() ? Claim::OwnedByAnother : Claim::HeldElsewhere;
    }
    fd_ = fd;
    return Claim::Held;
}

}  // namespace zorvik::platform
