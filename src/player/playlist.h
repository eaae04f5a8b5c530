#pragma once

#include <QAbstractListModel>
#include <string>
#include <vector>

#include "core/errors.h"

namespace zorvik::player {

// One playlist entry: the full path and the name shown for it.
struct PlaylistEntry {
    std::string path;
    std::string name;
    // The line's bytes when they did not decode: saved back as they were.
    std::string undecodable = {};
};

// The preview playlist: entry i is (names[i], paths[i]); the view shows the
// names. Kept in "播放列表.txt" as one full path a line (GB18030, CR LF after
// every line); the names are worked out again when it is loaded.
class Playlist final : public QAbstractListModel {
    Q_OBJECT
public:
    Playlist(std::string file, core::ErrorReports& errors, QObject* parent = nullptr);

    int count() const { return static_cast<int>(entries_.size()); }
    const PlaylistEntry& entry(int i) const { return entries_[static_cast<size_t>(i)]; }
    const std::string& file() const { return file_; }

    void append(const std::vector<PlaylistEntry>& entries);
    void clear();
    void remove(int i);
    // Paths from the file, names as the lists show them; a missing file is an
    // empty list. A file that cannot be read goes to the error box, and is
    // never written over: it may still hold the shop's playlist.
    void load();
    // Writes the paths whole and atomically; false (with the reason sent to
    // the error box) when that failed.
    bool save() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    std::string file_;
    core::ErrorReports& errors_;
    std::vector<PlaylistEntry> entries_;
    std::string unreadable_;  // why the file could not be read
};

}  // namespace zorvik::player
