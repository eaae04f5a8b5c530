#include "ui/secondarywindows.h"

namespace zorvik::ui {

namespace {
void setUp(QWidget* window, const char* objectName, const QString& caption, QSize size) {
    window->setObjectName(QLatin1String(objectName));
    window->setWindowTitle(caption);
    window->resize(size);
}
}  // namespace

TTuForm::TTuForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setUp(this, "TuForm", QStringLiteral("Zorvik影音 手机图片"), {1000, 742});
}

}  // namespace zorvik::ui
