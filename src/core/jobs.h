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

class Jobs;

// What a job does to files: reading ones lose nothing when cut short, writing
// ones (copies, deletions, device folders) get time to finish or clean up.
enum class JobKind { Reads, Writes };

// Every Jobs of a station, registered as it is made and gone with it, so that
// closing reaches them all: no owner has to be remembered by hand. GUI thread.
class JobRegistry final {
public:
    JobRegistry() = default;
    JobRegistry(const JobRegistry&) = delete;
    JobRegistry& operator=(const JobRegistry&) = delete;

    // Asks every job to stop; a job started afterwards is asked at once.
    void stopAll();
    bool stopped() const { return stopped_; }
    // Waits for the writing jobs until `writers`, the reading ones until
    // `readers`; false when one is still running (stuck in a call on a hung
    // device).
    bool waitAll(Job::Deadline writers, Job::Deadline readers) const;

private:
    friend class Jobs;
    void add(Jobs* jobs) { owners_.push_back(jobs); }
    void remove(Jobs* jobs) { std::erase(owners_, jobs); }

    std::vector<Jobs*> owners_;
    bool stopped_ = false;
};

// The jobs of one owner (a QObject on the GUI thread), registered with the
// station's registry. Results reach the owner through post(), which runs a
// step on the owner's thread later.
//
// Declare a Jobs member after every member its jobs use, so that it is
// destroyed first: its destructor cancels and joins every job while the rest
// of the owner still exists. Steps posted but not yet run are dropped with the
// owner.
class Jobs final {
public:
    Jobs(QObject* owner, JobRegistry& registry, JobKind kind);
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
    JobKind kind() const { return kind_; }

    // Runs `step` on the owner's thread. Safe from any thread while the owner
    // exists, which its Jobs member guarantees for its own jobs.
    template <typename Step>
    void post(Step step) const {
        postStep(owner_, std::move(step));
    }

private:
    QObject* owner_;
    JobRegistry& registry_;
    JobKind kind_;
    std::vector<std::unique_ptr<Job>> jobs_;
};

}  // namespace zorvik::core
