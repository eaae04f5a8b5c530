#include "platform/beneath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace zorvik::platform {

namespace {

// O_PATH: a phone's FUSE driver is not asked to open each folder on the way,
// only to look it up; a folder is opened for reading only where that is wanted.
constexpr int kStep = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// The next folder below `fd`, or -1 with errno.
int stepInto(int fd, const std::string& name, dev_t device) {
    if (name == "..") {
        errno = EXDEV;  // callers never climb; nothing above the root is the device's
        return -1;
    }
    int next = ::openat(fd, name.c_str(), kStep);
    int error = errno;
    struct stat st {};
    if (next < 0) {
        // A link is refused with ENOTDIR or ELOOP, whichever the kernel says first.
        if (error == ENOTDIR && ::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
            error = ELOOP;
    } else if (::fstat(next, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_dev != device) {
        error = S_ISLNK(st.st_mode) ? ELOOP : S_ISDIR(st.st_mode) ? EXDEV : ENOTDIR;  // EXDEV: a mount inside
        ::close(next);
        next = -1;
    }
    errno = error;
    return next;
}

}  // namespace

int openFolderBeneath(int rootFd, std::string_view relative, FolderUse use) {
    struct stat root {};
    if (::fstat(rootFd, &root) != 0) return -1;
    int fd = ::fcntl(rootFd, F_DUPFD_CLOEXEC, 0);
    size_t at = 0;
    while (fd >= 0 && at <= relative.size()) {
        size_t slash = relative.find('/', at);
        if (slash == std::string_view::npos) slash = relative.size();
        const std::string name(relative.substr(at, slash - at));
        at = slash + 1;
        if (name.empty() || name == ".") continue;
        const int next = stepInto(fd, name, root.st_dev);
        const int error = errno;
        ::close(fd);
        fd = next;
        errno = error;
    }
    if (fd < 0 || use == FolderUse::Path) return fd;
    const int opened = ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int error = errno;
    ::close(fd);
    errno = error;
    return opened;
}

int openFolderBeneath(const char* root, std::string_view relative, FolderUse use) {
    int rootFd = ::open(root, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0) return -1;
    int fd = openFolderBeneath(rootFd, relative, use);
    const int error = errno;
    ::close(rootFd);
    errno = error;
    return fd;
}

}  // namespace zorvik::platform
