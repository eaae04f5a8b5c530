#include "ui/copytexts.h"

#include <cerrno>

#include "platform/errortext.h"

namespace zorvik::ui::copytexts {

namespace {
// A box taller than the screen helps nobody; the count says the rest.
constexpr int kMostLinesShown = 20;
}  // namespace

QString doneText(int list, int notCopied) {
    if (notCopied > 0) return QStringLiteral("清单%1 有%2个文件未下载！").arg(list).arg(notCopied);
    return QStringLiteral("清单%1 下载完成！").arg(list);
}

QString notCopiedPanelText(int list, int notCopied) {
    return QStringLiteral("清单%1 有 %2 个文件没有下载成功").arg(list).arg(notCopied);
}

QString progressText(int list, const orders::CopyProgress& p) {
    if (p.immediate)
        return QString::number(p.index) + QStringLiteral("/") + QString::number(p.total) +
               QStringLiteral("正在下载...") + p.name;
    const QString count = QString::number(p.index) + QStringLiteral("/") + QString::number(p.total);
    switch (list) {
        case 1: return count + QStringLiteral(" 正在下载...") + p.name;
        case 2: return QStringLiteral("正在下载： ") + p.name;
        case 3: return count + QStringLiteral("正在下载： ") + p.name;
        case 4: return (p.prefixed ? QStringLiteral("正在下载...") : QStringLiteral("正在下载")) + count + p.name;
        default: return count + QStringLiteral("正在下载...") + p.name;
    }
}

std::optional<QString> secondPanelForFile(int list, const orders::CopyProgress& p) {
    if (p.immediate || !(list == 2 || (list == 4 && p.prefixed))) return std::nullopt;
    return QStringLiteral("正在下载...") + QString::number(p.index) + QStringLiteral("/") + QString::number(p.total);
}

std::optional<QString> secondPanelAtBatchEnd(int list) {
    if (list == 3 || list == 5) return QStringLiteral("下载完成!");
    return std::nullopt;
}

std::optional<QString> secondPanelAtImmediateEnd(int list) {
    if (list == 1) return QStringLiteral("复制完成!");
    return std::nullopt;
}

QString failureReason(platform::CopyFailure failure, int error) {
    using platform::CopyFailure;
    switch (failure) {
        case CopyFailure::DeviceFull: return QStringLiteral("磁盘空间已满");
        case CopyFailure::TooLargeForDevice:
            return QStringLiteral("文件太大，FAT32格式的磁盘只能存放小于4GB的文件");
        case CopyFailure::DeviceGone: return QStringLiteral("可移动磁盘已被拔出");
        case CopyFailure::ReadOnly: return QStringLiteral("磁盘写保护（只读），无法写入");
        case CopyFailure::SourceGone: return QStringLiteral("源文件不存在");
        case CopyFailure::NotAFile: return QStringLiteral("不是普通文件，不能复制");
        case CopyFailure::SourceTooShort: return QStringLiteral("源文件不完整");
        case CopyFailure::AlreadyThere: return QStringLiteral("已存在，未覆盖");
        case CopyFailure::OutsideLibrary: return QStringLiteral("不在曲库或本地下载文件夹中，拒绝复制");
        case CopyFailure::LeadsOffDevice: return QStringLiteral("设备上的文件夹链接到设备以外，拒绝写入");
        default: break;
    }
    if (error == EIO) return QStringLiteral("读写磁盘出错");
    if (error == 0) return QStringLiteral("复制出错");
    return QStringLiteral("复制出错（") + QString::fromStdString(platform::errorText(error)) + QStringLiteral("）");
}

QString notCopiedText(const QString& job, const orders::CopyFailures& failures) {
    QString text = job + QStringLiteral(" 有 ") + QString::number(failures.size()) +
                   QStringLiteral(" 个文件没有下载成功：");
    for (qsizetype i = 0; i < failures.size() && i < kMostLinesShown; ++i) {
        const auto& f = failures[i];
        text += QStringLiteral("\n") + f.name + QStringLiteral("：");
        if (!f.storedIn.isEmpty())
            text += QStringLiteral("没有下载到可移动磁盘，已存到 ") + f.storedIn;
        else
            text += failureReason(f.reason, f.error);
    }
    if (failures.size() > kMostLinesShown)
        text += QStringLiteral("\n……另有 ") + QString::number(failures.size() - kMostLinesShown) +
                QStringLiteral(" 个文件");
    return text;
}

}  // namespace zorvik::ui::copytexts
