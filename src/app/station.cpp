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
    Timer13.setObjectName(QStringLiteral("Timer13"));
    Timer13.setInterval(1000);
    connect(&Timer13, &QTimer::timeout, this, [this] { setSeconds(seconds_ + 1); });
}

Station::~Station() {
    stopping_->store(true);
    if (warmUp_) warmUp_->wait();
}

void Station::create() {
    // Shell change notifications of removable drives register here.
    Timer13.start();
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
    setReadyText(QStringLiteral("正在整理缓存 ... 请稍等 ！"));
    setSeconds(0);
    Timer13.start();
    // No category tab is selected here, so the warm-up covers whole roots.
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
    // The first category tab is selected here.
    cues_.request(player::Startup);
    // The search box takes the focus with its input method here.
    Q_EMIT startupFinished();
}

void Station::startWarmUp() {
    setSearchEnabled(true);  // the operator may search while the cache warms up
    auto roots = library::searchRoots(drives_, 0);
    std::string pattern = patterns_.walkPattern();
    auto stopping = stopping_;
    warmUp_.reset(QThread::create([this, roots, pattern, stopping] {
        qint64 hits = 0;
        for (const auto& root : roots) {
            hits += library::walk(
                root, pattern, [](std::string_view) { return true; },
                [&stopping] { return !stopping->load(); });
            if (stopping->load()) return;
        }
        QMetaObject::invokeMethod(this, [this, hits] { finishWarmUp(hits); }, Qt::QueuedConnection);
    }));
    warmUp_->start();
}

void Station::finishWarmUp(qint64 hits) {
    cues_.request(hits > 0 ? player::Found : player::Error);
    setReadyText(QStringLiteral("就绪！"));
    Timer13.stop();
    setSearchEnabled(true);
    Q_EMIT warmUpFinished(hits);
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

void Station::setReadyText(const QString& text) {
    readyText_ = text;
    Q_EMIT readyTextChanged(text);
}

void Station::setSeconds(int seconds) {
    seconds_ = seconds;
    Q_EMIT secondsChanged(seconds);
}

void Station::setSearchEnabled(bool enabled) {
    searchEnabled_ = enabled;
    Q_EMIT searchEnabledChanged(enabled);
}

}  // namespace zorvik::app
