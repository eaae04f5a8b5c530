#pragma once

#include <QString>

namespace zorvik::ui::texts {

inline const QString kApplicationTitle = QStringLiteral("Zorvik影音  手机下载系统 2011");
inline const QString kMainTitle = QStringLiteral("Zorvik影音 手机下载系统2015.10.10");
inline const QString kAlreadyRunning = QStringLiteral("程序已经运行");

}  // namespace zorvik::ui::texts
