#include "platform/shell.h"

#include <QProcess>
#include <QString>

#include "platform/drives.h"

namespace zorvik::platform {

bool startScriptDetached(const DriveTable& drives, std::string_view scriptPath) {
    auto native = drives.toNative(scriptPath);
    if (!native) return false;
    QString script = QString::fromStdString(*native);
    QProcess process;
    process.setProgram(QStringLiteral("sh"));
    process.setArguments({script});
    process.setWorkingDirectory(script.left(script.lastIndexOf(u'/') + 1));
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

bool openFolder(const DriveTable& drives, std::string_view path) {
    auto native = drives.toNative(path);
    if (!native) return false;
    return QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(*native)});
}

}  // namespace zorvik::platform
