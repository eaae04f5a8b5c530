#pragma once

#include <QTimer>

namespace zorvik::core {

// The one-shot timers fold bursts of requests into one run: a request while
// the timer is pending keeps its first deadline (QTimer::start would restart it).
inline void requestOnce(QTimer& timer) {
    if (!timer.isActive()) timer.start();
}

inline void makeOneShot(QTimer& timer, const char* name, int intervalMs) {
    timer.setObjectName(QLatin1String(name));
    timer.setSingleShot(true);
    timer.setInterval(intervalMs);
}

}  // namespace zorvik::core
