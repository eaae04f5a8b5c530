#include "platform/mountwatcher.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>

namespace zorvik::platform {

namespace {

std::vector<Drive> removableDrives(const DriveTable& table) {
    std::vector<Drive> drives = table.drives();
    std::erase_if(drives, [](const Drive& d) { return d.type != DriveType::Removable; });
    return drives;
}

bool sameDrive(const Drive& a, const Drive& b) { return a.letter == b.letter && a.root == b.root; }

// Roots of the drives in `of` that `in` does not hold.
QStringList missingFrom(const std::vector<Drive>& of, const std::vector<Drive>& in) {
    QStringList roots;
    for (const auto& d : of)
        if (std::none_of(in.begin(), in.end(), [&d](const Drive& other) { return sameDrive(d, other); }))
            roots << MountWatcher::rootOf(d.letter);
    return roots;
}

}  // namespace

MountWatcher::MountWatcher(DriveTable& drives, QObject* parent)
    : QObject(parent), drives_(drives), known_(removableDrives(drives)) {
    fd_ = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Exception);
    // The kernel clears the flag as it reports it, so the descriptor needs no
    // draining; the table is read afresh, which also sees changes made since.
    connect(notifier_.get(), &QSocketNotifier::activated, this, &MountWatcher::refresh);
}

MountWatcher::~MountWatcher() {
    notifier_.reset();
    if (fd_ >= 0) ::close(fd_);
}

QString MountWatcher::rootOf(char letter) { return QChar::fromLatin1(letter) + QStringLiteral(":\\"); }

void MountWatcher::refresh() {
    drives_.setRemovableMounts(readRemovableMounts());
    std::vector<Drive> now = removableDrives(drives_);
    QStringList removed = missingFrom(known_, now);
    QStringList arrived = missingFrom(now, known_);
    known_ = std::move(now);
    if (!arrived.isEmpty() || !removed.isEmpty()) Q_EMIT drivesChanged(arrived, removed);
}

}  // namespace zorvik::platform
