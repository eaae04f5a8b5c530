#pragma once

#include <QItemSelectionModel>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/jobs.h"
#include "orders/copiedfiles.h"
#include "orders/orderrows.h"

namespace zorvik::core {
class Cues;
}

namespace zorvik::orders {

inline constexpr int kListCount = 5;
inline constexpr int kMostAddedAtOnce = 200;

// What "删除选中的文件" says of the device files it left alone.
QString leftAloneText(int files);

// File of order list n (1 ... 5) in the data folder.
inline std::string listFileName(int list) { return "清单" + std::to_string(list) + ".txt"; }

// The five order lists. Only the active list's entries are in memory, as
// the order view's rows; the others live in their list files until they
// become active. GUI thread only.
class OrderBook final : public QObject {
    Q_OBJECT
public:
    OrderBook(core::JobRegistry& jobs, const platform::DriveTable& drives, core::ErrorReports& errors,
              std::string dataFolder, core::Cues& cues, QObject* parent = nullptr);

    const platform::DriveTable& drives() const { return drives_; }

    int active() const { return active_; }
    OrderRows& rows() { return rows_; }
    QItemSelectionModel& selection() { return selection_; }
    std::string listFile(int list) const { return dataFolder_ + listFileName(list); }
    // Rows selected in the order view, top to bottom.
    std::vector<int> selectedRows() const;

    // Start-up: list 1 is active, with the entries of its file if there is one.
    void loadFirstList();
    // Every change of the active list (add, delete, clear) is written to its
    // file at once, whole and atomically. A list file is written only when
    // its list differs from it: lines that did not decode stay as they were.
    //
    // Brings the active list's file up to date, making it when it is missing
    // (every search, a switch of lists).
    bool saveActive();
    // At close: only a list that already has a file is saved.
    bool saveActiveIfItHasAFile();

    enum class AddResult { Added, NothingNew, NothingSelected, TooMany };
    // Appends the paths not already entries (the whole path decides). More
    // than 200 at once: "对不起，一次下载的数量不能大于200" and nothing added.
    AddResult add(const std::vector<std::string>& paths);
    // More than 200 at once is refused with the message before any path is read.
    bool acceptsAtOnce(size_t count);
    // One path appended unless it is an entry already (the whole path
    // decides), without cue or tally: the picture browser does its own.
    bool appendIfNew(const std::string& path);
    void clear();
    // Removes the selected rows and the copies already made of them on the
    // device (and their lyrics); `deviceCopyOf` names the copy of an entry.
    // Only files the list's copies wrote (`copied`) are deleted: any other
    // file of that name is left, and the operator told how many were. The
    // device is left to a job: a phone may take seconds to answer.
    void deleteSelected(const std::function<std::string(const std::string& entry)>& deviceCopyOf,
                        std::shared_ptr<CopiedFiles> copied);
    // The entries of the selected rows, top to bottom; with none selected,
    // "至少要选择一个文件!" and nothing.
    std::vector<std::string> selectedEntriesOrSay();
    void switchTo(int list);
    // "全选": every row selected; from the button the view takes the focus.
    void selectAll(bool fromButton);

    // The tally of the active list is worked out once after a burst of changes.
    void requestTally();

    bool waitUntil(core::Job::Deadline deadline) const;

Q_SIGNALS:
    void activeChanged(int list);
    void message(const QString& text);
    void focusSearchBox();
    void focusOrderView();
    // The tally of the active list needs working out again.
    void tallyRequested();
    void diskSpaceRefreshRequested();

private:
    bool load(int list);
    bool write();
    // The active entries changed: saved at once, tallied soon.
    void changed();

    const platform::DriveTable& drives_;
    core::ErrorReports& errors_;
    std::string dataFolder_;
    core::Cues& cues_;
    QTimer tallyTimer_{this};  // the tally is worked out once after a burst of changes
    OrderRows rows_;
    QItemSelectionModel selection_{&rows_};
    int active_ = 1;
    bool unsaved_ = false;    // the active entries differ from the list file
    std::string unreadable_;  // why the active list's file could not be read
    // No list file is the current one until a list was read: a close, a
    // search or a change before the start-up timer must not write over it.
    bool listRead_ = false;
    core::Jobs deviceWork_;  // last: joined before the rest goes
};

}  // namespace zorvik::orders
