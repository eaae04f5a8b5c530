#include "ui/drivefolderdialog.h"

#include <QDir>
#include <QFileDialog>
#include <QList>
#include <QUrl>

namespace zorvik::ui {

std::string chooseDriveFolder(QWidget* parent, char letter, const std::vector<std::string>& disks) {
    QFileDialog dialog(parent, QStringLiteral("选择%1盘对应的文件夹").arg(QChar::fromLatin1(letter)));
    dialog.setObjectName(QStringLiteral("driveFolderDialog"));
    // Qt's own dialog everywhere: the side list below is part of it.
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("查找范围："));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("文件夹："));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("类型："));
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("选择"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
    QList<QUrl> places;
    for (const auto& disk : disks) places << QUrl::fromLocalFile(QString::fromStdString(disk));
    places << QUrl::fromLocalFile(QDir::homePath()) << QUrl::fromLocalFile(QDir::rootPath());
    dialog.setSidebarUrls(places);
    dialog.setDirectory(disks.empty() ? QDir::homePath() : QString::fromStdString(disks.front()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return QDir::cleanPath(dialog.selectedFiles().front()).toStdString();
}

}  // namespace zorvik::ui
