#include "library/filesizes.h"

#include "core/mediafiles.h"

namespace zorvik::library {

namespace {
// Answers are handed over at this pace at most, so a fast disk does not
// flood the owner's thread with one step per file.
constexpr auto kBatchEvery = std::chrono::milliseconds(16);
}  // namespace

FileSizes::FileSizes(core::JobRegistry& jobs, const platform::DriveTable& drives, QObject* owner, Ready ready)
    : drives_(drives), ready_(std::move(ready)), jobs_(owner, jobs, core::JobKind::Reads) {}

void FileSizes::request(int row, std::string path) {
    {
        std::lock_guard lock(mutex_);
        asked_.push_back({row, std::move(path), generation_.load()});
        if (reading_) return;  // the job under way takes it up
        reading_ = true;
    }
    jobs_.start([this](std::stop_token stop) { read(stop); });
}

void FileSizes::forget() {
    std::lock_guard lock(mutex_);
    ++generation_;
    asked_.clear();
}

bool FileSizes::busy() const { return jobs_.busy(); }

bool FileSizes::waitUntil(core::Job::Deadline deadline) const { return jobs_.waitUntil(deadline); }

void FileSizes::read(const std::stop_token& stop) {
    std::vector<Size> batch;
    unsigned batchGeneration = 0;
    auto handOver = [&] {
        if (batch.empty()) return;
        jobs_.post([this, sizes = std::move(batch), generation = batchGeneration] {
            if (generation == generation_.load()) ready_(std::move(sizes));
        });
        batch.clear();
    };
    auto last = std::chrono::steady_clock::now();
    for (;;) {
        Asked next;
        {
            std::lock_guard lock(mutex_);
            if (asked_.empty() || stop.stop_requested()) {
                reading_ = false;
                break;
            }
            next = std::move(asked_.front());
            asked_.pop_front();
        }
        if (next.generation != generation_.load()) continue;
        if (next.generation != batchGeneration) {
            handOver();
            batchGeneration = next.generation;
        }
        batch.push_back({next.row, std::move(next.path), -1});
        batch.back().bytes = core::fileSize(drives_, batch.back().path);
        if (std::chrono::steady_clock::now() - last >= kBatchEvery) {
            handOver();
            last = std::chrono::steady_clock::now();
        }
    }
    handOver();
}

}  // namespace zorvik::library
