#pragma once

#include <QObject>

#include <signal.h>

class QSocketNotifier;

namespace zorvik::platform {

// Turns SIGTERM, SIGINT and SIGHUP (a session ending, the machine shutting
// down) into a signal on the GUI thread, so the station can close the way an
// operator closes it and save what it holds. One per process.
class TerminationWatcher final : public QObject {
    Q_OBJECT
public:
    explicit TerminationWatcher(QObject* parent = nullptr);
    ~TerminationWatcher() override;

Q_SIGNALS:
    void terminationRequested();

private:
    QSocketNotifier* notifier_ = nullptr;
};

// Threads started while one of these lives never take SIGTERM, SIGINT or
// SIGHUP: the GUI thread does. A worker stuck in a call on a hung device
// would hold such a signal, and the station would never hear of it.
class TerminationSignalsBlocked final {
public:
    TerminationSignalsBlocked();
    ~TerminationSignalsBlocked();
    TerminationSignalsBlocked(const TerminationSignalsBlocked&) = delete;
    TerminationSignalsBlocked& operator=(const TerminationSignalsBlocked&) = delete;

private:
    sigset_t previous_;
};

}  // namespace zorvik::platform
