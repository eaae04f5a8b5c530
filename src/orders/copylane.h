#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "orders/destinations.h"

namespace zorvik::player {
class CuePlayer;
}

namespace zorvik::orders {


struct CopyLaneShared;

// The copy engine of one order list: its copy queue, its jobs on a worker
// thread, and what the list's tab shows of them. All five lists copy at once
// while the operator goes on working. A job reads the list's folders, lyrics
// option and total afresh for every file. A file counts as copied once its
// data is on the device, and a copy that fails leaves nothing behind.
class CopyLane final : public QObject {
    Q_OBJECT
public:
    CopyLane(int list, std::string stagingFolder, player::CuePlayer& cues, QObject* parent = nullptr);
    ~CopyLane() override;

    int list() const { return list_; }
    bool running() const;

    void setFolders(const DestinationRecord& folders);
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

    // The tab's display.
    QString progressText() const { return progressText_; }
    bool doneShown() const { return doneShown_; }
    int seconds() const { return seconds_; }
    int barMaximum() const { return barMaximum_; }
    int barPosition() const { return barPosition_; }
    bool barShown() const { return barShown_; }
    int immediateAdded() const { return added_; }
    int immediateDone() const { return done_; }
    QString doneText() const;

    // Steps of a job, run on this thread on the worker's behalf.
    void showProgress(const QString& text);
    void beginBatch();
    void endBatch();
    void beginImmediate();
    void refreshBarMaximum();
    void immediateItemDone();
    void workerEnded();


Q_SIGNALS:
    void runningChanged(bool running);  // the copying animation
    void displayChanged();              // progress text, done label, counter, bar
    void secondPanel(const QString& text);
    void diskSpaceRefreshRequested();
    void historyTrimRequested();
    void hotCountRequested();
    void batchFinished();
    void immediateFinished();

private:
    void startWorker();
    void tick();

    int list_;
    player::CuePlayer& cues_;
    std::shared_ptr<CopyLaneShared> shared_;

    QString progressText_;
    bool doneShown_ = false;
    int seconds_ = 0;
    int barMaximum_ = 0;
    int barPosition_ = 0;
    bool barShown_ = false;
    int added_ = 0;
    int done_ = 1;
    bool immediateRunning_ = false;
    QTimer progressTimer_{this};  // 3 MB a second against the list total
};

}  // namespace zorvik::orders
