#include "storage/filemanager.h"

#include <algorithm>
#include <memory>

#include "core/cues.h"
#include "core/oneshot.h"
#include "library/rename.h"
#include "library/resultlist.h"
#include "platform/drives.h"
#include "platform/fileops.h"
#include "platform/mountwatcher.h"
#include "platform/names.h"
#include "storage/folderpath.h"

namespace zorvik::storage {

namespace {

constexpr int kStatusRefreshMs = 10;

}  // namespace

QString objectCountText(int count) { return QString::number(count) + QStringLiteral(" 个对象"); }

QString badFileNameReason(const QString& name) {
    const std::string_view refusal = library::renameRefusal(name.toStdString());
    return QString::fromUtf8(refusal.data(), static_cast<qsizetype>(refusal.size()));
}

FileManager::FileManager(core::JobRegistry& jobs, const platform::DriveTable& drives, core::Cues& cues,
                         QObject* parent)
    : QObject(parent), drives_(drives), cues_(cues), tree_(jobs, drives), jobs_(this, jobs, core::JobKind::Writes) {
    core::makeOneShot(statusRefreshTimer_, "Timer5", kStatusRefreshMs);
    connect(&statusRefreshTimer_, &QTimer::timeout, this, &FileManager::statusRefresh);
    connect(&list_, &FileListModel::renameRequested, this, &FileManager::rename);
}

FileManager::~FileManager() = default;

bool FileManager::waitUntil(core::Job::Deadline deadline) const {
    return jobs_.waitUntil(deadline) && tree_.waitUntil(deadline);
}

bool FileManager::busy() const { return !reading_.isEmpty() || changes_ > 0 || tree_.busy(); }

void FileManager::manageRemovableDisk() {
    QString last;
    for (const auto& drive : drives_.drives())
        if (drive.type == platform::DriveType::Removable) last = platform::MountWatcher::rootOf(drive.letter);
    if (last.isEmpty()) {
        Q_EMIT message(kNoRemovableDisk);
        return;
    }
    setRoot(last);
    bringForward();
    requestStatusRefresh();
}

void FileManager::openLocalDisk() {
    // D: is a fixed disk of the counter computer.
    const std::string folder = kLocalDiskFolder.toStdString();
    if (!platform::folderExists(drives_, folder)) (void)platform::createFolders(drives_, folder);
    setRoot(kLocalDiskFolder);
    bringForward();
    requestStatusRefresh();
}

void FileManager::choosePath(const QString& path) {
    // A path climbing out through ".." is no drive path either.
    if (!path.contains(QStringLiteral(":\\")) || platform::climbsOut(path.toStdString())) {
        Q_EMIT message(kNotADrivePath);
        return;
    }
    setRoot(path);
    // The label names the folder now shown, not the one before the choice.
    if (folderLabelShown_) setFolderLabel(folder_, true);
}

void FileManager::setRoot(const QString& folder) {
    root_ = folderForm(folder);
    folder_ = root_;
    tree_.setRoot(root_);
    readList(/*again=*/true);
    Q_EMIT rootChanged(root_);
    Q_EMIT folderChanged(folder_);
}

void FileManager::showFolder(const QString& folder) {
    const QString f = folderForm(folder);
    if (f.isEmpty() || f == folder_) return;
    folder_ = f;
    readList(/*again=*/true);
    Q_EMIT folderChanged(folder_);
}

void FileManager::openItem(int row) {
    if (row < 0 || row >= list_.count() || !list_.item(row).folder) return;
    showFolder(list_.path(row));
    tree_.reveal(folder_);
}

void FileManager::bringForward() {
    if (forward_) return;
    forward_ = true;
    Q_EMIT forwardChanged(true);
}

void FileManager::goBack() {
    setFolderLabel(folderLabel_, false);
    if (!forward_) return;
    forward_ = false;
    Q_EMIT forwardChanged(false);
}

void FileManager::driveRemoved() {
    // Whichever drive went, a view of it must not stay in front.
    setRoot(kFirstDrive);
    goBack();
}

void FileManager::requestStatusRefresh() { core::requestOnce(statusRefreshTimer_); }

void FileManager::statusRefresh() {
    statusRefreshTimer_.stop();
    readList(/*again=*/false);
    Q_EMIT countTextChanged(objectCountText(list_.count()));
    setFolderLabel(folder_, true);
    cues_.request(core::Cues::Select);
}

void FileManager::setFolderLabel(const QString& text, bool shown) {
    if (text == folderLabel_ && shown == folderLabelShown_) return;
    folderLabel_ = text;
    folderLabelShown_ = shown;
    Q_EMIT folderLabelChanged(folderLabel_, folderLabelShown_);
}

void FileManager::readList(bool again) {
    // A reading of the same folder already under way is as fresh as a new one,
    // unless the folder changed since it started.
    if (!again && reading_ == folder_) return;
    reading_ = folder_;
    // Another folder's items must not stand under this one while it is read.
    if (list_.folder() != folder_) list_.show(folder_, {});
    const unsigned generation = ++listGeneration_;
    const QString folder = folder_;
    jobs_.start([this, folder, generation](std::stop_token stop) {
        auto items = readFileItems(drives_, folder, [this, &stop, generation] {
            return !stop.stop_requested() && listGeneration_.load(std::memory_order_relaxed) == generation;
        });
        auto found = std::make_shared<std::vector<FileItem>>(items ? std::move(*items) : std::vector<FileItem>());
        jobs_.post([this, folder, generation, found] {
            if (generation != listGeneration_) return;
            reading_.clear();
            // A folder that cannot be read (a device pulled) shows empty.
            list_.show(folder, std::move(*found));
            if (forward_) Q_EMIT countTextChanged(objectCountText(list_.count()));
            Q_EMIT listRead(folder);
        });
    });
}

void FileManager::change(std::function<void(std::stop_token)> work, std::function<void()> then) {
    ++changes_;
    jobs_.start([this, work = std::move(work), then = std::move(then)](std::stop_token stop) {
        work(stop);
        jobs_.post([this, then] {
            --changes_;
            then();
            Q_EMIT changeDone();
        });
    });
}

void FileManager::deleteSelected(std::vector<int> rows) {
    std::erase_if(rows, [this](int row) { return row < 0 || row >= list_.count(); });
    if (rows.empty()) {
        Q_EMIT message(kNothingSelected);
        return;
    }
    if (!confirm_ || !confirm_(kDeleteQuestion, kDeleteCaption)) return;
    std::sort(rows.begin(), rows.end());
    std::vector<std::string> files;
    for (int row : rows)
        if (!list_.item(row).folder) files.push_back(list_.path(row).toStdString());
    change(
        [files, &drives = drives_](std::stop_token stop) {
            // Failures are left to the next reading to show; closing the station stops between files.
            for (const auto& file : files) {
                if (stop.stop_requested()) return;
                (void)platform::deleteFile(drives, file);
            }
        },
        [this] {
            readList(/*again=*/true);
            cues_.request(core::Cues::Deleted);
        });
}

void FileManager::newFolder() {
    if (folder_.isEmpty()) return;
    const QString parent = folder_;
    change(
        [parent, &drives = drives_](std::stop_token) {
            // The first number that names nothing yet: a file of that name takes it too.
            for (int n = 1; n < 1'000'000; ++n) {
                const std::string candidate = childPath(parent, kNewFolderName + QString::number(n)).toStdString();
                if (platform::folderExists(drives, candidate) || platform::fileExists(drives, candidate)) continue;
                (void)platform::createFolders(drives, candidate);
                return;
            }
        },
        [this] {
            tree_.refresh();
            requestStatusRefresh();
        });
}

void FileManager::rename(int row, const QString& newName) {
    if (row < 0 || row >= list_.count()) return;
    const FileItem& item = list_.item(row);
    if (newName.isEmpty() || newName == item.name) return;
    if (QString reason = badFileNameReason(newName); !reason.isEmpty()) {
        Q_EMIT message(reason);
        return;
    }
    const QString from = list_.path(row);
    const QString to = childPath(list_.folder(), newName);
    const bool folder = item.folder;
    struct Outcome {
        bool failed = false;
        QString reason;
    };
    auto outcome = std::make_shared<Outcome>();
    change(
        [from, to, outcome, &drives = drives_](std::stop_token) {
            auto renamed = platform::renameFile(drives, from.toStdString(), to.toStdString());
            if (renamed) return;
            outcome->failed = true;
            outcome->reason = QString::fromStdString(renamed.errorText());
        },
        [this, from, folder, outcome] {
            if (outcome->failed)
                Q_EMIT message(QStringLiteral("文件无法重命名：") + from + QStringLiteral("\n") + outcome->reason);
            readList(/*again=*/true);
            if (folder) tree_.refresh();
        });
}

void FileManager::deleteResultForGood(library::ResultList& results, int row) {
    if (row < 0 || row >= results.count()) return;
    const std::string path = results.path(row);
    // The row goes at once, with its path, so every other row keeps naming its file.
    results.removeResult(row);
    change([path, &drives = drives_](std::stop_token) { (void)platform::deleteFile(drives, path); }, [] {});
}

}  // namespace zorvik::storage
