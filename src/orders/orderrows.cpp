#include "orders/orderrows.h"

#include <algorithm>

#include "core/mediafiles.h"

namespace zorvik::orders {

OrderRows::OrderRows(QObject* parent) : QAbstractTableModel(parent) {}

OrderRows::Row OrderRows::build(const std::string& path) {
    std::string_view type = core::typeTextOf(path);
    return {QString::fromStdString(core::displayName(path)),
            QString::fromUtf8(type.data(), static_cast<qsizetype>(type.size())),
            QString::fromStdString(core::sizeText(core::fileSize(path))), core::iconOf(path), {}};
}

void OrderRows::append(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    beginInsertRows({}, count(), count() + static_cast<int>(paths.size()) - 1);
    for (const auto& p : paths) {
        entries_.push_back(p);
        rows_.push_back(build(p));
    }
    endInsertRows();
}

void OrderRows::replace(std::vector<std::string> paths) {
    beginResetModel();
    entries_ = std::move(paths);
    rows_.clear();
    rows_.reserve(entries_.size());
    for (const auto& p : entries_) rows_.push_back(build(p));
    endResetModel();
}

void OrderRows::replace(std::vector<platform::FileLine> lines) {
    std::vector<std::string> paths;
    paths.reserve(lines.size());
    for (auto& line : lines) paths.push_back(std::move(line.text));
    replace(std::move(paths));
    for (size_t i = 0; i < lines.size(); ++i) rows_[i].undecodable = std::move(lines[i].undecodable);
}

std::vector<platform::FileLine> OrderRows::fileLines() const {
    std::vector<platform::FileLine> lines;
    lines.reserve(entries_.size());
    for (size_t i = 0; i < entries_.size(); ++i) lines.push_back({entries_[i], rows_[i].undecodable});
    return lines;
}

void OrderRows::remove(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : rows) {
        if (row < 0 || row >= count()) continue;
        beginRemoveRows({}, row, row);
        entries_.erase(entries_.begin() + row);
        rows_.erase(rows_.begin() + row);
        endRemoveRows();
    }
}

int OrderRows::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

int OrderRows::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant OrderRows::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) return {};
    const Row& row = rows_[static_cast<size_t>(index.row())];
    if (role == Qt::DecorationRole && index.column() == Name) return icons_[static_cast<size_t>(row.icon)];
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
        case Name: return row.name;
        case Type: return row.type;
        case Size: return row.size;
        default: return {};
    }
}

QVariant OrderRows::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case Name: return QStringLiteral("名称");
        case Type: return QStringLiteral("类型");
        case Size: return QStringLiteral("大小(MB)");
        default: return {};
    }
}

Qt::ItemFlags OrderRows::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace zorvik::orders
