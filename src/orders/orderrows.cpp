#include "orders/orderrows.h"

#include <algorithm>

#include "core/mediafiles.h"

namespace zorvik::orders {

OrderRows::OrderRows(core::JobRegistry& jobs, const platform::DriveTable& drives, QObject* parent)
    : QAbstractTableModel(parent), sizes_(jobs, drives, this, [this](std::vector<library::FileSizes::Size> sizes) { sized(sizes); }) {}

// The size is read on a job: the row shows it once it is in.
OrderRows::Row OrderRows::build(const std::string& path) {
    std::string_view type = core::typeTextOf(path);
    return {QString::fromStdString(core::displayName(path)),
            QString::fromUtf8(type.data(), static_cast<qsizetype>(type.size())), {}, core::iconOf(path), {},
            kSizeUnknown};
}

void OrderRows::append(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    beginInsertRows({}, count(), count() + static_cast<int>(paths.size()) - 1);
    for (const auto& p : paths) {
        sizes_.request(count(), p);
        entries_.push_back(p);
        rows_.push_back(build(p));
    }
    endInsertRows();
}

void OrderRows::replace(std::vector<std::string> paths) {
    beginResetModel();
    sizes_.forget();
    entries_ = std::move(paths);
    rows_.clear();
    rows_.reserve(entries_.size());
    for (const auto& p : entries_) {
        sizes_.request(static_cast<int>(rows_.size()), p);
        rows_.push_back(build(p));
    }
    endResetModel();
}

void OrderRows::sized(const std::vector<library::FileSizes::Size>& sizes) {
    int first = count(), last = -1;
    for (const auto& size : sizes) {
        // Rows removed meanwhile moved the others up: the path finds its row.
        int row = size.row;
        if (row >= count() || entries_[static_cast<size_t>(row)] != size.path) {
            auto it = std::find(entries_.begin(), entries_.end(), size.path);
            if (it == entries_.end()) continue;
            row = static_cast<int>(it - entries_.begin());
        }
        Row& r = rows_[static_cast<size_t>(row)];
        r.bytes = size.bytes;
        r.size = QString::fromStdString(core::sizeText(size.bytes));
        first = std::min(first, row);
        last = std::max(last, row);
    }
    if (last < 0) return;
    Q_EMIT dataChanged(index(first, Size), index(last, Size));
    if (!sizing()) Q_EMIT sizesKnown();
}

std::vector<std::int64_t> OrderRows::sizes() const {
    std::vector<std::int64_t> sizes;
    sizes.reserve(rows_.size());
    for (const auto& r : rows_) sizes.push_back(r.bytes);
    return sizes;
}

bool OrderRows::sizing() const {
    return std::any_of(rows_.begin(), rows_.end(), [](const Row& r) { return r.bytes == kSizeUnknown; });
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
