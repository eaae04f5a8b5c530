#pragma once

#include <QObject>
#include <QString>

#include <string>
#include <string_view>

namespace zorvik::core {

// Where errors that reach the top of an operation go: one per station, handed
// to whatever reports. The window connects `reported` queued and shows the
// error box once the operation has returned, never in the middle of it; with
// nothing connected the errors go to standard error. Any thread.
class ErrorReports final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    void report(const std::string& message);
    // "operation：file" and, on the next line, why: the error box of a file
    // operation that failed.
    void reportFile(std::string_view operation, std::string_view file, std::string_view reason);

Q_SIGNALS:
    void reported(const QString& message);
};

}  // namespace zorvik::core
