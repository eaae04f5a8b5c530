#include "ui/webpane.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLibrary>
#include <QOpenGLContext>
#include <QVBoxLayout>

#include <unistd.h>

#include "platform/shell.h"

QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace zorvik::ui {

namespace {

QOpenGLContext* sharedContext = nullptr;

void dropSharedContext() {
    qt_gl_set_global_share_context(nullptr);
    delete sharedContext;
    sharedContext = nullptr;
}

// The engine draws into OpenGL contexts that share with one global context.
// Made here, before the engine's first view, rather than by asking for
// AA_ShareOpenGLContexts before the application exists: that loads the whole
// OpenGL stack into every start of the station, web search or not.
void shareOpenGLContexts() {
    if (QOpenGLContext::globalShareContext()) return;
    sharedContext = new QOpenGLContext;
    sharedContext->create();
    qt_gl_set_global_share_context(sharedContext);
    qAddPostRoutine(dropSharedContext);
}

using CreateView = QWidget* (*)(QWidget* parent);

// The web view module beside the program, loaded once; null with the reason
// when this build or this machine has none.
CreateView webViewFactory(QString& failure) {
    static QString reason;
    static const CreateView create = [] {
#if ZORVIK_WITH_WEBENGINE
        // The engine's sandbox refuses to run as root, and a counter PC may
        // well run the station so. Read when the engine starts, which is now.
        if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
            qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        shareOpenGLContexts();
        QLibrary module(QString::fromStdString(platform::executableFolder()) + QStringLiteral("zorvik_webview"));
        auto factory = reinterpret_cast<CreateView>(module.resolve("zorvik_create_web_view"));
        if (!factory) reason = module.errorString();
        return factory;
#else
        reason = QStringLiteral("本程序编译时没有网页浏览组件 (Qt WebEngine)");
        return CreateView{};
#endif
    }();
    failure = reason;
    return create;
}

}  // namespace

WebPane::WebPane(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

bool WebPane::available() {
#if ZORVIK_WITH_WEBENGINE
    return true;
#else
    return false;
#endif
}

void WebPane::start() {
    if (browser_ || notice_) return;
    QString failure;
    if (CreateView create = webViewFactory(failure)) {
        browser_ = create(this);
        browser_->setObjectName(objectName() + QStringLiteral("View"));
        // The view is reached through its meta-object, so the station itself
        // does not link the engine.
        connect(browser_, SIGNAL(loadFinished(bool)), this, SLOT(documentLoaded(bool)));
        layout()->addWidget(browser_);
        return;
    }
    notice_ = new QLabel(QStringLiteral("网上搜索不可用：") + failure, this);
    notice_->setObjectName(QStringLiteral("webSearchUnavailable"));
    notice_->setAlignment(Qt::AlignCenter);
    notice_->setWordWrap(true);
    layout()->addWidget(notice_);
}

void WebPane::load(const QUrl& url) {
    start();
    if (browser_) browser_->setProperty("url", url);  // QWebEngineView::setUrl loads it
}

QString WebPane::selectedText() const {
    return browser_ ? browser_->property("selectedText").toString() : QString();
}

void WebPane::documentLoaded(bool ok) {
    hasDocument_ = true;
    Q_EMIT loadFinished(ok);
}

}  // namespace zorvik::ui
