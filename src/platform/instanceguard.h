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

    enum class Claim {
        Held,           // this process holds the guard
        HeldElsewhere,   // another station runs
        OwnedByAnother,  // a lock file of another user's is held or cannot be opened
        Unusable,        // the lock file cannot be used: problem() says why
    };
    Claim claim();
    // True when this process holds the guard.
    bool acquire();
    const std::string& problem() const { return problem_; }
    const std::string& path() const { return path_; }

    static std::string defaultLockPath();

private:
    std::string path_;
    std::string problem_;
    int fd_ = -1;
};

}  // namespace zorvik::platform
