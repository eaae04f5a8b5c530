#include "storage/filelist.h"

#include <QDateTime>
#include <QSet>
#include <algorithm>
#include <utility>

#include "core/mediafiles.h"
#include "platform/folderitems.h"
#include "storage/explorerorder.h"
#include "storage/folderpath.h"

namespace zorvik::storage {

std::optional<std::vector<FileItem>> readFileItems(const platform::DriveTable& drives, const QString& folder,
                                                   const std::function<bool()>& keepGoing) {
    auto entries = platform::readFolderItems(drives, folder.toStdString(), /*details=*/true, keepGoing);
    if (!entries) return std::nullopt;
    std::vector<FileItem> items;
    items.reserve(entries->size());
    for (auto& e : *entries)
        if (!e.hidden) items.push_back({QString::fromStdString(e.name), e.folder, e.size, e.modified});
    const ExplorerOrder order;
    std::sort(items.begin(), items.end(), [&order](const FileItem& a, const FileItem& b) {
        if (a.folder != b.folder) return a.folder;
        return order(a.name, b.name);
    });
    return items;
}

QString kilobyteText(std::int64_t bytes) {
    QString digits = QString::number((std::max<std::int64_t>(bytes, 0) + 1023) / 1024);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QLatin1Char(','));
    return digits + QStringLiteral(" KB");
}

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

void FileListModel::show(const QString& folder, std::vector<FileItem> items) {
    if (folder != folder_ || !update(items)) {
        beginResetModel();
        folder_ = folder;
        items_ = std::move(items);
        endResetModel();
    }
}

bool FileListModel::update(std::vector<FileItem>& items) {
    // The same folder read again: rows that stay keep their selection and the
    // view its place. Both readings are in the same order, so what stays is
    // in the same order in both; a wholesale change is cheaper as a reset.
    constexpr size_t kMostRowChanges = 64;
    const bool sameNames = items.size() == items_.size() &&
                           std::equal(items.begin(), items.end(), items_.begin(),
                                      [](const FileItem& a, const FileItem& b) { return a.name == b.name; });
    if (!sameNames) {
        if (!updateRows(items, kMostRowChanges)) return false;
    }
    // Only rows whose details changed are redrawn, so a name being typed in
    // another row's editor is not put back by a reading that lands meanwhile.
    std::vector<std::pair<int, int>> changed;  // first and last row of each run
    for (size_t k = 0; k < items.size(); ++k) {
        const FileItem& was = items_[k];
        const FileItem& now = items[k];
        if (was.folder == now.folder && was.size == now.size && was.modified == now.modified) continue;
        const int row = static_cast<int>(k);
        if (!changed.empty() && changed.back().second == row - 1)
            changed.back().second = row;
        else
            changed.emplace_back(row, row);
    }
    items_ = std::move(items);
    for (const auto& [first, last] : changed) Q_EMIT dataChanged(index(first, 0), index(last, ColumnCount - 1));
    return true;
}

bool FileListModel::updateRows(const std::vector<FileItem>& items, size_t mostChanges) {
    QSet<QString> wanted;
    wanted.reserve(static_cast<qsizetype>(items.size()));
    for (const auto& i : items) wanted.insert(i.name);
    size_t gone = 0;
    for (const auto& i : items_) gone += wanted.contains(i.name) ? 0 : 1;
    const size_t kept = items_.size() - gone;
    if (items.size() < kept || gone + (items.size() - kept) > mostChanges) return false;
    for (int r = count() - 1; r >= 0; --r) {
        if (wanted.contains(items_[static_cast<size_t>(r)].name)) continue;
        beginRemoveRows({}, r, r);
        items_.erase(items_.begin() + r);
        endRemoveRows();
    }
    for (size_t k = 0; k < items.size(); ++k) {
        if (k < items_.size() && items_[k].name == items[k].name) continue;
        const int row = static_cast<int>(k);
        beginInsertRows({}, row, row);
        items_.insert(items_.begin() + row, items[k]);
        endInsertRows();
    }
    return items_.size() == items.size();  // else not the same order after all
}

QString FileListModel::path(int row) const { return childPath(folder_, item(row).name); }

int FileListModel::rowOf(const QString& name) const {
    auto it = std::find_if(items_.begin(), items_.end(), [&name](const FileItem& i) { return i.name == name; });
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void FileListModel::setIcons(QVariant folder, QVariant file, std::array<QVariant, 5> groups) {
    folderIcon_ = std::move(folder);
    fileIcon_ = std::move(file);
    groupIcons_ = std::move(groups);
}

int FileListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

int FileListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) return {};
    const FileItem& i = item(index.row());
    if (role == Qt::DecorationRole && index.column() == Name) {
        if (i.folder) return folderIcon_;
        const std::string name = i.name.toStdString();
        const auto group = core::mediaGroupOf(core::extensionOf(name));
        return group ? groupIcons_[static_cast<size_t>(*group)] : fileIcon_;
    }
    if (role == Qt::TextAlignmentRole && index.column() == Size)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    switch (index.column()) {
        case Name: return i.name;
        case Size: return i.folder ? QString() : kilobyteText(i.size);
        case Type: {
            if (i.folder) return QStringLiteral("文件夹");
            const qsizetype dot = i.name.lastIndexOf(QLatin1Char('.'));
            if (dot < 0 || dot + 1 == i.name.size()) return QStringLiteral("文件");
            return QString(i.name.mid(dot + 1).toUpper() + QStringLiteral(" 文件"));
        }
        case Modified:
            return QDateTime::fromSecsSinceEpoch(i.modified).toString(QStringLiteral("yyyy/M/d H:mm"));
        default: return {};
    }
}

bool FileListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.column() != Name || index.row() >= count()) return false;
    // The rename runs where the device may be slow; the next reading shows its outcome.
    Q_EMIT renameRequested(index.row(), value.toString());
    return false;
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case Name: return QStringLiteral("名称");
        case Size: return QStringLiteral("大小");
        case Type: return QStringLiteral("类型");
        case Modified: return QStringLiteral("修改日期");
        default: return {};
    }
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == Name) f |= Qt::ItemIsEditable;
    return f;
}

}  // namespace zorvik::storage
