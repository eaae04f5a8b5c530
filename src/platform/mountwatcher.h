#pragma once

#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

#include "platform/drives.h"

class QSocketNotifier;

namespace zorvik::platform {

// The drive events of removable media: the kernel flags the mount table
// (POLLPRI on /proc/self/mountinfo) whenever anything is mounted or unmounted;
// each flag re-reads the table into the station's drive table and reports
// what changed.
// Lives on the GUI thread, as the drive events must.
class MountWatcher final : public QObject {
    Q_OBJECT
public:
    explicit MountWatcher(DriveTable& drives, QObject* parent = nullptr);
    ~MountWatcher() override;

    // False when the mount table cannot be watched; refresh() still works.
    bool isWatching() const { return notifier_ != nullptr; }

    // Applies the current mount table at once and reports what changed since
    // the last report (or since construction).
    void refresh();

    // Drive path of a drive's root: 'G' -> "G:\".
    static QString rootOf(char letter);

    DriveTable& drives() const { return drives_; }

Q_SIGNALS:
    // Roots of removable drives that came and went, as drive paths ("G:\").
    // A letter handed to another medium in the same change is in both lists.
    void drivesChanged(const QStringList& arrived, const QStringList& removed);

private:
    DriveTable& drives_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    // What was last reported: the drive table may also be brought up to date
    // by others, so changes are measured against this, not against the table.
    std::vector<Drive> known_;
};

}  // namespace zorvik::platform
