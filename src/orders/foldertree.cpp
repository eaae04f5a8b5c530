#include "orders/foldertree.h"

#include "platform/drives.h"
#include "platform/fileops.h"

namespace zorvik::orders {

namespace {

std::string childPath(const std::string& folder, const std::string& name) {
    return folder.ends_with('\\') ? folder + name : folder + "\\" + name;
}

// The drive roots, as the computer's top level shows them.
std::vector<std::string> driveRoots() {
    std::vector<std::string> roots;
    for (const auto& drive : platform::DriveTable::instance().drives())
        roots.push_back(std::string(1, drive.letter) + ":\\");
    return roots;
}

}  // namespace

FolderTree::FolderTree(QObject* parent) : QAbstractItemModel(parent) { setRoot({}); }

FolderTree::~FolderTree() = default;

void FolderTree::setRoot(const std::string& drivePath) {
    beginResetModel();
    rootPath_ = drivePath;
    nodes_.clear();
    top_ = std::make_unique<Node>();
    top_->id = ++nextId_;
    top_->path = drivePath;
    nodes_[top_->id] = top_.get();
    endResetModel();
    refreshRoot();
}

void FolderTree::refreshRoot() {
    if (rootPath_.empty()) {
        setChildren(*top_, driveRoots());  // the drive table: nothing to wait for
        top_->state = Node::State::Read;
        return;
    }
    if (top_->state == Node::State::Reading) return;
    read(*top_);
}

std::string FolderTree::drivePath(const QModelIndex& index) const {
    const Node* node = nodeOf(index);
    return node ? node->path : std::string();
}

void FolderTree::stop() { jobs_.cancelAll(); }

bool FolderTree::waitUntil(core::Job::Deadline deadline) const { return jobs_.waitUntil(deadline); }

FolderTree::Node* FolderTree::nodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : top_.get();
}

QModelIndex FolderTree::indexOf(const Node* node) const {
    if (!node || node == top_.get() || !node->parent) return {};
    const auto& siblings = node->parent->children;
    for (size_t row = 0; row < siblings.size(); ++row)
        if (siblings[row].get() == node) return createIndex(static_cast<int>(row), 0, const_cast<Node*>(node));
    return {};
}

FolderTree::Node* FolderTree::add(Node& parent, std::string name, std::string path) {
    auto node = std::make_unique<Node>();
    node->id = ++nextId_;
    node->name = std::move(name);
    node->path = std::move(path);
    node->parent = &parent;
    nodes_[node->id] = node.get();
    parent.children.push_back(std::move(node));
    return parent.children.back().get();
}

void FolderTree::forget(Node& node) {
    for (auto& child : node.children) forget(*child);
    nodes_.erase(node.id);
}

void FolderTree::read(Node& node) {
    node.state = Node::State::Reading;
    jobs_.start([this, id = node.id, path = node.path](std::stop_token stop) {
        std::vector<std::string> names;
        for (const auto& entry : platform::listFolder(path.ends_with('\\') ? path : path + "\\"))
            if (entry.kind == platform::EntryKind::Folder && !entry.hidden) names.push_back(entry.name);
        if (stop.stop_requested()) return;
        jobs_.post([this, id, names = std::move(names)]() mutable { folderRead(id, std::move(names)); });
    });
}

void FolderTree::folderRead(std::uint64_t id, std::vector<std::string> names) {
    auto found = nodes_.find(id);
    if (found == nodes_.end()) return;
    Node& node = *found->second;
    node.state = Node::State::Read;
    setChildren(node, std::move(names));
}

void FolderTree::setChildren(Node& node, std::vector<std::string> names) {
    std::vector<std::string> now;
    for (const auto& child : node.children) now.push_back(child->name);
    if (now == names) return;  // nothing changed: expanded branches stay as they are
    const QModelIndex parent = indexOf(&node);
    if (!node.children.empty()) {
        beginRemoveRows(parent, 0, static_cast<int>(node.children.size()) - 1);
        for (auto& child : node.children) forget(*child);
        node.children.clear();
        endRemoveRows();
    }
    if (names.empty()) return;
    beginInsertRows(parent, 0, static_cast<int>(names.size()) - 1);
    for (auto& name : names) {
        // At the computer level the names are the drive roots themselves.
        std::string path = node.path.empty() ? name : childPath(node.path, name);
        add(node, std::move(name), std::move(path));
    }
    endInsertRows();
}

QModelIndex FolderTree::index(int row, int column, const QModelIndex& parent) const {
    const Node* node = nodeOf(parent);
    if (!node || column != 0 || row < 0 || row >= static_cast<int>(node->children.size())) return {};
    return createIndex(row, 0, node->children[static_cast<size_t>(row)].get());
}

QModelIndex FolderTree::parent(const QModelIndex& child) const {
    const Node* node = nodeOf(child);
    return node && child.isValid() ? indexOf(node->parent) : QModelIndex();
}

int FolderTree::rowCount(const QModelIndex& parent) const {
    const Node* node = nodeOf(parent);
    return node && parent.column() <= 0 ? static_cast<int>(node->children.size()) : 0;
}

int FolderTree::columnCount(const QModelIndex&) const { return 1; }

QVariant FolderTree::data(const QModelIndex& index, int role) const {
    const Node* node = index.isValid() ? nodeOf(index) : nullptr;
    if (!node) return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return QString::fromStdString(node->name);
    return {};
}

bool FolderTree::hasChildren(const QModelIndex& parent) const {
    const Node* node = nodeOf(parent);
    // Unread folders may hold folders: they show their arrow until read.
    return node && (node->state != Node::State::Read || !node->children.empty());
}

bool FolderTree::canFetchMore(const QModelIndex& parent) const {
    const Node* node = nodeOf(parent);
    return node && node->state == Node::State::Unread;
}

void FolderTree::fetchMore(const QModelIndex& parent) {
    if (Node* node = nodeOf(parent); node && node->state == Node::State::Unread) read(*node);
}

}  // namespace zorvik::orders
