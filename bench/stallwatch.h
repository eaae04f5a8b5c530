#pragma once

// The longest stall of the GUI thread, for the benches: the longest gap
// between ticks of a 2 ms timer, and how the thread spent it.

#include <fcntl.h>
#include <unistd.h>

#include <QObject>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>

namespace zorvik::bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// Of the GUI thread: seconds on a CPU and seconds runnable but waiting for
// one, from the scheduler's own count; zeros where the kernel keeps none.
struct SchedTimes {
    double onCpu = 0;
    double waiting = 0;
};

class SchedReader final {
public:
    // Opened on the thread it describes.
    SchedReader() : fd_(::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC)) {}
    ~SchedReader() {
        if (fd_ >= 0) ::close(fd_);
    }
    SchedTimes read() const {
        char text[128];
        ssize_t n = fd_ >= 0 ? ::pread(fd_, text, sizeof text - 1, 0) : -1;
        if (n <= 0) return {};
        text[n] = 0;
        unsigned long long cpu = 0, wait = 0;
        if (std::sscanf(text, "%llu %llu", &cpu, &wait) != 2) return {};
        return {static_cast<double>(cpu) * 1e-9, static_cast<double>(wait) * 1e-9};
    }

private:
    int fd_;
};

// The longest gap between ticks of a 2 ms timer since the last reset, and
// how the GUI thread spent it: on a CPU (its own work), waiting for a CPU
// (the machine's load), or neither (asleep, or blocked on something).
class StallWatch final {
public:
    StallWatch() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            const auto now = Clock::now();
            const SchedTimes times = sched_.read();
            const double gap = std::chrono::duration<double>(now - last_).count();
            if (gap > longest_) {
                longest_ = gap;
                longestTimes_ = {times.onCpu - lastTimes_.onCpu,
                                 times.waiting - lastTimes_.waiting};
            }
            last_ = now;
            lastTimes_ = times;
        });
        timer_.start();
    }
    void reset() {
        last_ = Clock::now();
        lastTimes_ = sched_.read();
        longest_ = 0;
        longestTimes_ = {};
    }
    // The gap still open counts too.
    double longest() const { return std::max(longest_, secondsSince(last_)); }
    SchedTimes longestTimes() const {
        return longest_ >= secondsSince(last_) ? longestTimes_ : SchedTimes{};
    }

private:
    QTimer timer_;
    SchedReader sched_;
    Clock::time_point last_ = Clock::now();
    SchedTimes lastTimes_;
    double longest_ = 0;
    SchedTimes longestTimes_;
};

// Prints one step of a bench: how long it ran and the longest stall of the
// GUI thread meanwhile; returns that stall in seconds.
inline double reportStep(const char* step, Clock::time_point t0, const StallWatch& watch) {
    const double gap = watch.longest();
    // On a loaded machine a stall is mostly the GUI thread waiting for a CPU:
    // its own time on one tells what the station caused.
    const SchedTimes times = watch.longestTimes();
    std::printf("%-8s %7.2f s   longest stall %6.1f ms (on a CPU %.1f ms, waiting for one %.1f ms)\n", step,
                secondsSince(t0), gap * 1000, times.onCpu * 1000, times.waiting * 1000);
    std::fflush(stdout);
    return gap;
}

}  // namespace zorvik::bench
