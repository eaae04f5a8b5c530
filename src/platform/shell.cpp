#include "platform/shell.h"

#include <QProcess>
#include <QString>

#include "platform/drives.h"

namespace zorvik::platform {

bool startScriptDetached(std::string_view scriptPath) {
    auto native = DriveTable::instance().toNative(scriptPath);
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

}  // namespace zorvik::platform

#include <unistd.h>

#include <climits>

namespace zorvik::platform {

std::string executableFolder() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return "./";
    std::string path(buffer, static_cast<size_t>(n));
    return path.substr(0, path.find_last_of('/') + 1);
}

}  // namespace zorvik::platform

namespace zorvik::platform {

bool openFolder(std::string_view path) {
    auto native = DriveTable::instance().toNative(path);
    if (!native) return false;
    return QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(*native)});
}

}  // namespace zorvik::platform

#include <sys/resource.h>
#include <sys/syscall.h>

namespace zorvik::platform {

void lowerCurrentThreadPriority() {
    // On Linux a nice value set through the thread id applies to that thread alone.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 10);
}

}  // namespace zorvik::platform
