#include "ui/secondarywindows.h"

namespace zorvik::ui {

namespace {
void setUp(QWidget* window, const char* objectName, const QString& caption, QSize size) {
    window->setObjectName(QLatin1String(objectName));
    window->setWindowTitle(caption);
    window->resize(size);
}
}  // namespace

Twang::Twang(QWidget* parent) : QWidget(parent, Qt::Window) {
    setUp(this, "wang", QStringLiteral("  Brask搜歌 ----网  络  搜  索"), {800, 600});
}

TGYuForm4::TGYuForm4(QWidget* parent) : QWidget(parent, Qt::Window) {
    setUp(this, "GYuForm4", QStringLiteral("Brask搜歌手机下载系统"), {480, 360});
}

TCDMuLuForm::TCDMuLuForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setUp(this, "CDMuLuForm", QStringLiteral("Brask搜歌 之 CD目录"), {600, 500});
}

}  // namespace zorvik::ui
