#include <QLabel>
#include <QVBoxLayout>

#include "ui/webpane.h"

namespace zorvik::ui {

WebPane::WebPane(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* notice = new QLabel(QStringLiteral("网上搜索不可用：本程序编译时没有网页浏览组件 (Qt WebEngine)。"), this);
    notice->setObjectName(QStringLiteral("webSearchUnavailable"));
    notice->setAlignment(Qt::AlignCenter);
    layout->addWidget(notice);
}

bool WebPane::available() { return false; }

void WebPane::start() {}

void WebPane::load(const QUrl&) {}

QString WebPane::selectedText() const { return {}; }

}  // namespace zorvik::ui
