#pragma once

#include <QAbstractItemModel>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/jobs.h"

#include "platform/drives.h"

namespace zorvik::storage {

// The folders directly in `folder` that a folder tree shows (no hidden ones),
// in the order of a Chinese Windows file view. Reads the device: run it off
// the GUI thread. nullopt when the folder cannot be read.
std::optional<QStringList> readSubfolders(const platform::DriveTable& drives, const QString& folder,
                                          const std::function<bool()>& keepGoing = {});

// A tree of folders only, read a folder at a time as it is opened, each
// reading in a job of its own, so a slow device never holds up the window.
// Its one top item is the root folder itself; rooted at the computer, the
// drives are the top items. Nothing refreshes it by itself: the program
// calls refresh() after its own changes.
class FolderTreeModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    FolderTreeModel(core::JobRegistry& jobs, const platform::DriveTable& drives, QObject* parent = nullptr);

    const platform::DriveTable& drives() const { return drives_; }
    ~FolderTreeModel() override;

    // A folder in drive path form; an empty text roots the tree at the computer.
    void setRoot(const QString& folder);
    const QString& root() const { return root_; }
    // The item of a folder read so far; invalid when there is none.
    QModelIndex indexOf(const QString& folder) const;
    QString folderOf(const QModelIndex& index) const;
    // Reads the folders on the way down to `folder` as needed, then reports
    // its item through revealed(). A later call replaces an earlier one.
    void reveal(const QString& folder);
    // Reads every folder read so far again; what stays keeps its item.
    void refresh();
    // True while a reading is under way.
    bool busy() const { return pending_ > 0; }
    bool waitUntil(core::Job::Deadline deadline) const { return jobs_.waitUntil(deadline); }

    void setIcons(QVariant folder, QVariant fixedDrive, QVariant removableDrive);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

Q_SIGNALS:
    void revealed(const QModelIndex& index);
    // The subfolders of `folder` were read and are shown.
    void folderRead(const QString& folder);

private:
    const platform::DriveTable& drives_;
    struct Node;
    Node* nodeOf(const QModelIndex& index) const;
    QModelIndex indexOfNode(const Node* node) const;
    Node* find(const QString& folder) const;
    void read(const QStringList& folders);
    void apply(unsigned generation, const QString& folder, const std::optional<QStringList>& names);
    void merge(Node* node, const QStringList& names);
    void continueReveal();

    QString root_;
    std::unique_ptr<Node> top_;  // not shown: its children are the top items
    std::atomic<unsigned> generation_{0};  // read by the jobs
    int pending_ = 0;
    QString revealing_;
    QVariant folderIcon_;
    QVariant fixedDriveIcon_;
    QVariant removableDriveIcon_;
    core::Jobs jobs_;  // last: joined before the rest goes
};

// How the tree names a drive's root: "本地磁盘 (C:)", "可移动磁盘 (G:)".
QString driveLabel(const platform::DriveTable& drives, const QString& root);

}  // namespace zorvik::storage
