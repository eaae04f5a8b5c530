#include "player/playlist.h"

#include <cerrno>

#include "core/errors.h"
#include "core/mediafiles.h"
#include "platform/fileops.h"
#include "platform/textcodec.h"

namespace zorvik::player {

namespace {
constexpr std::string_view kSaveFailed = "无法保存播放列表文件";
}  // namespace

Playlist::Playlist(std::string file, core::ErrorReports& errors, QObject* parent)
    : QAbstractListModel(parent), file_(std::move(file)), errors_(errors) {}

void Playlist::append(const std::vector<PlaylistEntry>& entries) {
    if (entries.empty()) return;
    beginInsertRows({}, count(), count() + static_cast<int>(entries.size()) - 1);
    entries_.insert(entries_.end(), entries.begin(), entries.end());
    endInsertRows();
}

void Playlist::clear() {
    beginResetModel();
    entries_.clear();
    endResetModel();
}

void Playlist::remove(int i) {
    if (i < 0 || i >= count()) return;
    beginRemoveRows({}, i, i);
    entries_.erase(entries_.begin() + i);
    endRemoveRows();
}

void Playlist::load() {
    std::vector<PlaylistEntry> loaded;
    unreadable_.clear();
    if (auto lines = platform::readFileLines(file_)) {
        for (auto& line : *lines) {
            std::string name = core::displayName(line.text);
            loaded.push_back({std::move(line.text), std::move(name), std::move(line.undecodable)});
        }
    } else if (lines.error() != ENOENT) {
        unreadable_ = lines.errorText();
        errors_.reportFile("无法读取播放列表文件", file_, unreadable_);
    }
    beginResetModel();
    entries_ = std::move(loaded);
    endResetModel();
}

bool Playlist::save() const {
    if (!unreadable_.empty()) {
        errors_.reportFile(kSaveFailed, file_, unreadable_);
        return false;
    }
    std::vector<platform::FileLine> lines;
    lines.reserve(entries_.size());
    for (const auto& e : entries_) lines.push_back({e.path, e.undecodable});
    auto written = platform::writeWholeFile(file_, platform::encodeFileLines(lines));
    if (written) return true;
    errors_.reportFile(kSaveFailed, file_, written.errorText());
    return false;
}

int Playlist::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QVariant Playlist::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return QString::fromStdString(entry(index.row()).name);
    return {};
}

}  // namespace zorvik::player
