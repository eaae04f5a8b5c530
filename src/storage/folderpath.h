#pragma once

#include <QString>
#include <QStringList>

// Folders of the file manager are drive paths ("G:\Music"), without a
// trailing backslash except on a drive root, which keeps its own ("G:\").
namespace zorvik::storage {

// The folder form of a path: drive letter in upper case, '/' as '\', no
// trailing backslash but a root's. An empty text stays empty.
QString folderForm(const QString& path);
bool isDriveRoot(const QString& folder);
// `name` inside `folder`, one backslash between them even after a root.
QString childPath(const QString& folder, const QString& name);
// The folders from the drive root down to `folder`, each in folder form.
QStringList foldersDownTo(const QString& folder);

}  // namespace zorvik::storage
