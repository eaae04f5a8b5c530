#pragma once

#include <QAbstractTableModel>
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "library/filesizes.h"

namespace zorvik::library {

// The result store and the rows shown for it: row i is store line i. Rows
// arrive in batches while a walk runs. What a row shows is worked out when
// the view asks for it, and a file's size is read once, on a job, when its
// row is first drawn, so a listing of a million hits costs only its paths
// and a slow library disk never holds the window.
class ResultList final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name = 0, Type, Size, Number, ColumnCount };

    ResultList(core::JobRegistry& jobs, const platform::DriveTable& drives, QObject* parent = nullptr);

    const platform::DriveTable& drives() const { return drives_; }

    // The store, the rows and the cursor are always cleared together.
    void clear();
    void append(std::vector<std::string>&& paths);

    int count() const { return static_cast<int>(rows_.size()); }
    // The path behind a row, for every operation that takes a row's file:
    // in the hot view, its line less the count and "C," in front.
    const std::string& path(int row) const { return rows_[static_cast<size_t>(row)].path; }

    // What backs the rows: the result store, or the hot view, whose line i
    // (the hot list read backwards) row i shows.
    enum class Source { SearchResults, HotView };
    Source source() const { return source_; }
    // Rows for the hot view's lines; the next clear returns to search results.
    void showHotView(const std::vector<std::string>& lines);
    // The text behind a row: a store line, or a hot view line with its count.
    std::string line(int row) const;
    // After a rename: the row names the file that now exists.
    void replacePath(int row, std::string path);
    // The rows after it move up, each with its own path, count and size.
    void removeResult(int row);

    // Icons of the five media groups, given by the window layer.
    void setGroupIcons(std::array<QVariant, 5> icons) { icons_ = std::move(icons); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    bool waitUntil(core::Job::Deadline deadline) const { return sizeReader_.waitUntil(deadline); }

Q_SIGNALS:
    void countChanged(int rows);

private:
    const platform::DriveTable& drives_;
    // What a row knows goes in one place, so that no change to the rows can
    // leave one part of a row behind.
    struct Row {
        std::string path;
        // The count and "C," in front of a hot view row's path. Only hot view
        // rows have one, so a listing of a million hits pays a pointer each.
        std::unique_ptr<const std::string> hotPrefix;
        mutable std::int64_t size;  // read on a job when the row is first shown
    };
    // Nothing while the size is being read.
    std::optional<std::int64_t> sizeOf(int row) const;
    void sized(const std::vector<FileSizes::Size>& sizes);

    std::deque<Row> rows_;  // grows without moving what it holds
    std::array<QVariant, 5> icons_;
    Source source_ = Source::SearchResults;
    mutable FileSizes sizeReader_;  // last: its jobs are joined before the rest goes
};

}  // namespace zorvik::library
