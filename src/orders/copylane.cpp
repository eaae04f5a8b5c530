#include "orders/copylane.h"

#include <condition_variable>
#include <deque>
#include <mutex>

#include "core/cues.h"
#include "core/mediafiles.h"
#include "core/prefixed.h"
#include "platform/fileops.h"
#include "platform/process.h"

namespace zorvik::orders {

// Work carries the device its list had when it was asked for, so that a
// file that ends up elsewhere is named.
struct CopyLane::Batch {
    std::vector<std::string> entries;
    std::string deviceRoot;
};
struct CopyLane::Item {
    std::string path;
    std::string deviceRoot;
};
struct CopyLane::Single {
    CopyEntry entry;
    std::function<void(const CopyOutcome&)> done;
};
struct CopyLane::Outcome {
    CopyFailures failures;
    bool landed = false;  // the file itself is on the device it was meant for
};

// What the list's job shares with the list: everything under one mutex.
struct CopyLane::Shared {
    std::mutex mutex;
    std::condition_variable_any foldersSet;
    DestinationRecord folders = defaultDestinationRecord();
    std::string deviceRoot;  // of `folders`, or of the device being chosen
    bool foldersHeld = false;
    bool lyrics = false;
    int barMaximum = 0;
    std::deque<Batch> batches;  // each "下载" press, in turn
    std::deque<Item> immediate;
    std::deque<Single> singles;  // copies asked for by others, taken first: each is one file
    bool running = false;
    FolderChooser chooser;  // a file in no media group follows the list's previous file
};

CopyLane::CopyLane(core::JobRegistry& jobs, const platform::DriveTable& drives, int list, core::Cues& cues,
                   QObject* parent)
    : QObject(parent),
      drives_(drives),
      list_(list),
      cues_(cues),
      shared_(std::make_shared<Shared>()),
      copied_(std::make_shared<CopiedFiles>()),
      jobs_(this, jobs, core::JobKind::Writes) {
    qRegisterMetaType<CopyProgress>();
    qRegisterMetaType<CopyFailures>();
    progressTimer_.setObjectName(QStringLiteral("progressTimer%1").arg(list));
    progressTimer_.setInterval(1000);
    connect(&progressTimer_, &QTimer::timeout, this, &CopyLane::tick);
}

CopyLane::~CopyLane() = default;

bool CopyLane::running() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->running;
}

void CopyLane::setFolders(const DestinationRecord& folders, std::string deviceRoot) {
    std::lock_guard lock(shared_->mutex);
    shared_->folders = folders;
    shared_->deviceRoot = std::move(deviceRoot);
    shared_->foldersHeld = false;
    shared_->foldersSet.notify_all();
}

void CopyLane::holdFolders(std::string deviceRoot) {
    std::lock_guard lock(shared_->mutex);
    shared_->deviceRoot = std::move(deviceRoot);
    shared_->foldersHeld = true;
}

void CopyLane::setLyrics(bool on) {
    std::lock_guard lock(shared_->mutex);
    shared_->lyrics = on;
}

void CopyLane::setListTotal(const QString& sizeText) {
    std::lock_guard lock(shared_->mutex);
    shared_->barMaximum = static_cast<int>(sizeText.toDouble());
}

void CopyLane::startBatch(std::vector<std::string> entries) {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->batches.push_back({std::move(entries), shared_->deviceRoot});
    }
    if (list_ != 1) cues_.request(core::Cues::Select);
    startWorker();
}

void CopyLane::queueImmediate(std::string path) {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->immediate.push_back({std::move(path), shared_->deviceRoot});
    }
    ++added_;
    startWorker();
}

void CopyLane::queueCopy(CopyEntry entry, std::function<void(const CopyOutcome&)> done) {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->singles.push_back({std::move(entry), std::move(done)});
    }
    startWorker();
}

bool CopyLane::waitUntil(core::Job::Deadline deadline) const { return jobs_.waitUntil(deadline); }

void CopyLane::startWorker() {
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->running) return;  // the running job takes the new work up
        shared_->running = true;
    }
    Q_EMIT runningChanged(true);
    jobs_.start([this](std::stop_token stop) { work(stop); });
}

void CopyLane::work(std::stop_token stop) {
    platform::lowerCurrentThreadPriority();
    for (;;) {
        Batch batch;
        bool haveBatch = false;
        std::optional<Single> single;
        {
            std::lock_guard lock(shared_->mutex);
            if (stop.stop_requested()) {
                shared_->running = false;
                return;
            }
            if (!shared_->singles.empty()) {
                single = std::move(shared_->singles.front());
                shared_->singles.pop_front();
            } else if (!shared_->immediate.empty()) {
                // Items to copy at once go first; a waiting batch follows.
            } else if (!shared_->batches.empty()) {
                batch = std::move(shared_->batches.front());
                shared_->batches.pop_front();
                haveBatch = true;
            } else {
                shared_->running = false;
                jobs_.post([this] { workerEnded(); });
                return;
            }
        }
        if (single) {
            auto outcome = CopyJob(drives_, copied_).copy(single->entry, stop);
            if (outcome.stopped) {
                std::lock_guard lock(shared_->mutex);
                shared_->running = false;
                return;
            }
            jobs_.post([done = std::move(single->done), outcome] { done(outcome); });
            continue;
        }
        if (!(haveBatch ? runBatch(batch, stop) : runImmediate(stop))) {
            std::lock_guard lock(shared_->mutex);
            shared_->running = false;
            return;  // stopped: the station is closing, nobody is told
        }
    }
}

bool CopyLane::runBatch(const Batch& batch, const std::stop_token& stop) {
    const int total = static_cast<int>(batch.entries.size());
    jobs_.post([this] { beginBatch(); });
    CopyFailures failures;
    for (int i = 1; i <= total; ++i) {
        jobs_.post([this] { Q_EMIT diskSpaceRefreshRequested(); });
        auto outcome =
            copyOne(batch.entries[static_cast<size_t>(i - 1)], batch.deviceRoot, {false, i, total, {}, false}, stop);
        if (!outcome) return false;
        failures += outcome->failures;
    }
    jobs_.post([this, failures] { endBatch(failures); });
    return true;
}

bool CopyLane::runImmediate(const std::stop_token& stop) {
    jobs_.post([this] { beginImmediate(); });
    for (;;) {
        Item item;
        {
            std::lock_guard lock(shared_->mutex);
            if (shared_->immediate.empty()) return true;
            item = std::move(shared_->immediate.front());
            shared_->immediate.pop_front();
        }
        jobs_.post([this] { refreshBarMaximum(); });
        auto outcome = copyOne(item.path, item.deviceRoot, {true, 0, 0, {}, false}, stop);
        if (!outcome) return false;
        // The hot list counts the file that was copied, whatever is current by then.
        const QString counted = outcome->landed ? QString::fromStdString(item.path) : QString();
        jobs_.post([this, failures = outcome->failures, counted] { immediateItemDone(failures, counted); });
    }
}

// Copies one entry into its media group's folder on the device: a prefixed
// file as its plain media bytes, straight from the library file, under the
// name without the marker; lyrics beside songs when asked for. A file already
// on the device is left alone. Returns the files that did not land where
// they were meant to, or nothing when the job was stopped.
std::optional<CopyLane::Outcome> CopyLane::copyOne(const std::string& source, const std::string& deviceRoot,
                                                   CopyProgress progress, const std::stop_token& stop) {
    const auto group = core::mediaGroupOf(core::extensionOf(source));
    std::string folder;
    bool lyrics = false;
    bool elsewhere = false;
    {
        std::unique_lock lock(shared_->mutex);
        // A device being chosen for the list: its folders are what counts.
        if (!shared_->foldersSet.wait(lock, stop, [this] { return !shared_->foldersHeld; })) return std::nullopt;
        folder = shared_->chooser.folderFor(shared_->folders, source);
        lyrics = shared_->lyrics && group == core::Audio;
        // The device the work was asked for has gone from the list since.
        elsewhere = !deviceRoot.empty() && shared_->deviceRoot != deviceRoot;
    }
    auto copied = CopyJob(drives_, copied_).copy(
        {source, folder, platform::Overwrite::No, lyrics}, stop, [&](const std::string& name, bool prefixed) {
            progress.name = QString::fromStdString(name);
            progress.prefixed = prefixed;
            jobs_.post([this, progress] { showFile(progress); });
        });
    if (copied.stopped) return std::nullopt;
    Outcome outcome;
    if (elsewhere && copied.landed) {
        // Copied, but not onto the device the work was asked for.
        auto item = CopyJob::failureOf(source, copied.name, copied.result);
        item.storedIn = QString::fromStdString(folder);
        outcome.failures += item;
        outcome.failures += copied.lyricsFailures;
    } else {
        outcome.failures = copied.failures();
    }
    // A file the device had already is on it all the same: the customer asked for it.
    outcome.landed = copied.landed && !elsewhere;
    return outcome;
}

void CopyLane::workerEnded() {
    if (!running()) Q_EMIT runningChanged(false);
}

void CopyLane::tick() {
    barPosition_ = std::min(barPosition_ + 3, barMaximum_);
    ++seconds_;
    Q_EMIT displayChanged();
}

void CopyLane::showFile(CopyProgress progress) {
    doneShown_ = false;
    if (progress.immediate) {
        // The immediate job's text carries the counters as they stand now.
        progress.index = done_;
        progress.total = added_;
        if (!progressTimer_.isActive()) progressTimer_.start();
    }
    progress_ = progress;
    Q_EMIT fileStarted(progress);
    Q_EMIT displayChanged();
}

void CopyLane::beginBatch() {
    notCopied_ = 0;
    barPosition_ = 0;
    {
        std::lock_guard lock(shared_->mutex);
        barMaximum_ = shared_->barMaximum;
    }
    barShown_ = true;
    seconds_ = 0;
    Q_EMIT diskSpaceRefreshRequested();
    progressTimer_.start();
    Q_EMIT displayChanged();
}

void CopyLane::endBatch(const CopyFailures& failures) {
    Q_EMIT diskSpaceRefreshRequested();
    progress_.reset();
    doneShown_ = true;
    notCopied_ = static_cast<int>(failures.size());
    progressTimer_.stop();
    barPosition_ = barMaximum_;
    cues_.request(core::Cues::Copied);
    Q_EMIT displayChanged();
    Q_EMIT batchFinished();
    if (!failures.isEmpty()) Q_EMIT filesNotCopied(failures);
}

void CopyLane::beginImmediate() {
    notCopied_ = 0;
    barPosition_ = 0;
    barShown_ = true;
    seconds_ = 0;
    Q_EMIT displayChanged();
}

void CopyLane::refreshBarMaximum() {
    std::lock_guard lock(shared_->mutex);
    barMaximum_ = shared_->barMaximum;
}

void CopyLane::immediateItemDone(const CopyFailures& failures, const QString& counted) {
    ++done_;
    immediateFailures_ += failures;
    bool finished = false;
    if (added_ < done_) {
        Q_EMIT diskSpaceRefreshRequested();
        progress_.reset();
        doneShown_ = true;
        notCopied_ = static_cast<int>(immediateFailures_.size());
        barPosition_ = barMaximum_;
        progressTimer_.stop();
        if (list_ == 1 || list_ == 2) barShown_ = false;
        finished = true;
    }
    Q_EMIT diskSpaceRefreshRequested();
    Q_EMIT historyTrimRequested();
    if (!counted.isEmpty()) Q_EMIT hotCountRequested(counted);
    Q_EMIT displayChanged();
    if (finished) {
        Q_EMIT immediateFinished();
        if (!immediateFailures_.isEmpty()) Q_EMIT filesNotCopied(std::exchange(immediateFailures_, {}));
    }
}

}  // namespace zorvik::orders
