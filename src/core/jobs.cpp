#include "core/jobs.h"

#include <algorithm>

namespace zorvik::core {

Job::Job(Body body)
    : finished_(std::make_shared<std::atomic_bool>(false)),
      thread_([body = std::move(body), finished = finished_](std::stop_token stop) {
          body(stop);
          finished->store(true, std::memory_order_release);
      }) {}

Job::~Job() {
    cancel();
    join();
}

void Job::join() {
    if (thread_.joinable()) thread_.join();
}

Jobs::~Jobs() {
    cancelAll();
    joinAll();
}

Job& Jobs::start(Job::Body body) {
    std::erase_if(jobs_, [](const auto& job) { return job->finished(); });
    jobs_.push_back(std::make_unique<Job>(std::move(body)));
    return *jobs_.back();
}

void Jobs::cancelAll() {
    for (auto& job : jobs_) job->cancel();
}

void Jobs::joinAll() {
    for (auto& job : jobs_) job->join();
    jobs_.clear();
}

bool Jobs::busy() const {
    return std::any_of(jobs_.begin(), jobs_.end(), [](const auto& job) { return !job->finished(); });
}

}  // namespace zorvik::core
