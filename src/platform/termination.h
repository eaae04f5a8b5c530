#pragma once

#include <QObject>

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

}  // namespace zorvik::platform
