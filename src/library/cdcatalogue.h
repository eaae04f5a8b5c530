#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QStringListModel>

namespace zorvik::library {

// A track list for a music CD: names taken from chosen files, and the
// catalogue laid out from them under a header line. The catalogue is a
// snapshot of the names at the last lay-out; the header is live.
class CdCatalogue final : public QObject {
    Q_OBJECT
public:
    static const QString kInitialHeader;

    explicit CdCatalogue(QObject* parent = nullptr);

    // The name list line of a chosen file: its name without folder, less the
    // first occurrence of its extension, then 30 blanks.
    static QString nameLine(const QString& filePath);

    // Replaces the name list with the lines of these files, in this order.
    void setFiles(const QStringList& filePaths);
    // "排版": the header, then "1..." + first name line and so on.
    void layOut();
    // Line 0 follows the header field at once; the numbered lines stay.
    void setHeader(const QString& header);
    const QString& header() const { return header_; }

    // What a print writes, one printed line each: the catalogue, then the
    // address line and the telephone line.
    QStringList printedLines(const QString& address, const QString& telephone) const;

    QStringListModel& names() { return names_; }
    QStringListModel& lines() { return lines_; }
    QStringList nameLines() const { return names_.stringList(); }
    QStringList catalogue() const { return lines_.stringList(); }

private:
    QString header_ = kInitialHeader;
    QStringListModel names_;
    QStringListModel lines_;
};

}  // namespace zorvik::library
