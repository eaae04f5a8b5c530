#pragma once

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>
#include <vector>

#include "core/handoff.h"

namespace zorvik::core {

// Background work, one way everywhere: a job runs its body on a thread of its
// own; the body checks its stop token between files and folders (and between
// chunks of a large file) and cleans up after itself when asked to stop.
// Destroying a job asks it to stop and joins it, so no job outlives its owner.
class Job final {
public:
    using Body = std::function<void(std::stop_token)>;
    using Deadline = std::chrono::steady_clock::time_point;

    explicit Job(Body body);
    ~Job();
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    void cancel() { thread_.request_stop(); }
    // True once the body has returned.
    bool finished() const;
    // Waits for the body to return, at most until `deadline`; true if it did.
    bool waitUntil(Deadline deadline) const;
    void join();

private:
    struct State;
    std::shared_ptr<State> state_;
    std::jthread thread_;
};

// The jobs of one owner (a QObject on the GUI thread). Results reach the
// owner through post(), which runs a step on the owner's thread later.
//
// Declare a Jobs member after every member its jobs use, so that it is
// destroyed first: its destructor cancels and joins every job while the rest
// of the owner still exists. Steps posted but not yet run are dropped with the
// owner.
class Jobs final {
public:
    explicit Jobs(QObject* owner) : owner_(owner) {}
    ~Jobs();
    Jobs(const Jobs&) = delete;
    Jobs& operator=(const Jobs&) = delete;

    // Starts a job; finished jobs are let go first.
    Job& start(Job::Body body);
    void cancelAll();
    void joinAll();
    // Waits for every job's body to return, at most until `deadline`; true if
    // they all did. A body stuck in a call on a hung device never returns:
    // the caller decides what to do then (the program ends without it).
    bool waitUntil(Job::Deadline deadline) const;
    // True while any job's body still runs.
    bool busy() const;

    // Runs `step` on the owner's thread. Safe from any thread while the owner
    // exists, which its Jobs member guarantees for its own jobs.
    template <typename Step>
    void post(Step step) const {
        postStep(owner_, std::move(step));
    }

private:
    QObject* owner_;
    std::vector<std::unique_ptr<Job>> jobs_;
};

}  // namespace zorvik::core
