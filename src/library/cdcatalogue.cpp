#include "library/cdcatalogue.h"

#include <QFileInfo>

namespace zorvik::library {

const QString CdCatalogue::kInitialHeader = QStringLiteral("--  -- --  --我的音乐--  --  --  --");

CdCatalogue::CdCatalogue(QObject* parent) : QObject(parent) { lines_.setStringList({header_}); }

QString CdCatalogue::nameLine(const QString& filePath) {
    QString name = QFileInfo(filePath).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0) {
        // "a.mp3.remix.mp3" lists as "a.remix.mp3": the first ".mp3" goes.
        const QString extension = name.mid(dot);
        name.remove(name.indexOf(extension), extension.size());
    }
    return name + QString(30, u' ');
}

void CdCatalogue::setFiles(const QStringList& filePaths) {
    QStringList lines;
    lines.reserve(filePaths.size());
    for (const QString& path : filePaths) lines << nameLine(path);
    names_.setStringList(lines);
}

void CdCatalogue::layOut() {
    QStringList lines{header_};
    const QStringList names = names_.stringList();
    for (qsizetype i = 0; i < names.size(); ++i) lines << QString::number(i + 1) + QStringLiteral("...") + names[i];
    lines_.setStringList(lines);
}

void CdCatalogue::setHeader(const QString& header) {
    header_ = header;
    lines_.setData(lines_.index(0), header_);
}

QStringList CdCatalogue::printedLines(const QString& address, const QString& telephone) const {
    QStringList lines = lines_.stringList();
    lines << QStringLiteral("地址:") + address << QStringLiteral("电话:") + telephone;
    return lines;
}

}  // namespace zorvik::library
