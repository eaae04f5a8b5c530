#include "orders/copylane.h"

#include <deque>
#include <mutex>
#include <thread>

#include "library/files.h"
#include "library/prefixed.h"
#include "platform/fileops.h"
#include "platform/process.h"
#include "platform/wildcard.h"
#include "player/cueplayer.h"

namespace zorvik::orders {

// What the list's worker shares with the list: everything under one mutex.
// The worker outlives nothing: once the lane is gone its reports are dropped.
struct CopyLaneShared {
    std::mutex mutex;
    CopyLane* lane = nullptr;
    int list = 0;
    std::string staging;
    DestinationRecord folders = defaultDestinationRecord();
    bool lyrics = false;
    int barMaximum = 0;
    std::deque<std::vector<std::string>> batches;  // each "下载" press, in turn
    std::deque<std::string> immediate;
    bool running = false;
    FolderChooser chooser;  // a file in no media group follows the list's previous file

    // Runs `step` on the lane's thread, if the lane still exists.
    template <typename Step>
    void post(Step step) {
        std::lock_guard lock(mutex);
        if (!lane) return;
        QMetaObject::invokeMethod(lane, [l = lane, step] { step(*l); }, Qt::QueuedConnection);
    }
};

namespace {

using Shared = std::shared_ptr<CopyLaneShared>;
using TextOf = std::function<QString(const QString& name, bool prefixed)>;

std::string withExtension(const std::string& path, std::string_view extension) {
    return path.substr(0, path.size() - library::extensionOf(path).size()) + std::string(extension);
}

// Copies one entry into its media group's folder on the device: a prefixed
// file as its plain media bytes under the name without the marker, through
// the list's staging folder; lyrics beside songs when asked for. A file
// already on the device is left alone.
void fileStep(const Shared& s, const std::string& source, const TextOf& textOf) {
    const auto group = library::mediaGroupOf(library::extensionOf(source));
    std::string folder;
    std::string staging;
    bool lyrics = false;
    {
        std::lock_guard lock(s->mutex);
        folder = s->chooser.folderFor(s->folders, source);
        staging = s->staging;
        lyrics = s->lyrics && group == library::Audio;
    }
    const std::string sourceFolder(source.substr(0, source.size() - library::fileNameOf(source).size()));
    const bool prefixed = library::isPrefixed(source);
    const std::string name = prefixed ? library::plainNameOf(library::fileNameOf(source))
                                      : std::string(library::fileNameOf(source));
    const std::string destination = pathInFolder(folder, name);
    const QString shownName = QString::fromStdString(name);
    s->post([text = textOf(shownName, prefixed)](CopyLane& lane) { lane.showProgress(text); });

    if (!prefixed) {
        if (!platform::fileExists(destination))
            platform::copyFile(source, destination, platform::Overwrite::No);
    } else {
        const std::string stagingFile = staging + name;
        // A plain copy that failed must not reach the device. The staging
        // file is gone again once on the device, so it is not flushed.
        if (platform::copyFile(source, stagingFile, platform::Overwrite::Yes, library::kPrefixBlockSize,
                               platform::Flush::No)) {
            if (!platform::fileExists(destination))
                platform::copyFile(stagingFile, destination, platform::Overwrite::No);
            if (stagingFile != destination) platform::deleteFile(stagingFile);
        }
    }
    if (lyrics) {
        // A prefixed song's lyrics lie in the library under the plain name.
        const std::string lyricsSource = withExtension(sourceFolder + name, ".lrc");
        if (platform::fileExists(lyricsSource))
            platform::copyFile(lyricsSource, withExtension(destination, ".lrc"), platform::Overwrite::Yes);
    }
}

QString batchText(int list, int i, int total, const QString& name, bool prefixed) {
    const QString count = QString::number(i) + QStringLiteral("/") + QString::number(total);
    switch (list) {
        case 1: return count + QStringLiteral(" 正在下载...") + name;
        case 2: return QStringLiteral("正在下载： ") + name;
        case 3: return count + QStringLiteral("正在下载： ") + name;
        case 4: return (prefixed ? QStringLiteral("正在下载...") : QStringLiteral("正在下载")) + count + name;
        default: return count + QStringLiteral("正在下载...") + name;
    }
}

void runBatch(const Shared& s, const std::vector<std::string>& entries) {
    const int total = static_cast<int>(entries.size());
    s->post([](CopyLane& lane) { lane.beginBatch(); });
    for (int i = 1; i <= total; ++i) {
        s->post([](CopyLane& lane) { Q_EMIT lane.diskSpaceRefreshRequested(); });
        const int list = s->list;
        fileStep(s, entries[static_cast<size_t>(i - 1)], [&](const QString& name, bool prefixed) {
            return batchText(list, i, total, name, prefixed);
        });
        if (list == 2 || (list == 4 && library::isPrefixed(entries[static_cast<size_t>(i - 1)]))) {
            QString panel = QStringLiteral("正在下载...") + QString::number(i) + QStringLiteral("/") +
                            QString::number(total);
            s->post([panel](CopyLane& lane) { Q_EMIT lane.secondPanel(panel); });
        }
    }
    s->post([](CopyLane& lane) { lane.endBatch(); });
}

void runImmediate(const Shared& s) {
    s->post([](CopyLane& lane) { lane.beginImmediate(); });
    for (;;) {
        std::string item;
        {
            std::lock_guard lock(s->mutex);
            if (s->immediate.empty()) break;
            item = std::move(s->immediate.front());
            s->immediate.pop_front();
        }
        s->post([](CopyLane& lane) { lane.refreshBarMaximum(); });
        fileStep(s, item, [](const QString& name, bool) {
            return name;  // the counters are read on the lane's thread
        });
        s->post([](CopyLane& lane) { lane.immediateItemDone(); });
    }
}

void work(const Shared& s) {
    platform::lowerCurrentThreadPriority();
    for (;;) {
        std::vector<std::string> batch;
        bool haveBatch = false;
        {
            std::lock_guard lock(s->mutex);
            if (!s->immediate.empty()) {
                // Items to copy at once go first; a waiting batch follows.
            } else if (!s->batches.empty()) {
                batch = std::move(s->batches.front());
                s->batches.pop_front();
                haveBatch = true;
            } else {
                s->running = false;
                if (s->lane)
                    QMetaObject::invokeMethod(s->lane, [l = s->lane] { l->workerEnded(); },
                                              Qt::QueuedConnection);
                return;
            }
        }
        if (haveBatch)
            runBatch(s, batch);
        else
            runImmediate(s);
    }
}

}  // namespace

CopyLane::CopyLane(int list, std::string stagingFolder, player::CuePlayer& cues, QObject* parent)
    : QObject(parent), list_(list), cues_(cues), shared_(std::make_shared<CopyLaneShared>()) {
    shared_->lane = this;
    shared_->list = list;
    shared_->staging = std::move(stagingFolder);
    progressTimer_.setObjectName(QStringLiteral("progressTimer%1").arg(list));
    progressTimer_.setInterval(1000);
    connect(&progressTimer_, &QTimer::timeout, this, &CopyLane::tick);
}

CopyLane::~CopyLane() {
    std::lock_guard lock(shared_->mutex);
    shared_->lane = nullptr;  // a running job finishes its file and reports to no one
}

bool CopyLane::running() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->running;
}

QString CopyLane::doneText() const {
    return QStringLiteral("清单") + QString::number(list_) + QStringLiteral(" 下载完成！");
}

void CopyLane::setFolders(const DestinationRecord& folders) {
    std::lock_guard lock(shared_->mutex);
    shared_->folders = folders;
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
        shared_->batches.push_back(std::move(entries));
    }
    if (list_ != 1) cues_.request(player::Select);
    startWorker();
}

void CopyLane::queueImmediate(std::string path) {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->immediate.push_back(std::move(path));
    }
    ++added_;
    startWorker();
}

void CopyLane::startWorker() {
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->running) return;  // the running worker takes the new work up
        shared_->running = true;
    }
    Q_EMIT runningChanged(true);
    // Detached: shutdown does not wait for a copy, and the worker keeps the
    // shared state alive for as long as it needs it.
    std::thread([s = shared_] { work(s); }).detach();
}

void CopyLane::workerEnded() {
    if (!running()) Q_EMIT runningChanged(false);
}

void CopyLane::tick() {
    barPosition_ = std::min(barPosition_ + 3, barMaximum_);
    ++seconds_;
    Q_EMIT displayChanged();
}

void CopyLane::showProgress(const QString& text) {
    doneShown_ = false;
    // The immediate job's text carries the counters as they stand now.
    progressText_ = immediateRunning_ ? QString::number(done_) + QStringLiteral("/") +
                                            QString::number(added_) + QStringLiteral("正在下载...") + text
                                      : text;
    if (immediateRunning_ && !progressTimer_.isActive()) progressTimer_.start();
    Q_EMIT displayChanged();
}

void CopyLane::beginBatch() {
    immediateRunning_ = false;
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

void CopyLane::endBatch() {
    Q_EMIT diskSpaceRefreshRequested();
    progressText_.clear();
    doneShown_ = true;
    progressTimer_.stop();
    barPosition_ = barMaximum_;
    if (list_ == 3 || list_ == 5) Q_EMIT secondPanel(QStringLiteral("下载完成!"));
    cues_.request(player::Copied);
    Q_EMIT displayChanged();
    Q_EMIT batchFinished();
}

void CopyLane::beginImmediate() {
    immediateRunning_ = true;
    barPosition_ = 0;
    barShown_ = true;
    seconds_ = 0;
    Q_EMIT displayChanged();
}

void CopyLane::refreshBarMaximum() {
    std::lock_guard lock(shared_->mutex);
    barMaximum_ = shared_->barMaximum;
}

void CopyLane::immediateItemDone() {
    ++done_;
    if (added_ < done_) {
        Q_EMIT diskSpaceRefreshRequested();
        progressText_.clear();
        doneShown_ = true;
        barPosition_ = barMaximum_;
        progressTimer_.stop();
        if (list_ == 1) Q_EMIT secondPanel(QStringLiteral("复制完成!"));
        if (list_ == 1 || list_ == 2) barShown_ = false;
        immediateRunning_ = false;
        Q_EMIT immediateFinished();
    }
    Q_EMIT diskSpaceRefreshRequested();
    Q_EMIT historyTrimRequested();
    Q_EMIT hotCountRequested();
    Q_EMIT displayChanged();
}

}  // namespace zorvik::orders
