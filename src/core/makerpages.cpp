#include "core/makerpages.h"

namespace zorvik::core {

namespace {

QUrl pageAddress(const Settings& settings, const char* key, const ProgramFolders& folders,
                 const char* shipped) {
    const QString program = QString::fromStdString(folders.program);
    const QString value = QString::fromStdString(settings.read(kMakerPagesSection, key));
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
    return {pageAddress(settings, kHomePageKey, folders, kShippedHomePage),
            pageAddress(settings, kResourcePageKey, folders, kShippedResourcePage)};
}

}  // namespace zorvik::core
