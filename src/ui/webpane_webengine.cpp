#include <QVBoxLayout>
#include <QWebEngineView>

#include <unistd.h>

#include "ui/webpane.h"

namespace zorvik::ui {

WebPane::WebPane(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

bool WebPane::available() { return true; }

void WebPane::start() {
    if (browser_) return;
    // The engine's sandbox refuses to run as root; a counter PC may well run
    // the station so. Read when the engine first starts, which is now.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    auto* view = new QWebEngineView(this);
    view->setObjectName(objectName() + QStringLiteral("View"));
    connect(view, &QWebEngineView::loadFinished, this, [this](bool ok) {
        hasDocument_ = true;
        Q_EMIT loadFinished(ok);
    });
    layout()->addWidget(view);
    browser_ = view;
}

void WebPane::load(const QUrl& url) {
    start();
    static_cast<QWebEngineView*>(browser_)->load(url);
}

QString WebPane::selectedText() const {
    return browser_ ? static_cast<QWebEngineView*>(browser_)->selectedText() : QString();
}

}  // namespace zorvik::ui
