#pragma once

#include <QAbstractItemModel>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/jobs.h"

namespace zorvik::orders {

// The folder picker's tree: folders only, each known by its drive path. The
// top level is a folder's subfolders, or, with no root, the computer: the
// drives of the drive table. A folder is read on a job when it is first
// expanded, so a phone that answers slowly never holds up the window.
class FolderTree final : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit FolderTree(QObject* parent = nullptr);
    ~FolderTree() override;

    // Roots the tree at a drive path ("G:\", "D:\歌曲下载"); empty: the computer.
    void setRoot(const std::string& drivePath);
    const std::string& root() const { return rootPath_; }
    // Reads the top level again; the rows change only where the folders did.
    void refreshRoot();
    // The drive path of a row ("G:\My Music").
    std::string drivePath(const QModelIndex& index) const;

    void stop();
    bool waitUntil(core::Job::Deadline deadline) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    struct Node {
        std::uint64_t id = 0;
        std::string name;
        std::string path;  // drive path
        Node* parent = nullptr;
        std::vector<std::unique_ptr<Node>> children;
        enum class State { Unread, Reading, Read } state = State::Unread;
    };
    Node* nodeOf(const QModelIndex& index) const;
    QModelIndex indexOf(const Node* node) const;
    Node* add(Node& parent, std::string name, std::string path);
    void forget(Node& node);
    void read(Node& node);
    void folderRead(std::uint64_t id, std::vector<std::string> names);
    void setChildren(Node& node, std::vector<std::string> names);

    std::string rootPath_;
    std::unique_ptr<Node> top_;
    std::unordered_map<std::uint64_t, Node*> nodes_;  // a reading whose folder went is dropped
    std::uint64_t nextId_ = 0;
    core::Jobs jobs_{this};  // last: joined before the rest goes
};

}  // namespace zorvik::orders
