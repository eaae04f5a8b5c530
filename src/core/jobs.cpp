#include "core/jobs.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "platform/termination.h"

namespace zorvik::core {

struct Job::State {
    mutable std::mutex mutex;
    mutable std::condition_variable ended;
    bool finished = false;
};

Job::Job(Body body) : state_(std::make_shared<State>()) {
    // The thread inherits the mask: a closing signal always reaches the GUI thread.
    platform::TerminationSignalsBlocked quiet;
    thread_ = std::jthread([body = std::move(body), state = state_](std::stop_token stop) {
        body(stop);
        std::lock_guard lock(state->mutex);
        state->finished = true;
        state->ended.notify_all();
    });
}

Job::~Job() {
    cancel();
    join();
}

bool Job::finished() const {
    std::lock_guard lock(state_->mutex);
    return state_->finished;
}

bool Job::waitUntil(Deadline deadline) const {
    std::unique_lock lock(state_->mutex);
    return state_->ended.wait_until(lock, deadline, [this] { return state_->finished; });
}

void Job::join() {
    if (thread_.joinable()) thread_.join();
}

void JobRegistry::stopAll() {
    stopped_ = true;
    for (Jobs* jobs : owners_) jobs->cancelAll();
}

bool JobRegistry::waitAll(Job::Deadline writers, Job::Deadline readers) const {
    bool ended = true;
    for (const Jobs* jobs : owners_)
        ended = jobs->waitUntil(jobs->kind() == JobKind::Writes ? writers : readers) && ended;
    return ended;
}

Jobs::Jobs(QObject* owner, JobRegistry& registry, JobKind kind) : owner_(owner), registry_(registry), kind_(kind) {
    registry_.add(this);
}

Jobs::~Jobs() {
    registry_.remove(this);
    cancelAll();
    joinAll();
}

Job& Jobs::start(Job::Body body) {
    std::erase_if(jobs_, [](const auto& job) { return job->finished(); });
    jobs_.push_back(std::make_unique<Job>(std::move(body)));
    // After the close nothing new runs on: it stops at its first check.
    if (registry_.stopped()) jobs_.back()->cancel();
    return *jobs_.back();
}

void Jobs::cancelAll() {
    for (auto& job : jobs_) job->cancel();
}

void Jobs::joinAll() {
    for (auto& job : jobs_) job->join();
    jobs_.clear();
}

bool Jobs::waitUntil(Job::Deadline deadline) const {
    return std::all_of(jobs_.begin(), jobs_.end(), [deadline](const auto& job) { return job->waitUntil(deadline); });
}

bool Jobs::busy() const {
    return std::any_of(jobs_.begin(), jobs_.end(), [](const auto& job) { return !job->finished(); });
}

}  // namespace zorvik::core
