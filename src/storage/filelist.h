#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QVariant>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/drives.h"

namespace zorvik::storage {

struct FileItem {
    QString name;
    bool folder = false;
    std::int64_t size = 0;
    std::int64_t modified = 0;  // seconds since the epoch
};

// The items of a folder as the file list shows them: hidden ones left out,
// folders first, each part in the order of a Chinese Windows file view.
// Reads the device: run it off the GUI thread. nullopt when the folder cannot
// be read or `keepGoing` stopped it.
std::optional<std::vector<FileItem>> readFileItems(const platform::DriveTable& drives, const QString& folder,
                                                   const std::function<bool()>& keepGoing = {});

// The file list of the file manager in report style: name, size, type and
// date of each item of one folder. Names can be edited in place; the model
// never renames by itself but asks for it, and shows the folder as the next
// reading finds it.
class FileListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name = 0, Size, Type, Modified, ColumnCount };

    explicit FileListModel(QObject* parent = nullptr);

    // The items of `folder` replace whatever was shown.
    void show(const QString& folder, std::vector<FileItem> items);
    const QString& folder() const { return folder_; }
    int count() const { return static_cast<int>(items_.size()); }
    const FileItem& item(int row) const { return items_[static_cast<size_t>(row)]; }
    // Drive path of the item in row `row`.
    QString path(int row) const;
    int rowOf(const QString& name) const;

    // Icons from the window layer: folder, plain file, and the five media groups.
    void setIcons(QVariant folder, QVariant file, std::array<QVariant, 5> groups);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

Q_SIGNALS:
    // The operator edited the name of row `row` in place.
    void renameRequested(int row, const QString& newName);

private:
    // Brings the rows in line with a new reading of the same folder; false
    // when a reset does it better.
    bool update(std::vector<FileItem>& items);
    // Removes the rows gone and inserts the new ones; false after more than
    // `mostChanges` or when the order differs.
    bool updateRows(const std::vector<FileItem>& items, size_t mostChanges);

    QString folder_;
    std::vector<FileItem> items_;
    QVariant folderIcon_;
    QVariant fileIcon_;
    std::array<QVariant, 5> groupIcons_;
};

// "1,234 KB": whole kilobytes rounded up, as a Windows file view writes sizes.
QString kilobyteText(std::int64_t bytes);

}  // namespace zorvik::storage
