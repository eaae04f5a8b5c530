#pragma once

#include <string>

namespace zorvik::platform {

// Machine-wide single-instance guard: an exclusive flock on a file that every
// user may open. The kernel drops the lock with the process, so a crashed
// holder never blocks the next start.
class InstanceGuard final {
public:
    explicit InstanceGuard(std::string lockPath = defaultLockPath());
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    // False when another process holds the guard.
    bool acquire();

    static std::string defaultLockPath();

private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace zorvik::platform
