#include "app/station.h"

#include "core/oneshot.h"
#include "library/walk.h"
#include "platform/drives.h"
#include "platform/fileops.h"
#include "platform/shell.h"
#include "storage/localfolder.h"

namespace zorvik::app {

namespace {

constexpr std::int64_t kMegabyte = 1024 * 1024;
constexpr std::int64_t kLowDiskDMegabytes = 2048;

std::vector<std::pair<char, std::string>> driveSection(const core::Settings& settings) {
    std::vector<std::pair<char, std::string>> drives;
    for (const auto& [key, value] : settings.readSection("Drives"))
        if (key.size() == 1 && !value.empty()) drives.emplace_back(key[0], value);
    return drives;
}

}  // namespace

Station::Station(core::ProgramFolders folders, QObject* parent)
    : QObject(parent),
      folders_(std::move(folders)),
      settings_(folders_.settingsFile()),
      cues_(QString::fromStdString(folders_.cueFolder()), this) {
    core::makeOneShot(QiDTimer, "QiDTimer", 20);
    connect(&QiDTimer, &QTimer::timeout, this, &Station::startupTimer);
    core::makeOneShot(Timer7, "Timer7", 10);
    connect(&Timer7, &QTimer::timeout, this, [this] {
        Timer7.stop();
        if (resultSelection_.hasSelection()) Q_EMIT orderAddRequested();
    });
    // Every new row of a listing makes its first result the current item.
    connect(&results(), &library::ResultList::countChanged, this, [this](int rows) {
        if (rows > 0 && currentItem_ != results().path(0)) setCurrentItem(results().path(0));
    });
    // Number search: the first hit is selected, made current and, 10 ms
    // later, added to the active order list as a double-click would.
    connect(&search_, &search::SearchController::firstHitChosen, this, [this] {
        resultSelection_.select(results().index(0, 0),
                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        resultSelection_.setCurrentIndex(results().index(0, 0), QItemSelectionModel::NoUpdate);
        setCurrentItem(results().path(0));
        core::requestOnce(Timer7);
    });
}

Station::~Station() = default;

void Station::create() {
    // Shell change notifications of removable drives register here.
    listings_.Timer13.start();
    Timer7.start();
    if (!platform::folderExists(folders_.data)) platform::createFolders(folders_.data);

    // Drive letters map to folders before anything names a drive path.
    auto& table = platform::DriveTable::instance();
    table.setFixed(driveSection(settings_));
    table.setRemovableMounts(platform::readRemovableMounts());

    // Input methods of the basic-settings panel are listed here.
    bool anyDrive = false;
    for (int n = 0; n < library::kLibraryDriveCount; ++n) {
        std::string key = "Panfu" + std::to_string(n + 1);
        drives_[static_cast<size_t>(n)] = settings_.read(key, key);
        anyDrive = anyDrive || !drives_[static_cast<size_t>(n)].empty();
    }
    Q_EMIT libraryDrivesLoaded();
    if (!anyDrive) Q_EMIT basicSettingsRequested();
    // The removable-drive fill timer starts here.
}

void Station::firstShow() {
    library::cleanCachedMedia(folders_.data);
    showDiskD();
    storage::cleanStagingFolders();
    // The saved skin is applied here.
    patterns_ = search::SearchPatterns::warmUp();
    // No category tab is selected here, so the warm-up covers whole roots.
    search_.selectTab(search::kNoTab);
    startWarmUp();
    core::requestOnce(QiDTimer);
}

void Station::showDiskD() {
    if (!platform::folderExists("D:\\")) {
        Q_EMIT messageRequested(QStringLiteral("D盘不存在,或D盘无法读写,请检查磁盘!"));
        diskDText_ = QStringLiteral("D盘不存在,或D盘无法读写");
        Q_EMIT diskDTextChanged(diskDText_);
        return;
    }
    auto freeMegabytes = [] {
        auto space = platform::diskSpace("D:\\");
        return space ? space->available / kMegabyte : 0;
    };
    auto show = [this](std::int64_t megabytes) {
        diskDText_ = QStringLiteral("D盘可用空:") + QString::number(megabytes) + QStringLiteral(" MB");
        Q_EMIT diskDTextChanged(diskDText_);
    };
    std::int64_t free = freeMegabytes();
    show(free);
    if (free < kLowDiskDMegabytes) {
        library::cleanCachedMedia(storage::kLocalDownloadFolder);
        show(freeMegabytes());
    }
}

void Station::startupTimer() {
    QiDTimer.stop();
    // The hot list loads here; its file is created when absent.
    std::string hotList = folders_.data + "热门推荐.txt";
    if (!platform::fileExists(hotList)) platform::writeWholeFile(hotList, {});
    // Order list 1, its tally, the playlist and the singer list load here.
    storage::createStagingFolders();
    // The two option boxes are set from the settings here.
    search_.selectTab(0);
    cues_.request(player::Startup);
    // The search box takes the focus with its input method here.
    Q_EMIT startupFinished();
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
            for (const auto& root : roots)
                library::walk(
                    root, pattern, [&sink](std::string_view path) { sink.add(path); return true; },
                    [&sink] { sink.tick(); return true; });
        },
        [this](std::int64_t hits) {
            cues_.request(hits > 0 ? player::Found : player::Error);
            listings_.endThreaded();
            Q_EMIT warmUpFinished(hits);
        },
        /*keepSearch=*/true);
}

int Station::closeQuery() {
    // The active order list and the hot list are saved here, and the
    // decoded preview copy is deleted.
    return cues_.playExitSound();
}

void Station::close() {
    std::string script = folders_.program + "bt.sh";
    if (platform::fileExists(script)) platform::startScriptDetached(script);
}

void Station::destroy() {
    // Removable-drive notifications are released here.
}

void Station::setCurrentItem(std::string path) {
    currentItem_ = std::move(path);
    Q_EMIT currentItemChanged(QString::fromStdString(currentItem_));
}

std::optional<std::string> Station::renameResult(int row, const std::string& newName) {
    if (row < 0 || row >= results().count()) return std::nullopt;
    std::string oldPath = results().path(row);
    std::string newPath = library::renamedPath(oldPath, newName);
    if (!platform::renameFile(oldPath, newPath)) return std::nullopt;
    results().replacePath(row, newPath);
    if (currentItem_ == oldPath) setCurrentItem(newPath);
    return newPath;
}

}  // namespace zorvik::app
