#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <stop_token>
#include <vector>

#include "core/jobs.h"
#include "storage/filelist.h"
#include "storage/foldertree.h"

namespace zorvik::library {
class ResultList;
}
namespace zorvik::core {
class Cues;
}

namespace zorvik::storage {

// Texts of the file manager.
inline const QString kNoRemovableDisk = QStringLiteral("U 盘没有插好,或已经退出!");
inline const QString kNotADrivePath = QStringLiteral("不是合法路径！请选择磁盘盘符。");
inline const QString kNothingSelected = QStringLiteral("没有选择文件!");
inline const QString kDeleteQuestion = QStringLiteral("亲爱的,你确定不要我了吗?");
inline const QString kDeleteCaption = QStringLiteral("删除文件");
inline const QString kDeleteForGoodQuestion = QStringLiteral("你确定要删除所选文件吗?");
inline const QString kNewFolderName = QStringLiteral("新建文件夹");
inline const QString kComputer = QStringLiteral("我的电脑");
inline const QString kLocalDiskFolder = QStringLiteral("D:\\歌曲下载");
inline const QString kFirstDrive = QStringLiteral("C:\\");

// "N 个对象", the object count under the results group.
QString objectCountText(int count);
// Why a name cannot be given to a file (the rename box's words); empty when it can.
QString badFileNameReason(const QString& name);

// The device file manager: the folder tree and file list that "U盘管理" and
// "本地磁盘" bring forward in place of the result list, with "删除" and
// "新建文件夹" on the list and renaming in place. Every reading and change of
// a folder runs in a job; the window is told through the models and signals.
// GUI thread, no widgets.
class FileManager final : public QObject {
    Q_OBJECT
public:
    // Asks the operator an OK/Cancel question; true for OK.
    using Confirm = std::function<bool(const QString& text, const QString& caption)>;

    FileManager(core::JobRegistry& jobs, const platform::DriveTable& drives, core::Cues& cues,
                QObject* parent = nullptr);
    ~FileManager() override;

    void setConfirm(Confirm confirm) { confirm_ = std::move(confirm); }

    FileListModel& list() { return list_; }
    FolderTreeModel& tree() { return tree_; }
    // In front of the result list.
    bool isForward() const { return forward_; }
    // The root of tree and list; the tree's selected folder, which the list shows.
    const QString& root() const { return root_; }
    const QString& folder() const { return folder_; }
    const QString& folderLabel() const { return folderLabel_; }
    bool folderLabelShown() const { return folderLabelShown_; }
    // True while a reading or a change of the device is under way.
    bool busy() const;

    // "U盘管理": the last removable drive in the drive table, whatever its size.
    void manageRemovableDisk();
    // "本地磁盘": the local download folder, made when it is missing.
    void openLocalDisk();
    // A path chosen or typed in the path box.
    void choosePath(const QString& path);
    // Tree and list show `folder`, the new root.
    void setRoot(const QString& folder);
    // The folder selected in the tree: the list shows it.
    void showFolder(const QString& folder);
    // An item of the list opened: a folder is shown and selected in the tree.
    void openItem(int row);
    // The result list is in front again (a listing, a tab, a removed drive).
    void goBack();
    // A drive went away: back to the result list, rooted at C:\.
    void driveRemoved();

    // Timer5: the folder label, the list read again, the count, cue 2.
    void requestStatusRefresh();
    // "删除": the selected files of the list (rows), never the folders.
    void deleteSelected(std::vector<int> rows);
    // "新建文件夹": 新建文件夹 + the first free number, in the selected folder.
    void newFolder();
    // A name edited in place.
    void rename(int row, const QString& newName);

    // "彻底删除选中的文件": deletes the file of result row `row` and removes
    // the row together with its path.
    void deleteResultForGood(library::ResultList& results, int row);

    bool waitUntil(core::Job::Deadline deadline) const;

Q_SIGNALS:
    void forwardChanged(bool forward);
    // Tree and list have a new root.
    void rootChanged(const QString& root);
    // The list shows another folder.
    void folderChanged(const QString& folder);
    void folderLabelChanged(const QString& text, bool shown);
    // The object count under the results group, while the file manager is in front.
    void countTextChanged(const QString& text);
    void message(const QString& text);
    // The list shows what a reading of its folder found.
    void listRead(const QString& folder);
    // A change of the device is done (delete, new folder, rename; a deleted result file).
    void changeDone();

private:
    void statusRefresh();
    void readList(bool again);
    void bringForward();
    void setFolderLabel(const QString& text, bool shown);
    // Runs `work` in a job; `then` afterwards on this thread.
    void change(std::function<void(std::stop_token)> work, std::function<void()> then);

    const platform::DriveTable& drives_;
    core::Cues& cues_;
    Confirm confirm_;
    FileListModel list_;
    FolderTreeModel tree_;
    bool forward_ = false;
    QString root_;
    QString folder_;
    QString folderLabel_;
    bool folderLabelShown_ = false;
    QString reading_;  // the folder a list reading is under way for
    std::atomic<unsigned> listGeneration_{0};  // read by the jobs
    int changes_ = 0;  // changes under way
    QTimer statusRefreshTimer_{this};  // Timer5
    core::Jobs jobs_;  // last: joined before the rest goes
};

}  // namespace zorvik::storage
