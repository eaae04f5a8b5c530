#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "core/jobs.h"
#include "platform/drives.h"

namespace zorvik::storage {

// What the device selectors offer for a drive: the label and the drive's root.
inline const QString kDeviceEntryPrefix = QStringLiteral("可移动磁盘：");
// Shown in place of the disk space line while the active list has no device.
inline const QString kDiskNotice = QStringLiteral("可移动磁盘 未连接 或 未选择");
// Drives of this many whole megabytes or fewer are too small to offer.
inline constexpr std::int64_t kLargestUnofferedMegabytes = 10;

// "可移动磁盘：G:\" for the root "G:\".
QString deviceEntry(const QString& root);
// The drive root ("G:\") a device entry names; nullopt for any other text
// (the placeholder, an empty or cut entry).
std::optional<QString> deviceRootOf(const QString& entry);
// Whole megabytes of 1,048,576 bytes, rounded down.
inline constexpr std::int64_t wholeMegabytes(std::int64_t bytes) { return bytes / 1024 / 1024; }
// "可用空间：N MB 总大小：M MB".
QString diskSpaceLine(std::int64_t freeBytes, std::int64_t totalBytes);
// Whether a drive's total size is enough for it to be offered.
bool bigEnoughToOffer(const platform::DriveTable& drives, const QString& root);

// The removable drive monitor: keeps the device entries that all five order
// lists offer in step with the drives plugged in, tells the order lists when
// the drive they copy to has gone, and keeps the disk space line of the tally
// box. GUI thread, no widgets; the order lists mirror `entries()` through the
// signals. The drives themselves are asked on jobs (a phone may answer a size
// query seconds later): an arrival is offered once its size is known, and the
// space line changes when the answer comes.
class RemovableDrives final : public QObject {
    Q_OBJECT
public:
    // Root ("G:\") of the device the active order list has chosen; empty
    // when it has none.
    using ChosenDevice = std::function<QString()>;

    RemovableDrives(core::JobRegistry& jobs, const platform::DriveTable& drives, QObject* parent = nullptr);
    ~RemovableDrives() override;

    void setChosenDevice(ChosenDevice chosen);

    // The device entries, in drive letter order, as every selector holds them.
    const QStringList& entries() const { return entries_; }

    // End of main window creation: the drives already present are offered
    // about a second later.
    void start();

    // A drive event (connect MountWatcher::drivesChanged here). Removals are
    // applied first, so a letter handed on to a new medium is withdrawn
    // before it is offered again.
    void applyDriveChanges(const QStringList& arrived, const QStringList& removed);
    void driveArrived(const QString& root);
    void driveRemoved(const QString& root);

    // Asks for the disk space line to be brought up to date; a burst of
    // requests costs one refresh. Safe from any thread.
    void requestDiskSpaceLine();
    // The refresh itself: at once for no device, else when the device answers.
    void refreshDiskSpaceLine();
    // While a drive's size or the space line is being read.
    bool busy() const { return !offering_.empty() || spaceReading_ || spacePause_.isActive(); }

    bool waitUntil(core::Job::Deadline deadline) const;
    // The text at the bottom of the tally box: the disk space line of the
    // active list's device, or the disk notice.
    const QString& diskText() const { return diskText_; }
    bool showsDiskNotice() const { return showsNotice_; }

Q_SIGNALS:
    // An entry joined every device selector, at its drive letter's place.
    void entryAdded(const QString& entry);
    // An entry left every device selector; `index` is where it was.
    void entryRemoved(const QString& entry, int index);
    // The drive at `root` has gone. Sent before its entry is removed, so that
    // every order list that had chosen it goes back to its default
    // destinations first and then sees the entry vanish from its selector.
    void deviceRemoved(const QString& root);
    // The start-up fill has run: the order lists' destination selectors show
    // their default lines from here on.
    void startupFilled();
    // diskText() or showsDiskNotice() changed.
    void diskTextChanged(const QString& text, bool notice);
    // A refresh of the space line begins: the folder picker lists its root afresh.
    void diskSpaceLineRefreshing();

private:
    const platform::DriveTable& drives_;
    void startupFill();
    void addEntry(const QString& root);
    void sizeRead(const QString& root, std::uint64_t request, bool bigEnough);
    void spaceRead(const QString& root, const std::optional<platform::DiskSpace>& space);
    void setDiskText(const QString& text, bool notice);

    QTimer startupFillTimer_{this};    // UZTTimer3
    QTimer diskSpaceLineTimer_{this};  // UPangTimer3
    ChosenDevice chosen_;
    QStringList entries_;
    bool filled_ = false;
    QString diskText_ = kDiskNotice;
    bool showsNotice_ = true;
    std::map<QString, std::uint64_t> offering_;  // roots whose size is being read, by request
    std::uint64_t requests_ = 0;
    bool spaceReading_ = false;
    bool spaceAgain_ = false;  // asked again while the device was answering
    // A device that answers slowly is asked again only after a pause a few
    // times its answer's length: repaints must not keep a phone busy.
    QTimer spacePause_{this};
    std::int64_t lastReadMs_ = 0;
    core::Jobs jobs_;    // last: joined before the rest goes
};

}  // namespace zorvik::storage
