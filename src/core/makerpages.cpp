#include "core/makerpages.h"

namespace zorvik::core {

namespace {

QUrl pageAddress(const Settings& settings, const keys::Key& key, const ProgramFolders& folders,
                 const char* shipped) {
    const QString program = QString::fromStdString(folders.program);
    const QString value = QString::fromStdString(settings.read(key));
    // "www.example.cn" becomes an http address, a path a file address; a
    // relative path is taken from the program folder.
    if (!value.isEmpty()) {
        QUrl url = QUrl::fromUserInput(value, program);
        if (url.isValid()) return url;
    }
    return QUrl::fromLocalFile(program + QString::fromUtf8(shipped));
}

}  // namespace

MakerPages makerPages(const Settings& settings, const ProgramFolders& folders) {
    return {pageAddress(settings, keys::kHomePage, folders, kShippedHomePage),
            pageAddress(settings, keys::kResourcePage, folders, kShippedResourcePage)};
}

}  // namespace zorvik::core
