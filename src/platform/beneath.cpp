#include "platform/beneath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace zorvik::platform {

int openFolderBeneath(int rootFd, std::string_view relative) {
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
        int error = 0;
        int next = -1;
        if (name == "..") {
            error = EXDEV;  // callers never climb; nothing above the root is the device's
        } else {
            next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            error = errno;
            struct stat st {};
            if (next < 0) {
                // O_DIRECTORY may answer ENOTDIR for a link before O_NOFOLLOW says ELOOP.
                if (error == ENOTDIR && ::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                    S_ISLNK(st.st_mode))
                    error = ELOOP;
            } else if (::fstat(next, &st) != 0 || st.st_dev != root.st_dev) {
                error = EXDEV;  // a mount inside the device
                ::close(next);
                next = -1;
            }
        }
        ::close(fd);
        fd = next;
        if (fd < 0) errno = error;
    }
    return fd;
}

int openFolderBeneath(const char* root, std::string_view relative) {
    int rootFd = ::open(root, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0) return -1;
    int fd = openFolderBeneath(rootFd, relative);
    const int error = errno;
    ::close(rootFd);
    errno = error;
    return fd;
}

}  // namespace zorvik::platform
