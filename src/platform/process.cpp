#include "platform/process.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>

namespace zorvik::platform {

std::string executableFolder() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return "./";
    std::string path(buffer, static_cast<size_t>(n));
    return path.substr(0, path.find_last_of('/') + 1);
}

void lowerCurrentThreadPriority() {
    // On Linux a nice value set through the thread id applies to that thread alone.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 10);
}

}  // namespace zorvik::platform
