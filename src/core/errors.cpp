#include "core/errors.h"

#include <QMetaMethod>

#include <cstdio>

namespace zorvik::core {

void ErrorReports::report(const std::string& message) {
    if (isSignalConnected(QMetaMethod::fromSignal(&ErrorReports::reported)))
        Q_EMIT reported(QString::fromStdString(message));
    else
        std::fprintf(stderr, "zorvik: %s\n", message.c_str());
}

void ErrorReports::reportFile(std::string_view operation, std::string_view file, std::string_view reason) {
    std::string message(operation);
    message.append("：").append(file);
    if (!reason.empty()) message.append("\n").append(reason);
    report(message);
}

}  // namespace zorvik::core
