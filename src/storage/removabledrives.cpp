#include "storage/removabledrives.h"

#include <algorithm>

#include <QThread>
#include <chrono>

#include "core/handoff.h"
#include "core/oneshot.h"
#include "platform/mountwatcher.h"

namespace zorvik::storage {

namespace {

constexpr int kStartupFillMs = 1000;
constexpr int kDiskSpaceLineMs = 20;

}  // namespace

QString deviceEntry(const QString& root) { return kDeviceEntryPrefix + root; }

std::optional<QString> deviceRootOf(const QString& entry) {
    if (!entry.startsWith(kDeviceEntryPrefix)) return std::nullopt;
    QString root = entry.mid(kDeviceEntryPrefix.size());
    bool driveRoot = root.size() == 3 && root[0].isLetter() && root[0].unicode() < 128 &&
                     root[1] == QLatin1Char(':') && root[2] == QLatin1Char('\\');
    if (!driveRoot) return std::nullopt;
    return root.toUpper();
}

QString diskSpaceLine(std::int64_t freeBytes, std::int64_t totalBytes) {
    return QStringLiteral("可用空间：") + QString::number(wholeMegabytes(freeBytes)) +
           QStringLiteral(" MB 总大小：") + QString::number(wholeMegabytes(totalBytes)) + QStringLiteral(" MB");
}

bool bigEnoughToOffer(const platform::DriveTable& drives, const QString& root) {
    // A drive whose size cannot be read (no medium, gone again) counts as 0 MB.
    auto space = platform::diskSpace(drives, root.toStdString());
    return space && wholeMegabytes(space->total) > kLargestUnofferedMegabytes;
}

RemovableDrives::RemovableDrives(core::JobRegistry& jobs, const platform::DriveTable& drives, QObject* parent)
    : QObject(parent), drives_(drives), jobs_(this, jobs, core::JobKind::Reads) {
    core::makeOneShot(startupFillTimer_, "UZTTimer3", kStartupFillMs);
    connect(&startupFillTimer_, &QTimer::timeout, this, &RemovableDrives::startupFill);
    core::makeOneShot(diskSpaceLineTimer_, "UPangTimer3", kDiskSpaceLineMs);
    connect(&diskSpaceLineTimer_, &QTimer::timeout, this, &RemovableDrives::refreshDiskSpaceLine);
    core::makeOneShot(spacePause_, "diskSpacePauseTimer", 0);
    connect(&spacePause_, &QTimer::timeout, this, [this] {
        if (std::exchange(spaceAgain_, false)) refreshDiskSpaceLine();
    });
}

RemovableDrives::~RemovableDrives() = default;

void RemovableDrives::setChosenDevice(ChosenDevice chosen) { chosen_ = std::move(chosen); }

void RemovableDrives::start() {
    if (!filled_) core::requestOnce(startupFillTimer_);
}

void RemovableDrives::startupFill() {
    startupFillTimer_.stop();
    if (filled_) return;
    filled_ = true;
    Q_EMIT startupFilled();
    // Fixed drives are never offered, however they are mapped.
    for (const auto& drive : drives_.drives())
        if (drive.type == platform::DriveType::Removable) addEntry(platform::MountWatcher::rootOf(drive.letter));
}

void RemovableDrives::applyDriveChanges(const QStringList& arrived, const QStringList& removed) {
    for (const auto& root : removed) driveRemoved(root);
    for (const auto& root : arrived) driveArrived(root);
}

void RemovableDrives::driveArrived(const QString& root) { addEntry(root); }

void RemovableDrives::addEntry(const QString& root) {
    // One drive, one entry: a drive announced before the start-up fill runs
    // is seen by both.
    if (entries_.contains(deviceEntry(root)) || offering_.contains(root)) return;
    const std::uint64_t request = ++requests_;
    offering_[root] = request;
    jobs_.start([this, root, request](std::stop_token) {
        const bool big = bigEnoughToOffer(drives_, root);
        jobs_.post([this, root, request, big] { sizeRead(root, request, big); });
    });
}

void RemovableDrives::sizeRead(const QString& root, std::uint64_t request, bool bigEnough) {
    // A drive that went away (or whose letter went to another) meanwhile is
    // not offered on the strength of this answer.
    auto pending = offering_.find(root);
    if (pending == offering_.end() || pending->second != request) return;
    offering_.erase(pending);
    QString entry = deviceEntry(root);
    if (!bigEnough || entries_.contains(entry)) return;
    // In letter order: size answers come in any order, and the operator
    // finds a card at the same place on every start.
    const auto at = std::lower_bound(entries_.begin(), entries_.end(), entry);
    entries_.insert(at, entry);
    Q_EMIT entryAdded(entry);
}

void RemovableDrives::driveRemoved(const QString& root) {
    offering_.erase(root);
    // The lists that copy to the drive go back to the local folder before its
    // entry goes, so no selector is ever left showing a vanished drive.
    Q_EMIT deviceRemoved(root);
    QString entry = deviceEntry(root);
    if (int index = entries_.indexOf(entry); index >= 0) {
        entries_.removeAt(index);
        Q_EMIT entryRemoved(entry, index);
    }
    refreshDiskSpaceLine();
}

void RemovableDrives::requestDiskSpaceLine() {
    // Copy jobs ask from their worker threads; the timer lives here.
    if (QThread::currentThread() != thread()) {
        core::postStep(this, [this] { requestDiskSpaceLine(); });
        return;
    }
    core::requestOnce(diskSpaceLineTimer_);
}

void RemovableDrives::refreshDiskSpaceLine() {
    diskSpaceLineTimer_.stop();
    Q_EMIT diskSpaceLineRefreshing();
    QString root = chosen_ ? chosen_() : QString();
    // Only an offered drive counts: a root whose drive has gone may already
    // name another medium, or nothing.
    if (root.isEmpty() || !entries_.contains(deviceEntry(root))) {
        setDiskText(kDiskNotice, true);
        return;
    }
    if (spaceReading_ || spacePause_.isActive()) {
        spaceAgain_ = true;  // one more read once the device has answered and rested
        return;
    }
    spaceReading_ = true;
    jobs_.start([this, root](std::stop_token) {
        const auto t0 = std::chrono::steady_clock::now();
        auto space = platform::diskSpace(drives_, root.toStdString());
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
        jobs_.post([this, root, space, ms = took.count()] {
            lastReadMs_ = ms;
            spaceRead(root, space);
        });
    });
}

void RemovableDrives::spaceRead(const QString& root, const std::optional<platform::DiskSpace>& space) {
    spaceReading_ = false;
    // Fast drives answer in microseconds and are asked again at once.
    if (lastReadMs_ >= 10) spacePause_.start(static_cast<int>(4 * lastReadMs_));
    QString now = chosen_ ? chosen_() : QString();
    if (now == root && entries_.contains(deviceEntry(root))) {
        // A device that cannot be read is as good as gone: the notice says so
        // rather than a line of stale or made-up numbers. Free is what a copy
        // can use; blocks reserved for root are no use to the shop's copies.
        if (!space)
            setDiskText(kDiskNotice, true);
        else
            setDiskText(diskSpaceLine(space->available, space->total), false);
    }
    if (!spacePause_.isActive() && std::exchange(spaceAgain_, false)) refreshDiskSpaceLine();
}


bool RemovableDrives::waitUntil(core::Job::Deadline deadline) const { return jobs_.waitUntil(deadline); }

void RemovableDrives::setDiskText(const QString& text, bool notice) {
    // Repaints request refreshes; a refresh that repainted for an unchanged
    // text would keep the two going round for ever.
    if (text == diskText_ && notice == showsNotice_) return;
    diskText_ = text;
    showsNotice_ = notice;
    Q_EMIT diskTextChanged(diskText_, showsNotice_);
}

}  // namespace zorvik::storage
