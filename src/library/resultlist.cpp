#include "library/resultlist.h"

#include <iterator>

#include "library/files.h"

namespace zorvik::library {

namespace {
constexpr std::int64_t kUnknown = -2;  // -1 is taken: a file that cannot be found
}

ResultList::ResultList(QObject* parent) : QAbstractTableModel(parent) {}

void ResultList::clear() {
    beginResetModel();
    paths_ = {};
    sizes_.clear();
    sizes_.shrink_to_fit();
    endResetModel();
    Q_EMIT countChanged(0);
}

void ResultList::append(std::vector<std::string>&& paths) {
    if (paths.empty()) return;
    int first = count();
    beginInsertRows({}, first, first + static_cast<int>(paths.size()) - 1);
    std::move(paths.begin(), paths.end(), std::back_inserter(paths_));
    sizes_.resize(paths_.size(), kUnknown);
    endInsertRows();
    Q_EMIT countChanged(count());
}

void ResultList::replacePath(int row, std::string path) {
    if (row < 0 || row >= count()) return;
    paths_[static_cast<size_t>(row)] = std::move(path);
    sizes_[static_cast<size_t>(row)] = kUnknown;
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int ResultList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

int ResultList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

std::int64_t ResultList::sizeOf(int row) const {
    auto& size = sizes_[static_cast<size_t>(row)];
    if (size == kUnknown) size = fileSize(paths_[static_cast<size_t>(row)]);
    return size;
}

QVariant ResultList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) return {};
    const std::string& p = path(index.row());
    if (role == Qt::DecorationRole && index.column() == Name)
        return icons_[static_cast<size_t>(iconOf(p))];
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
        case Name: return QString::fromStdString(displayName(p));
        case Type: {
            std::string_view type = typeTextOf(p);
            return QString::fromUtf8(type.data(), static_cast<qsizetype>(type.size()));
        }
        case Size: return QString::fromStdString(sizeText(sizeOf(index.row())));
        case Number: return index.row() + 1;
        default: return {};
    }
}

QVariant ResultList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case Name: return QStringLiteral("名称");
        case Type: return QStringLiteral("类型");
        case Size: return QStringLiteral("大小(MB)");
        case Number: return QStringLiteral("序号");
        default: return {};
    }
}

Qt::ItemFlags ResultList::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace zorvik::library
