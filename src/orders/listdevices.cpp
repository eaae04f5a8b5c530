#include "orders/listdevices.h"

#include <memory>

#include "core/cues.h"
#include "core/mediafiles.h"
#include "platform/copyfile.h"
#include "platform/drives.h"
#include "platform/shell.h"

namespace zorvik::orders {

ListDevices::ListDevices(core::JobRegistry& jobs, const platform::DriveTable& drives, core::Cues& cues,
                         QObject* parent)
    : QObject(parent), drives_(drives), cues_(cues), picker_(jobs, drives), jobs_(this, jobs, core::JobKind::Writes) {
    qRegisterMetaType<DestinationRecord>();
}

ListDevices::~ListDevices() = default;

void ListDevices::choose(int list, const std::string& selectorText) {
    auto root = deviceRootOf(selectorText);
    if (!root) return;
    Slot& s = slot(list);
    s.root = *root;
    s.choosing = true;
    const std::uint64_t generation = ++s.generation;
    picker_.setRoot(QString::fromStdString(*root));
    Q_EMIT choosingStarted(list);
    Q_EMIT changed(list);
    Q_EMIT diskSpaceRefreshRequested();
    jobs_.start([this, list, generation, root = *root](std::stop_token stop) {
        DeviceFolders found = discoverDeviceFolders(drives_, root);
        // What a crash or a pulled card left of the station's copies goes.
        for (const auto& folder : found.record) {
            if (stop.stop_requested()) return;
            platform::removeStationTemporaries(drives_, folder);
        }
        jobs_.post([this, list, generation, found] { chosen(list, generation, found); });
    });
}

void ListDevices::chosen(int list, std::uint64_t generation, const DeviceFolders& found) {
    Slot& s = slot(list);
    if (s.generation != generation) return;
    s.choosing = false;
    s.destinations.setRecord(found.record);
    Q_EMIT recordChanged(list, s.destinations.record());
    Q_EMIT changed(list);
    cues_.request(core::Cues::Select);
}

void ListDevices::reset(int list) {
    Slot& s = slot(list);
    ++s.generation;
    s.choosing = false;
    s.root.clear();
    s.destinations.reset();
    Q_EMIT recordChanged(list, s.destinations.record());
    Q_EMIT changed(list);
}

void ListDevices::deviceRemoved(const std::string& root) {
    for (int n = 1; n <= static_cast<int>(slots_.size()); ++n) {
        if (slot(n).root != root) continue;
        reset(n);
        picker_.setRoot(QString::fromUtf8(kDefaultDestination.data(), static_cast<qsizetype>(kDefaultDestination.size())));
    }
}

void ListDevices::listActivated(int list) {
    if (!slot(list).root.empty()) picker_.setRoot(QString::fromStdString(slot(list).root));
}

void ListDevices::openDestination(const std::string& selectorText) const {
    if (auto folder = folderToOpen(selectorText)) platform::openFolder(drives_, *folder);
}

PickOutcome ListDevices::pick(int list, std::optional<int> selectedLine, const std::string& drivePath) {
    // Every pick is acknowledged, a refused one too.
    cues_.request(core::Cues::Select);
    if (!selectedLine || *selectedLine < 0 || *selectedLine >= kMediaGroupCount) return PickOutcome::NoLineSelected;
    if (!platform::driveLetterOf(drivePath) || drivePath.find(":\\") != 1) return PickOutcome::NotADrivePath;
    Slot& s = slot(list);
    s.destinations.assign(*selectedLine, drivePath);
    Q_EMIT recordChanged(list, s.destinations.record());
    Q_EMIT changed(list);
    return PickOutcome::Assigned;
}

bool ListDevices::waitUntil(core::Job::Deadline deadline) const {
    return jobs_.waitUntil(deadline) && picker_.waitUntil(deadline);
}

std::function<std::string(const std::string&)> deviceCopyNamer(const DestinationRecord& record) {
    auto chooser = std::make_shared<FolderChooser>();
    return [record, chooser](const std::string& entry) {
        return pathInFolder(chooser->folderFor(record, entry),
                            core::displayName(entry) + std::string(core::extensionOf(entry)));
    };
}

}  // namespace zorvik::orders
