#pragma once

#include <QObject>

#include <utility>

#if defined(__SANITIZE_THREAD__)
#define ZORVIK_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ZORVIK_TSAN 1
#endif
#endif

#ifdef ZORVIK_TSAN
#include <sanitizer/tsan_interface.h>
#endif

namespace zorvik::core {

// A step on its way through Qt's event queue to another thread. The queue's
// lock and the slot object's reference count live in Qt, which
// ThreadSanitizer cannot see, so the step tells it about the hand-overs
// itself: everything its sender did before posting happens before the step
// runs, and whatever thread lets go of it last (the sender's post can end
// after the step ran) sees all of that. Without the sanitizer this is the
// bare step.
template <typename Step>
class QueuedStep final {
public:
    explicit QueuedStep(Step step) : step_(std::move(step)) { sent(); }
    QueuedStep(QueuedStep&& other) noexcept : step_(std::move(other.step_)) { sent(); }
    QueuedStep(const QueuedStep&) = delete;
    QueuedStep& operator=(const QueuedStep&) = delete;
    QueuedStep& operator=(QueuedStep&&) = delete;
    ~QueuedStep() { received(); }

    void operator()() {
        received();
        step_();
        sent();
    }

private:
#ifdef ZORVIK_TSAN
    void sent() { __tsan_release(this); }
    void received() { __tsan_acquire(this); }
#else
    void sent() {}
    void received() {}
#endif

    Step step_;
};

// Runs `step` later on the thread of `target`, which must outlive the call;
// the step is dropped if `target` goes first. Safe from any thread.
template <typename Step>
void postStep(QObject* target, Step step) {
    QMetaObject::invokeMethod(target, QueuedStep<Step>(std::move(step)), Qt::QueuedConnection);
}

}  // namespace zorvik::core
