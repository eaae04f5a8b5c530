#pragma once

#include <QAbstractTableModel>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/jobs.h"
#include "library/filesizes.h"
#include "platform/textcodec.h"

namespace zorvik::orders {

// The order view's rows over the active order list's entries: row i always
// shows entry i. Rows are built when entries are added or a list is loaded;
// their sizes follow from a job (a library disk may answer late).
class OrderRows final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name = 0, Type, Size, ColumnCount };

    OrderRows(core::JobRegistry& jobs, const platform::DriveTable& drives, QObject* parent = nullptr);

    const std::vector<std::string>& entries() const { return entries_; }
    int count() const { return static_cast<int>(entries_.size()); }
    const std::string& entry(int row) const { return entries_[static_cast<size_t>(row)]; }

    void append(const std::vector<std::string>& paths);
    void replace(std::vector<std::string> paths);
    // The entries of a list file. A line that did not decode keeps its
    // bytes, and fileLines() gives them back unchanged.
    void replace(std::vector<platform::FileLine> lines);
    std::vector<platform::FileLine> fileLines() const;
    // Removes the rows given (any order, duplicates ignored).
    void remove(std::vector<int> rows);

    void setGroupIcons(std::array<QVariant, 5> icons) { icons_ = std::move(icons); }

    // Each row's file size as read on a job: kSizeUnknown until it is in,
    // -1 for a file that is not there.
    static constexpr std::int64_t kSizeUnknown = -2;
    std::vector<std::int64_t> sizes() const;
    // Some row's size is still being read.
    bool sizing() const;
    bool waitUntil(core::Job::Deadline deadline) const { return sizes_.waitUntil(deadline); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

Q_SIGNALS:
    // Every row's size is in: the tally may count them.
    void sizesKnown();

private:
    struct Row {
        QString name;
        QString type;
        QString size;
        int icon;
        std::string undecodable;  // the list file's bytes of an entry that did not decode
        std::int64_t bytes;
    };
    static Row build(const std::string& path);
    void sized(const std::vector<library::FileSizes::Size>& sizes);

    std::vector<std::string> entries_;
    std::vector<Row> rows_;
    std::array<QVariant, 5> icons_;
    library::FileSizes sizes_;  // last: its jobs are joined before the rest goes
};

}  // namespace zorvik::orders
