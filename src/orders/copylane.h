#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "core/jobs.h"
#include "orders/copiedfiles.h"
#include "orders/copyjob.h"
#include "orders/destinations.h"
#include "platform/copyfile.h"
#include "platform/drives.h"

namespace zorvik::core {
class Cues;
}

namespace zorvik::orders {

// The file a list's job is copying, as its tab shows it (the tab words it).
struct CopyProgress {
    bool immediate = false;
    // Batch: the file's number in the job from 1, and the job's file count.
    // Immediate: the list's counters done and added as they stand.
    int index = 0;
    int total = 0;
    QString name;  // as it is called on the device
    bool prefixed = false;
};


// The copy engine of one order list: its copy queue, its job, and the state
// of the list's tab (done label, seconds counter, bar). All five lists copy at
// once while the operator goes on working. A job reads the list's folders,
// lyrics option and total afresh for every file. A file counts as copied once
// its data is on the device; a copy that fails leaves nothing behind, and the
// job names it when it ends, as it names a file the device already had.
class CopyLane final : public QObject {
    Q_OBJECT
public:
    CopyLane(core::JobRegistry& jobs, const platform::DriveTable& drives, int list, core::Cues& cues,
             QObject* parent = nullptr);
    ~CopyLane() override;

    int list() const { return list_; }
    bool running() const;

    // The list's folders, and the root ("G:\") of the device they lie on;
    // empty for the local download folder.
    void setFolders(const DestinationRecord& folders, std::string deviceRoot = {});
    // The list's device folders are being found: a job waits for them rather
    // than copying to the folders of the device chosen before.
    void holdFolders(std::string deviceRoot = {});
    void setLyrics(bool on);
    // The list total as the tally shows it (MB with two decimals); the bar
    // runs to its whole part.
    void setListTotal(const QString& sizeText);

    // "下载": copies `entries` (the selected rows, in view order). While a
    // job of this list runs, the batch waits for it: two workers never share
    // a list, and no press is lost.
    void startBatch(std::vector<std::string> entries);
    // "同步下载": copies one item at once, after whatever the list is copying.
    void queueImmediate(std::string path);
    // One file copied by this list's job, between its own items (a picture
    // from the picture browser): the tab's counters and the hot list are not
    // touched; `done` runs on this thread with the outcome, unless the job was
    // stopped. What it writes goes into the list's record.
    void queueCopy(CopyEntry entry, std::function<void(const CopyOutcome&)> done);

    // What this list copied onto its devices in this session.
    const std::shared_ptr<CopiedFiles>& copied() const { return copied_; }

    // Whether the job has ended by `deadline`.
    bool waitUntil(core::Job::Deadline deadline) const;

    // The tab's display.
    const std::optional<CopyProgress>& progress() const { return progress_; }
    bool doneShown() const { return doneShown_; }
    int seconds() const { return seconds_; }
    int barMaximum() const { return barMaximum_; }
    int barPosition() const { return barPosition_; }
    bool barShown() const { return barShown_; }
    int immediateAdded() const { return added_; }
    int immediateDone() const { return done_; }
    // How many files the job whose end is shown did not copy; 0 after a
    // job that copied everything.
    int notCopied() const { return notCopied_; }


Q_SIGNALS:
    void runningChanged(bool running);  // the copying animation
    void fileStarted(const zorvik::orders::CopyProgress& progress);
    void displayChanged();  // progress, done label, counter, bar
    void batchFinished();
    void immediateFinished();
    // At the end of a job that could not copy everything.
    void filesNotCopied(const zorvik::orders::CopyFailures& failures);
    void diskSpaceRefreshRequested();
    void historyTrimRequested();
    // An immediate copy of `path` reached the device.
    void hotCountRequested(const QString& path);

private:
    struct Shared;
    struct Batch;
    struct Item;
    struct Outcome;
    struct Single;
    // Steps of the job, on its thread.
    void work(std::stop_token stop);
    bool runBatch(const Batch& batch, const std::stop_token& stop);
    bool runImmediate(const std::stop_token& stop);
    std::optional<Outcome> copyOne(const std::string& source, const std::string& deviceRoot, CopyProgress progress,
                                   const std::stop_token& stop);
    // Steps of the job, run on this thread on its behalf.
    void showFile(CopyProgress progress);
    void beginBatch();
    void endBatch(const CopyFailures& failures);
    void beginImmediate();
    void refreshBarMaximum();
    void immediateItemDone(const CopyFailures& failures, const QString& counted);
    void workerEnded();

    void startWorker();
    void tick();

    const platform::DriveTable& drives_;
    int list_;
    core::Cues& cues_;
    std::shared_ptr<Shared> shared_;
    std::shared_ptr<CopiedFiles> copied_;

    std::optional<CopyProgress> progress_;
    bool doneShown_ = false;
    int seconds_ = 0;
    int barMaximum_ = 0;
    int barPosition_ = 0;
    bool barShown_ = false;
    int added_ = 0;
    int done_ = 1;
    int notCopied_ = 0;
    CopyFailures immediateFailures_;
    QTimer progressTimer_{this};  // 3 MB a second against the list total

    core::Jobs jobs_;  // last: joined before the rest goes
};

}  // namespace zorvik::orders

Q_DECLARE_METATYPE(zorvik::orders::CopyProgress)
Q_DECLARE_METATYPE(zorvik::orders::CopyFailures)
