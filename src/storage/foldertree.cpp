#include "storage/foldertree.h"

#include <QSet>
#include <algorithm>

#include "platform/drives.h"
#include "platform/fileops.h"
#include "platform/folderitems.h"
#include "platform/mountwatcher.h"
#include "storage/explorerorder.h"
#include "storage/folderpath.h"

namespace zorvik::storage {

struct FolderTreeModel::Node {
    enum class State { Unread, Reading, Read };
    QString name;
    QString folder;
    Node* parent = nullptr;
    int row = 0;
    State state = State::Unread;
    std::vector<std::unique_ptr<Node>> children;

    void renumber() {
        for (size_t i = 0; i < children.size(); ++i) children[i]->row = static_cast<int>(i);
    }
    Node* child(const QString& childFolder) const {
        for (const auto& c : children)
            if (c->folder == childFolder) return c.get();
        return nullptr;
    }
};

namespace {

QString lastPart(const platform::DriveTable& drives, const QString& folder) {
    if (isDriveRoot(folder)) return driveLabel(drives, folder);
    return folder.mid(folder.lastIndexOf(QLatin1Char('\\')) + 1);
}

}  // namespace

std::optional<QStringList> readSubfolders(const platform::DriveTable& drives, const QString& folder,
                                          const std::function<bool()>& keepGoing) {
    auto entries = platform::readFolderItems(drives, folder.toStdString(), /*details=*/false, keepGoing);
    if (!entries) return std::nullopt;
    QStringList names;
    for (const auto& e : *entries)
        if (e.folder && !e.hidden) names << QString::fromStdString(e.name);
    const ExplorerOrder order;
    std::sort(names.begin(), names.end(), order);
    return names;
}

QString driveLabel(const platform::DriveTable& drives, const QString& root) {
    const char letter = root.isEmpty() ? 0 : root[0].toUpper().toLatin1();
    const bool removable = drives.type(letter) == platform::DriveType::Removable;
    return (removable ? QStringLiteral("可移动磁盘 (") : QStringLiteral("本地磁盘 (")) + QChar::fromLatin1(letter) +
           QStringLiteral(":)");
}

FolderTreeModel::FolderTreeModel(core::JobRegistry& jobs, const platform::DriveTable& drives, QObject* parent)
    : QAbstractItemModel(parent), drives_(drives), top_(std::make_unique<Node>()), jobs_(this, jobs, core::JobKind::Reads) {}

FolderTreeModel::~FolderTreeModel() = default;

void FolderTreeModel::setIcons(QVariant folder, QVariant fixedDrive, QVariant removableDrive) {
    folderIcon_ = std::move(folder);
    fixedDriveIcon_ = std::move(fixedDrive);
    removableDriveIcon_ = std::move(removableDrive);
}

void FolderTreeModel::setRoot(const QString& folder) {
    beginResetModel();
    root_ = folderForm(folder);
    ++generation_;
    pending_ = 0;
    revealing_.clear();
    top_ = std::make_unique<Node>();
    top_->state = Node::State::Read;
    auto add = [this](const QString& f) {
        auto node = std::make_unique<Node>();
        node->name = lastPart(drives_, f);
        node->folder = f;
        node->parent = top_.get();
        top_->children.push_back(std::move(node));
    };
    if (root_.isEmpty()) {
        // The computer: the drives from C: on. A fixed drive whose folder is
        // missing is not there; a removable one is there while it is mounted.
        for (const auto& drive : drives_.drives()) {
            const QString r = platform::MountWatcher::rootOf(drive.letter);
            if (drive.letter < 'C') continue;
            if (drive.type == platform::DriveType::Fixed && !platform::folderExists(drives_, r.toStdString())) continue;
            add(r);
        }
    } else {
        add(root_);
    }
    top_->renumber();
    endResetModel();
    // The root is open from the start.
    if (!root_.isEmpty()) read({root_});
}

FolderTreeModel::Node* FolderTreeModel::nodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : top_.get();
}

QModelIndex FolderTreeModel::indexOfNode(const Node* node) const {
    if (!node || node == top_.get()) return {};
    return createIndex(node->row, 0, const_cast<Node*>(node));
}

FolderTreeModel::Node* FolderTreeModel::find(const QString& folder) const {
    const QStringList chain = foldersDownTo(folder);
    for (const auto& top : top_->children) {
        const qsizetype k = chain.indexOf(top->folder);
        if (k < 0) continue;
        Node* node = top.get();
        for (qsizetype i = k + 1; i < chain.size() && node; ++i) node = node->child(chain[i]);
        if (node) return node;
    }
    return nullptr;
}

QModelIndex FolderTreeModel::indexOf(const QString& folder) const { return indexOfNode(find(folder)); }

QString FolderTreeModel::folderOf(const QModelIndex& index) const {
    return index.isValid() ? nodeOf(index)->folder : QString();
}

void FolderTreeModel::read(const QStringList& folders) {
    if (folders.isEmpty()) return;
    for (const auto& f : folders)
        if (Node* node = find(f); node && node->state == Node::State::Unread) node->state = Node::State::Reading;
    pending_ += static_cast<int>(folders.size());
    const unsigned generation = generation_;
    jobs_.start([this, folders, generation](std::stop_token stop) {
        // Readings for an old root stop early.
        auto keepGoing = [this, &stop, generation] {
            return !stop.stop_requested() && generation_.load(std::memory_order_relaxed) == generation;
        };
        for (const auto& folder : folders) {
            if (!keepGoing()) return;
            auto names = readSubfolders(drives_, folder, keepGoing);
            jobs_.post([this, generation, folder, names] { apply(generation, folder, names); });
        }
    });
}

void FolderTreeModel::apply(unsigned generation, const QString& folder, const std::optional<QStringList>& names) {
    if (generation != generation_) return;
    --pending_;
    Node* node = find(folder);
    if (!node) return;
    merge(node, names.value_or(QStringList()));
    node->state = Node::State::Read;
    Q_EMIT folderRead(folder);
    continueReveal();
}

void FolderTreeModel::merge(Node* node, const QStringList& names) {
    const QModelIndex parentIndex = indexOfNode(node);
    auto makeChild = [node](const QString& name) {
        auto child = std::make_unique<Node>();
        child->name = name;
        child->folder = childPath(node->folder, name);
        child->parent = node;
        return child;
    };
    if (node->children.empty()) {
        if (names.isEmpty()) {
            // An unread folder showed an expander; views ask again after a layout change.
            if (node->state != Node::State::Read) {
                Q_EMIT layoutAboutToBeChanged();
                node->state = Node::State::Read;
                Q_EMIT layoutChanged();
            }
            return;
        }
        beginInsertRows(parentIndex, 0, static_cast<int>(names.size()) - 1);
        for (const auto& name : names) node->children.push_back(makeChild(name));
        node->renumber();
        endInsertRows();
        return;
    }
    const QSet<QString> wanted(names.begin(), names.end());
    for (int r = static_cast<int>(node->children.size()) - 1; r >= 0; --r) {
        if (wanted.contains(node->children[static_cast<size_t>(r)]->name)) continue;
        beginRemoveRows(parentIndex, r, r);
        node->children.erase(node->children.begin() + r);
        node->renumber();
        endRemoveRows();
    }
    // What is left is in the same order as `names`: the new ones go between.
    for (int k = 0; k < static_cast<int>(names.size()); ++k) {
        const size_t at = static_cast<size_t>(k);
        if (at < node->children.size() && node->children[at]->name == names[k]) continue;
        beginInsertRows(parentIndex, k, k);
        node->children.insert(node->children.begin() + k, makeChild(names[k]));
        node->renumber();
        endInsertRows();
    }
}

void FolderTreeModel::refresh() {
    QStringList folders;
    std::vector<const Node*> stack{top_.get()};
    while (!stack.empty()) {
        const Node* node = stack.back();
        stack.pop_back();
        for (const auto& c : node->children) {
            if (c->state == Node::State::Read) folders << c->folder;
            stack.push_back(c.get());
        }
    }
    read(folders);
}

void FolderTreeModel::reveal(const QString& folder) {
    revealing_ = folderForm(folder);
    continueReveal();
}

void FolderTreeModel::continueReveal() {
    if (revealing_.isEmpty()) return;
    const QStringList chain = foldersDownTo(revealing_);
    Node* node = nullptr;
    qsizetype k = -1;
    for (const auto& top : top_->children) {
        k = chain.indexOf(top->folder);
        if (k >= 0) {
            node = top.get();
            break;
        }
    }
    for (qsizetype i = k + 1; node && i < chain.size(); ++i) {
        if (node->state == Node::State::Unread) return read({node->folder});
        if (node->state == Node::State::Reading) return;
        node = node->child(chain[i]);
    }
    revealing_.clear();
    if (node) Q_EMIT revealed(indexOfNode(node));
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const Node* p = nodeOf(parent);
    if (column != 0 || row < 0 || row >= static_cast<int>(p->children.size())) return {};
    return createIndex(row, 0, p->children[static_cast<size_t>(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    return indexOfNode(nodeOf(child)->parent);
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    return static_cast<int>(nodeOf(parent)->children.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const Node* node = nodeOf(index);
    if (role == Qt::DisplayRole) return node->name;
    if (role == Qt::ToolTipRole) return node->folder;
    if (role == Qt::DecorationRole) {
        if (!isDriveRoot(node->folder)) return folderIcon_;
        const char letter = node->folder[0].toLatin1();
        return drives_.type(letter) == platform::DriveType::Removable ? removableDriveIcon_ : fixedDriveIcon_;
    }
    return {};
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const {
    const Node* node = nodeOf(parent);
    if (node != top_.get() && node->state != Node::State::Read) return true;
    return !node->children.empty();
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const {
    return parent.isValid() && nodeOf(parent)->state == Node::State::Unread;
}

void FolderTreeModel::fetchMore(const QModelIndex& parent) {
    if (canFetchMore(parent)) read({nodeOf(parent)->folder});
}

}  // namespace zorvik::storage
