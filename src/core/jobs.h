#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>
#include <vector>

namespace zorvik::core {

// Background work, one way everywhere: a job runs its body on a thread of its
// own; the body checks its stop token between files and folders (and between
// chunks of a large file) and cleans up after itself when asked to stop.
// Destroying a job asks it to stop and joins it, so no job outlives its owner.
class Job final {
public:
    using Body = std::function<void(std::stop_token)>;

    explicit Job(Body body);
    ~Job();
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    void cancel() { thread_.request_stop(); }
    // True once the body has returned.
    bool finished() const { return finished_->load(std::memory_order_acquire); }
    void join();

private:
    std::shared_ptr<std::atomic_bool> finished_;
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
    // True while any job's body still runs.
    bool busy() const;

    // Runs `step` on the owner's thread. Safe from any thread while the owner
    // exists, which its Jobs member guarantees for its own jobs.
    template <typename Step>
    void post(Step step) const {
        QMetaObject::invokeMethod(owner_, std::move(step), Qt::QueuedConnection);
    }

private:
    QObject* owner_;
    std::vector<std::unique_ptr<Job>> jobs_;
};

}  // namespace zorvik::core
