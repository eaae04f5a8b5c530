#include "player/playlist.h"

#include "core/errors.h"
#include "library/files.h"
#include "platform/fileops.h"
#include "platform/textcodec.h"

namespace zorvik::player {

Playlist::Playlist(std::string file, QObject* parent) : QAbstractListModel(parent), file_(std::move(file)) {}

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
    if (platform::fileExists(file_))
        if (auto lines = platform::readTextLines(file_))
            for (auto& path : *lines) {
                std::string name = library::displayName(path);
                loaded.push_back({std::move(path), std::move(name)});
            }
    beginResetModel();
    entries_ = std::move(loaded);
    endResetModel();
}

bool Playlist::save() const {
    std::vector<std::string> paths;
    paths.reserve(entries_.size());
    for (const auto& e : entries_) paths.push_back(e.path);
    if (platform::writeTextLines(file_, paths)) return true;
    core::reportError("播放列表无法保存：" + file_ + "\n" + platform::lastErrorText());
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
