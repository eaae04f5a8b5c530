#include "storage/folderpath.h"

namespace zorvik::storage {

QString folderForm(const QString& path) {
    QString folder = path;
    folder.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (folder.size() >= 2 && folder[1] == QLatin1Char(':')) folder[0] = folder[0].toUpper();
    while (folder.endsWith(QLatin1Char('\\')) && !isDriveRoot(folder)) folder.chop(1);
    if (folder.size() == 2 && folder[1] == QLatin1Char(':')) folder += QLatin1Char('\\');
    return folder;
}

bool isDriveRoot(const QString& folder) {
    return folder.size() == 3 && folder[1] == QLatin1Char(':') && folder[2] == QLatin1Char('\\');
}

QString childPath(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('\\'))) return folder + name;
    return folder + QLatin1Char('\\') + name;
}

QStringList foldersDownTo(const QString& folder) {
    const QString target = folderForm(folder);
    if (target.size() < 3 || target[1] != QLatin1Char(':')) return {};
    QStringList chain{target.left(3)};
    for (const QString& part : target.mid(3).split(QLatin1Char('\\'), Qt::SkipEmptyParts))
        chain << childPath(chain.back(), part);
    return chain;
}

}  // namespace zorvik::storage
