#include "app/station.h"

#include <algorithm>

#include "core/mediafiles.h"
#include "core/oneshot.h"
#include "core/prefixed.h"
#include "core/startuptrace.h"
#include "library/cacheclean.h"
#include "library/drivemap.h"
#include "library/drivesetup.h"
#include "library/rename.h"
#include "library/walk.h"
#include "platform/copyfile.h"
#include "platform/defaultapp.h"
#include "platform/drives.h"
#include "platform/fileops.h"
#include "platform/shell.h"
#include "storage/localfolder.h"

namespace zorvik::app {

Station::Station(core::ProgramFolders folders, QObject* parent)
    : QObject(parent),
      folders_(std::move(folders)),
      settings_(folders_.settingsFile(), errors_),
      cues_(QString::fromStdString(folders_.cueFolder()), this),
      preview_(
          jobRegistry_, driveTable_, errors_, folders_.data, [] { return std::make_unique<player::QtMediaDevice>(); },
          [this](const std::string& path) { return platform::openWithDefaultApplication(driveTable_, path); },
          this) {
    core::makeOneShot(startupTimer_, "QiDTimer", 20);
    connect(&startupTimer_, &QTimer::timeout, this, &Station::startupSecondStage);
    core::makeOneShot(deferredAddTimer_, "Timer7", 10);
    connect(&deferredAddTimer_, &QTimer::timeout, this, [this] {
        deferredAddTimer_.stop();
        addSelectedResults();
    });
    for (int n = 1; n <= orders::kListCount; ++n) {
        auto lane = std::make_unique<orders::CopyLane>(jobRegistry_, driveTable_, n, cues_, this);
        connect(lane.get(), &orders::CopyLane::historyTrimRequested, &search_,
                &search::SearchController::trimHistory);
        connect(lane.get(), &orders::CopyLane::diskSpaceRefreshRequested, &removable_,
                &storage::RemovableDrives::requestDiskSpaceLine);
        connect(lane.get(), &orders::CopyLane::hotCountRequested, &hotList_, &library::HotList::requestCount);
        lanes_[static_cast<size_t>(n - 1)] = std::move(lane);
    }
    // Every search first saves the active order list.
    connect(&search_, &search::SearchController::searchStarting, &orderBook_,
            [this] { orderBook_.saveActive(); });
    connect(&orderBook_, &orders::OrderBook::message, this, &Station::messageRequested);
    connect(&orderBook_, &orders::OrderBook::focusSearchBox, &search_, &search::SearchController::focusSearchBox);
    connect(&ready_, &library::ReadyListings::message, this, &Station::messageRequested);
    connect(&orderBook_, &orders::OrderBook::tallyRequested, &tally_,
            [this] { tally_.recompute(orderBook_.active(), orderBook_.rows().entries(), orderBook_.rows().sizes()); });
    // The sizes come from a job, after the rows: the tally follows them.
    connect(&orderBook_.rows(), &orders::OrderRows::sizesKnown, &orderBook_, &orders::OrderBook::requestTally);
    connect(&tally_, &orders::Tally::listTotalChanged, this,
            [this](int list, const QString& total) { lane(list).setListTotal(total); });
    connect(&orderBook_, &orders::OrderBook::diskSpaceRefreshRequested, &removable_,
            &storage::RemovableDrives::requestDiskSpaceLine);
    connect(&orderBook_, &orders::OrderBook::activeChanged, &removable_,
            &storage::RemovableDrives::requestDiskSpaceLine);

    // A new listing, or a drive going away, puts the result list in front of the file manager.
    connect(&listings_, &library::Listings::listingStarted, &fileManager_, &storage::FileManager::goBack);
    connect(&removable_, &storage::RemovableDrives::deviceRemoved, &fileManager_,
            &storage::FileManager::driveRemoved);
    connect(&fileManager_, &storage::FileManager::message, this, &Station::messageRequested);
    connect(&localFolder_, &storage::LocalFolderUpkeep::message, this, &Station::messageRequested);
    connect(&localFolder_, &storage::LocalFolderUpkeep::diskDTextChanged, this, &Station::diskDTextChanged);

    // Drives that come and go reach the device selectors; a list whose drive
    // went away falls back to the local download folder.
    connect(&mounts_, &platform::MountWatcher::drivesChanged, &removable_,
            &storage::RemovableDrives::applyDriveChanges);
    connect(&removable_, &storage::RemovableDrives::deviceRemoved, &devices_, [this](const QString& root) {
        devices_.deviceRemoved(root.toStdString());
        // The letter may come back naming another customer's device.
        for (auto& l : lanes_) l->copied()->forgetDrive(root.toStdString());
    });
    removable_.setChosenDevice(
        [this] { return QString::fromStdString(devices_.deviceRoot(orderBook_.active())); });
    // Each list's copies follow its device folders, and wait while they are found.
    // A lane knows which device its folders are on, so that a file sent to
    // the local folder after its card was pulled is named at the job's end.
    connect(&devices_, &orders::ListDevices::choosingStarted, this,
            [this](int list) { lane(list).holdFolders(devices_.deviceRoot(list)); });
    connect(&devices_, &orders::ListDevices::recordChanged, this,
            [this](int list, const orders::DestinationRecord& record) {
                lane(list).setFolders(record, devices_.deviceRoot(list));
            });
    connect(&devices_, &orders::ListDevices::diskSpaceRefreshRequested, &removable_,
            &storage::RemovableDrives::requestDiskSpaceLine);
    connect(&orderBook_, &orders::OrderBook::activeChanged, &devices_, &orders::ListDevices::listActivated);
    // Every new row of a listing makes its first result the current item.
    connect(&results(), &library::ResultList::countChanged, this, [this](int rows) {
        if (rows > 0 && currentItem() != results().path(0)) setCurrentItem(results().path(0));
    });
    connect(&preview_, &player::PreviewPlayer::currentItemChanged, this, &Station::currentItemChanged);
    connect(&preview_, &player::PreviewPlayer::message, this, &Station::messageRequested);
    // Number search: the first hit is selected, made current and, 10 ms
    // later, added to the active order list as a double-click would.
    connect(&search_, &search::SearchController::firstHitChosen, this, [this] {
        resultSelection_.select(results().index(0, 0),
                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        resultSelection_.setCurrentIndex(results().index(0, 0), QItemSelectionModel::NoUpdate);
        setCurrentItem(results().path(0));
        core::requestOnce(deferredAddTimer_);
    });
    // The picture browser: its ends sound the error cue; a double-clicked
    // picture goes into the active list and, with "同步下载", onto its device.
    connect(&pictures_, &library::PictureBrowser::endReached, this, [this] { cues_.request(core::Cues::Error); });
    connect(&pictures_, &library::PictureBrowser::addRequested, this, [this](const QString& path) {
        std::optional<std::string> folder;
        if (syncDownload_) folder = devices_.destinations(orderBook_.active()).folder(core::Picture);
        pictureOrder_.add(path.toStdString(), folder, activeLane());
    });
    connect(&pictureOrder_, &orders::PictureOrder::copied, &removable_,
            &storage::RemovableDrives::requestDiskSpaceLine);
}

Station::~Station() { platform::clearCopySources(); }

void Station::applyCopySources() {
    std::vector<std::string> folders{storage::kLocalDownloadFolder};
    for (const auto& text : drives_)
        if (auto letter = library::driveOfBoxText(text)) folders.push_back(library::libraryRoot(std::string(1, *letter)));
    platform::setCopySources(std::move(folders));
}

void Station::create() {
    if (!platform::folderExists(driveTable_, folders_.data)) (void)platform::createFolders(driveTable_, folders_.data);
    platform::removeStationTemporaries(driveTable_, folders_.data);  // of saves cut short by a crash
    settings_.reportProblem();

    // Drive letters map to folders before anything names a drive path; data
    // disks new to the station get letters of their own.
    library::applyDriveSection(driveTable_, settings_);
    library::letterNewDisks(driveTable_, settings_, platform::fixedDataDisks(platform::readMountTable()));
    // Removable drives: the ones present now, then every arrival and removal.
    mounts_.refresh();

    // Input methods of the basic-settings panel are listed here.
    bool anyDrive = false;
    for (int n = 0; n < library::kLibraryDriveCount; ++n) {
        const std::string key = core::keys::libraryDrive(n + 1);
        drives_[static_cast<size_t>(n)] = settings_.read(key, key);
        anyDrive = anyDrive || !drives_[static_cast<size_t>(n)].empty();
    }
    applyCopySources();
    Q_EMIT libraryDrivesLoaded();
    if (!anyDrive) Q_EMIT basicSettingsRequested();
    removable_.start();
    core::traceStartup("created");
}

void Station::firstShow() {
    core::traceStartup("first shown");
    library::cleanCachedMedia(driveTable_, folders_.data);
    localFolder_.startUpCheck();
    storage::cleanStagingFolders(driveTable_);
    storage::removeStaleTemporaries(driveTable_);
    Q_EMIT savedSkinRequested();
    patterns_ = search::SearchPatterns::warmUp();
    // No category tab is selected here, so the warm-up covers whole roots.
    search_.selectTab(search::kNoTab);
    startWarmUp();
    core::requestOnce(startupTimer_);
}

void Station::startupSecondStage() {
    startupTimer_.stop();
    hotList_.loadInBackground(folders_.data + std::string(library::kHotListFileName));
    orderBook_.loadFirstList();
    Q_EMIT orderBook_.tallyRequested();
    preview_.loadPlaylist();
    singers_.load(folders_.data + std::string(search::kSingerFileName));
    storage::createStagingFolders(driveTable_);
    // Only exactly "true" counts as on; a change acts as the operator's click would.
    const bool sync = settings_.read(core::keys::kSyncDownload) == "true";
    const bool number = settings_.read(core::keys::kNumberSearch) == "true";
    if (sync != syncDownload_) setSyncDownload(sync);
    if (number != search_.numberMode()) search_.setNumberMode(number);
    Q_EMIT optionBoxesLoaded(sync, number);
    search_.selectTab(0);
    cues_.request(core::Cues::Startup);
    // The search box takes the focus with its input method here.
    Q_EMIT startupFinished();
    core::traceStartup("start-up timer done");
}

void Station::startWarmUp() {
    auto roots = library::searchRoots(drives_, 0);
    std::string pattern = patterns_.walkPattern();
    listings_.startListing();
    // The operator may search while the cache warms up; a search takes the
    // result list over, and the warm-up walks on without adding rows.
    listings_.runThreaded(
        QStringLiteral("正在整理缓存 ... 请稍等 ！"),
        [roots, pattern](library::HitSink& sink) {
            library::walk(
                sink.drives(), roots, pattern, [&sink](std::string_view path) { sink.add(path); return !sink.stopRequested(); },
                [&sink] { sink.tick(); return !sink.stopRequested(); });
        },
        [this](std::int64_t hits) {
            cues_.request(hits > 0 ? core::Cues::Found : core::Cues::Error);
            listings_.endThreaded();
            Q_EMIT warmUpFinished(hits);
            core::traceStartup("就绪！");
        },
        /*keepSearch=*/true);
}

int Station::closeQuery() {
    orderBook_.saveActiveIfItHasAFile();
    hotList_.saveIfFileExists();
    preview_.deleteDecodedCopy();
    return cues_.playExitSound();
}

void Station::close() {
    stopJobs();
    std::string script = folders_.program + "bt.sh";
    if (platform::fileExists(script)) platform::startScriptDetached(driveTable_, script);
}

void Station::stopJobs() {
    closedAt_ = std::chrono::steady_clock::now();
    jobRegistry_.stopAll();
}

bool Station::jobsEnded() {
    if (closedAt_ == std::chrono::steady_clock::time_point{}) stopJobs();  // ended without a close
    // Jobs that write get time to finish or clean up; jobs that only read
    // lose nothing when cut short. A thread in a call on a disk that answers
    // late holds the process's end until that call returns, so the sooner the
    // process ends, the fewer such calls it waits for.
    return jobRegistry_.waitAll(closedAt_ + std::chrono::milliseconds(1500),
                                closedAt_ + std::chrono::milliseconds(100));
}

void Station::destroy() {
    // The drive events stop with the mount watcher, which the station owns.
}

std::vector<int> Station::selectedResultRows() const {
    std::vector<int> rows;
    for (const auto& range : resultSelection_.selection())
        for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
    std::sort(rows.begin(), rows.end());  // top to bottom, whatever order they were picked in
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void Station::addSelectedResults() {
    const std::vector<int> rows = selectedResultRows();
    if (rows.empty() || !orderBook_.acceptsAtOnce(rows.size())) return;
    std::vector<std::string> paths;
    for (int row : rows) paths.push_back(results().path(row));
    if (orderBook_.add(paths) == orders::OrderBook::AddResult::TooMany) return;
    // Even an item already in the list is copied when asked for.
    if (syncDownload_ && !currentItem().empty()) activeLane().queueImmediate(currentItem());
}

void Station::batchAddResults() {
    setSyncDownload(false);
    addSelectedResults();
}

void Station::setSyncDownload(bool on) {
    syncDownload_ = on;
    Q_EMIT syncDownloadChanged(on);
    Q_EMIT search_.focusSearchBox();
    cues_.request(core::Cues::Select);
}

void Station::downloadSelected() {
    if (auto entries = orderBook_.selectedEntriesOrSay(); !entries.empty()) activeLane().startBatch(std::move(entries));
}

void Station::copySelectedToLocalDisk() {
    if (auto entries = orderBook_.selectedEntriesOrSay(); !entries.empty()) localCopy_.start(std::move(entries));
}

void Station::deleteResultForGood() {
    const std::vector<int> rows = selectedResultRows();
    if (!rows.empty()) fileManager_.deleteResultForGood(results(), rows.front());
}

void Station::deleteSelectedEntries() {
    orderBook_.deleteSelected(orders::deviceCopyNamer(devices_.destinations(orderBook_.active()).record()),
                              activeLane().copied());
}

void Station::makeResultCurrent(int row) {
    if (row < 0 || row >= results().count()) return;
    const std::string& path = results().path(row);
    preview_.makeResultCurrent(row, path, std::string(core::fileNameOf(path)));
    Q_EMIT statusText(QString::fromStdString(currentItem()));
}

void Station::makeEntryCurrent(int row) {
    if (row < 0 || row >= orderBook_.rows().count()) return;
    const std::string& entry = orderBook_.rows().entry(row);
    preview_.makeEntryCurrent(row, entry, core::displayName(entry));
}

std::vector<player::PlaylistEntry> Station::resultEntries(const std::vector<int>& rows) {
    std::vector<player::PlaylistEntry> entries;
    entries.reserve(rows.size());
    auto& list = listings_.results();
    for (int row : rows)
        entries.push_back({list.path(row), list.data(list.index(row, library::ResultList::Name), Qt::DisplayRole)
                                               .toString()
                                               .toStdString()});
    return entries;
}

std::vector<player::PlaylistEntry> Station::selectedOrderEntries() {
    std::vector<player::PlaylistEntry> entries;
    auto& rows = orderBook_.rows();
    for (int row : orderBook_.selectedRows())
        entries.push_back({rows.entry(row), rows.data(rows.index(row, orders::OrderRows::Name), Qt::DisplayRole)
                                                .toString()
                                                .toStdString()});
    return entries;
}

void Station::playResults() { preview_.playAddingToPlaylist(resultEntries(selectedResultRows())); }

void Station::addResultsToPlaylist() { preview_.addToPlaylist(resultEntries(selectedResultRows())); }

void Station::addAllResultsToPlaylist() {
    std::vector<int> rows(static_cast<size_t>(results().count()));
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<int>(i);
    preview_.addAllToPlaylist(resultEntries(rows));
}

void Station::playEntries() { preview_.playAddingToPlaylist(selectedOrderEntries()); }

void Station::addEntriesToPlaylist() { preview_.addToPlaylist(selectedOrderEntries()); }

void Station::setLibraryDrive(int index, const std::string& text) {
    if (index < 0 || index >= library::kLibraryDriveCount) return;
    drives_[static_cast<size_t>(index)] = text;
    applyCopySources();
}

void Station::setCurrentItem(std::string path, std::string shownName) {
    if (shownName.empty()) shownName = core::fileNameOf(path);
    preview_.setCurrentItem(std::move(path), std::move(shownName));
}

platform::Result<std::string> Station::renameResult(int row, const std::string& newName) {
    if (row < 0 || row >= results().count()) return platform::Result<std::string>(platform::FileError{ENOENT, {}});
    const std::string oldPath = results().path(row);
    auto newPath = library::renameResult(results(), row, newName);
    if (newPath && currentItem() == oldPath) {
        setCurrentItem(*newPath);
        Q_EMIT statusText(QString::fromStdString(currentItem()));  // it names the current item
    }
    return newPath;
}

}  // namespace zorvik::app
