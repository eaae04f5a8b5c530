#pragma once

#include <QObject>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/jobs.h"
#include "platform/drives.h"

namespace zorvik::library {

// File sizes read on a job, for the rows of a list: a library disk that
// answers late (spun down, failing, a network share) must never hold up the
// window, and every stat of a library file is one such answer. Rows ask by
// number and path; the sizes come back on the owner's thread in batches, in
// the order asked. GUI thread.
class FileSizes final {
public:
    struct Size {
        int row;
        std::string path;
        std::int64_t bytes;  // -1: no such file
    };
    using Ready = std::function<void(std::vector<Size>)>;

    // `ready` runs on `owner`'s thread, which owns this.
    FileSizes(core::JobRegistry& jobs, const platform::DriveTable& drives, QObject* owner, Ready ready);

    void request(int row, std::string path);
    // The rows changed wholesale: answers to earlier requests are dropped,
    // and a job still reading them stops.
    void forget();
    bool busy() const;

    bool waitUntil(core::Job::Deadline deadline) const;

private:
    struct Asked {
        int row;
        std::string path;
        unsigned generation;
    };
    void read(const std::stop_token& stop);

    const platform::DriveTable& drives_;
    Ready ready_;
    std::mutex mutex_;
    std::deque<Asked> asked_;
    bool reading_ = false;
    std::atomic<unsigned> generation_{0};
    core::Jobs jobs_;  // last: joined before the rest goes
};

}  // namespace zorvik::library
