#pragma once

#include <QObject>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/jobs.h"
#include "orders/destinations.h"
#include "storage/foldertree.h"

namespace zorvik::core {
class Cues;
}

namespace zorvik::orders {

// The device each of the five order lists copies to: its destination record
// and selector lines, the root of the removable drive chosen for it, and the
// folder picker that all five share.
// Choosing a device finds or makes its folders and removes the station's
// stale temporary files from them on a job, since a phone may take seconds to
// answer; the list's copies wait for the folders meanwhile. GUI thread.
class ListDevices final : public QObject {
    Q_OBJECT
public:
    ListDevices(core::JobRegistry& jobs, const platform::DriveTable& drives, core::Cues& cues,
                QObject* parent = nullptr);

    const platform::DriveTable& drives() const { return drives_; }
    ~ListDevices() override;

    const ListDestinations& destinations(int list) const { return slot(list).destinations; }
    // Root ("G:\") of the removable drive list n has chosen; empty when none.
    const std::string& deviceRoot(int list) const { return slot(list).root; }
    // While list n's device folders are being found.
    bool choosing(int list) const { return slot(list).choosing; }
    // The folder picker: rooted at a device when it is chosen, and when its
    // list becomes the active one; at the local download folder after the
    // device went away.
    storage::FolderTreeModel& folderPicker() { return picker_; }
    void listActivated(int list);

    // The operator picked an entry of list n's device selector. Nothing
    // happens for a text that names no device.
    void choose(int list, const std::string& selectorText);
    // Back to the local download folder.
    void reset(int list);
    // A removable drive went away: the lists that had chosen it fall back.
    void deviceRemoved(const std::string& root);
    // A folder picked by hand (a drive path) becomes the folder of the media
    // group whose line is selected in list n's destination selector.
    PickOutcome pick(int list, std::optional<int> selectedLine, const std::string& drivePath);

    // "打开": the folder a destination selector text names, in the desktop's file manager.
    void openDestination(const std::string& selectorText) const;

    bool waitUntil(core::Job::Deadline deadline) const;

Q_SIGNALS:
    // List n's device folders are being found: its copies wait for them.
    void choosingStarted(int list);
    // List n's folders changed: its copy lane follows.
    void recordChanged(int list, const zorvik::orders::DestinationRecord& record);
    // List n's lines or chosen device changed: its tab shows them.
    void changed(int list);
    void diskSpaceRefreshRequested();

private:
    struct Slot {
        ListDestinations destinations;
        std::string root;
        bool choosing = false;
        std::uint64_t generation = 0;  // a choice overtaken by another, or by a reset, is dropped
    };
    Slot& slot(int list) { return slots_[static_cast<size_t>(list - 1)]; }
    const Slot& slot(int list) const { return slots_[static_cast<size_t>(list - 1)]; }
    void chosen(int list, std::uint64_t generation, const DeviceFolders& found);

    const platform::DriveTable& drives_;
    core::Cues& cues_;
    std::array<Slot, 5> slots_;
    storage::FolderTreeModel picker_;
    core::Jobs jobs_;  // last: joined before the rest goes
};

// Where "删除选中的文件" finds an entry's copy: the list's folder for its media
// group (a file in no group follows the previous entry's folder), the display
// name and the extension. One namer per deletion.
std::function<std::string(const std::string& entry)> deviceCopyNamer(const DestinationRecord& record);

}  // namespace zorvik::orders
