#include "library/resultlist.h"

#include <algorithm>

#include "core/mediafiles.h"
#include "library/hotlist.h"

namespace zorvik::library {

namespace {
constexpr std::int64_t kUnknown = -2;  // -1 is taken: a file that cannot be found
constexpr std::int64_t kAsked = -3;    // being read
}  // namespace

ResultList::ResultList(core::JobRegistry& jobs, const platform::DriveTable& drives, QObject* parent)
    : QAbstractTableModel(parent),
      drives_(drives),
      sizeReader_(jobs, drives, this, [this](std::vector<FileSizes::Size> sizes) { sized(sizes); }) {}

void ResultList::sized(const std::vector<FileSizes::Size>& sizes) {
    int first = count(), last = -1;
    for (const auto& size : sizes) {
        if (size.row >= count()) continue;
        const Row& r = rows_[static_cast<size_t>(size.row)];
        if (r.path != size.path) continue;
        r.size = size.bytes;
        first = std::min(first, size.row);
        last = std::max(last, size.row);
    }
    if (last >= 0) Q_EMIT dataChanged(index(first, Size), index(last, Size));
}

void ResultList::clear() {
    beginResetModel();
    sizeReader_.forget();
    rows_ = std::deque<Row>();  // with its block map, which clear() would keep
    source_ = Source::SearchResults;
    endResetModel();
    Q_EMIT countChanged(0);
}

void ResultList::append(std::vector<std::string>&& paths) {
    if (paths.empty()) return;
    int first = count();
    beginInsertRows({}, first, first + static_cast<int>(paths.size()) - 1);
    for (auto& path : paths) rows_.push_back({std::move(path), nullptr, kUnknown});
    endInsertRows();
    Q_EMIT countChanged(count());
}

void ResultList::showHotView(const std::vector<std::string>& lines) {
    clear();
    if (lines.empty()) return;
    beginInsertRows({}, 0, static_cast<int>(lines.size()) - 1);
    source_ = Source::HotView;
    for (const auto& text : lines) {
        const auto parts = splitHotLine(text);
        rows_.push_back({std::string(parts.path), std::make_unique<const std::string>(parts.prefix), kUnknown});
    }
    endInsertRows();
    Q_EMIT countChanged(count());
}

std::string ResultList::line(int row) const {
    if (row < 0 || row >= count()) return {};
    const Row& r = rows_[static_cast<size_t>(row)];
    return r.hotPrefix ? *r.hotPrefix + r.path : r.path;
}

void ResultList::replacePath(int row, std::string path) {
    if (row < 0 || row >= count()) return;
    Row& r = rows_[static_cast<size_t>(row)];
    r.path = std::move(path);
    r.size = kUnknown;
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void ResultList::removeResult(int row) {
    if (row < 0 || row >= count()) return;
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    // Answers on their way name the rows as they were: the rows that moved
    // up are asked again.
    for (auto it = rows_.begin() + row; it != rows_.end(); ++it)
        if (it->size == kAsked) it->size = kUnknown;
    endRemoveRows();
}

int ResultList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

int ResultList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

std::optional<std::int64_t> ResultList::sizeOf(int row) const {
    const Row& r = rows_[static_cast<size_t>(row)];
    if (r.size == kUnknown) {
        r.size = kAsked;
        sizeReader_.request(row, r.path);
    }
    if (r.size == kAsked) return std::nullopt;
    return r.size;
}

QVariant ResultList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) return {};
    const Row& r = rows_[static_cast<size_t>(index.row())];
    const std::string& p = r.path;
    if (role == Qt::DecorationRole && index.column() == Name)
        return icons_[static_cast<size_t>(core::iconOf(p))];
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
        case Name:
            if (r.hotPrefix) return QString::fromStdString(*r.hotPrefix + core::displayName(p));
            return QString::fromStdString(core::displayName(p));
        case Type: {
            std::string_view type = core::typeTextOf(p);
            return QString::fromUtf8(type.data(), static_cast<qsizetype>(type.size()));
        }
        case Size: {
            const auto size = sizeOf(index.row());
            if (!size) return QString();  // shown once the disk has answered
            if (*size < 0 && source_ == Source::HotView) return QStringLiteral("不存在");
            return QString::fromStdString(core::sizeText(*size));
        }
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
