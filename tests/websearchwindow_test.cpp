#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/station.h"
#include "core/settings.h"
#include "ui/aboutwindow.h"
#include "ui/cdcatalogueform.h"
#include "ui/mainwindow.h"
#include "ui/program.h"
#include "ui/searchpanel.h"
#include "ui/webpane.h"
#include "ui/websearchwindow.h"

#if ZORVIK_WITH_WEBENGINE
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#endif

using namespace zorvik;
using search::WebService;

namespace {

QPushButton* button(QWidget& window, const QString& caption) {
    for (auto* b : window.findChildren<QPushButton*>())
        if (b->text() == caption) return b;
    return nullptr;
}

#if ZORVIK_WITH_WEBENGINE
// Records the addresses the browsers ask for and blocks them: no test needs the network.
class RequestRecorder final : public QWebEngineUrlRequestInterceptor {
public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QString scheme = info.requestUrl().scheme();
        if (scheme != QStringLiteral("http") && scheme != QStringLiteral("https")) return;
        if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
            requests << info.requestUrl().toEncoded();
        info.block(true);
    }
    // The requests for one service, told apart by host.
    QList<QByteArray> to(const char* host) const {
        QList<QByteArray> found;
        for (const auto& r : requests)
            if (r.startsWith(QByteArray(QByteArray("http://") + host + "/"))) found << r;
        return found;
    }
    QList<QByteArray> requests;
};

QWebEngineView* view(const ui::Twang& window, WebService service) {
    return qobject_cast<QWebEngineView*>(window.pane(service)->browser());
}

QUrl page(const QString& body) {
    return QUrl::fromEncoded("data:text/html;charset=utf-8," +
                             QUrl::toPercentEncoding(QStringLiteral("<html><body>") + body + QStringLiteral("</body></html>")));
}

void markParagraph(QWebEngineView* view) {
    view->page()->runJavaScript(QStringLiteral(
        "var r = document.createRange(); r.selectNodeContents(document.getElementById('t'));"
        "var s = window.getSelection(); s.removeAllRanges(); s.addRange(r);"));
}
#endif

}  // namespace

class WebSearchWindowTest : public QObject {
    Q_OBJECT
#if ZORVIK_WITH_WEBENGINE
    RequestRecorder recorder_;
#endif

private Q_SLOTS:
    void initTestCase() {
#if ZORVIK_WITH_WEBENGINE
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&recorder_);
#endif
    }
    void init() {
#if ZORVIK_WITH_WEBENGINE
        recorder_.requests.clear();
#endif
    }

    void captionButtonsAndBrowsersStartWithTheFirstShow() {
        ui::Twang window;
        QCOMPARE(window.objectName(), QStringLiteral("wang"));
        QCOMPARE(window.windowTitle(), QStringLiteral("  Brask搜歌 ----网  络  搜  索"));
        for (const char16_t* caption : {u"复制", u"百度", u"搜狗", u"最小化", u"还原"})
            QVERIFY2(button(window, QString::fromUtf16(caption)), "button missing");
        QVERIFY(window.pane(WebService::Baidu)->browser() == nullptr);
        QVERIFY(window.pane(WebService::Sogou)->browser() == nullptr);

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* a = window.pane(WebService::Baidu);
        auto* b = window.pane(WebService::Sogou);
        QCOMPARE(a->geometry(), b->geometry());  // the same place, B in front at first
        QVERIFY(b->isVisible());
        QVERIFY(!a->isVisible());
        QCOMPARE(a->browser() != nullptr, ui::WebPane::available());
        QCOMPARE(b->browser() != nullptr, ui::WebPane::available());
        if (!ui::WebPane::available())
            QVERIFY(b->findChild<QWidget*>(QStringLiteral("webSearchUnavailable"))->isVisible());
    }

    void minimiseRestoreAndWebSearchBringsTheWindowBackNormal() {
        ui::Twang window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        button(window, QStringLiteral("最小化"))->click();
        QTRY_VERIFY(window.isMinimized());
        button(window, QStringLiteral("还原"))->click();
        QTRY_VERIFY(!window.isMinimized());
        button(window, QStringLiteral("最小化"))->click();
        QTRY_VERIFY(window.isMinimized());
        window.webSearch(QStringLiteral("K"));
        QTRY_VERIFY(!window.isMinimized());
        QVERIFY(window.isVisible());
        QCOMPARE(window.keywordField()->text(), QStringLiteral("K"));
    }

#if ZORVIK_WITH_WEBENGINE
    // The whole road: the main window's button with the search box's prompt.
    void theMainWindowButtonSendsTheSearchBoxTextToBothServices() {
        QTemporaryDir dir;
        app::Station station(core::ProgramFolders::at(dir.path().toStdString()));
        ui::TForm1 mainWindow(station);
        ui::Twang web;
        ui::TGYuForm4 about(station.settings(), station.folders());
        ui::TCDMuLuForm catalogue(station.settings());
        ui::connectSideWindows(mainWindow, web, about, catalogue);
        mainWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));

        QVERIFY(!web.isVisible());
        const QString prompt = mainWindow.searchPanel()->searchBox()->currentText();
        QCOMPARE(prompt, QStringLiteral("这里输入查找关键字"));
        QCOMPARE(mainWindow.searchPanel()->webSearchButton()->toolTip(), QStringLiteral("网上查找"));
        mainWindow.searchPanel()->webSearchButton()->click();
        QVERIFY(web.isVisible());
        QCOMPARE(web.keywordField()->text(), prompt);
        QTRY_COMPARE(recorder_.requests.size(), 2);
        const QByteArray word = QUrl::toPercentEncoding(prompt);
        QCOMPARE(recorder_.to("mp3.baidu.com"),
                 QList<QByteArray>{"http://mp3.baidu.com/m?f=ms&tn=baidump3&ct=134217728&lf=&rn=&word=" + word + "&lm=0"});
        QCOMPARE(recorder_.to("mp3.sogou.com"),
                 QList<QByteArray>{"http://mp3.sogou.com/music.so?query=" + word + "&class=1&sid=suggest"});
    }

    void keywordsWithDelimitersReachTheServicesWhole() {
        ui::Twang window;
        const QString keyword = QStringLiteral("Tom & Jerry #2+3 刘德华");
        window.webSearch(keyword);
        QTRY_COMPARE(recorder_.requests.size(), 2);
        const QByteArray word = "Tom%20%26%20Jerry%20%232%2B3%20%E5%88%98%E5%BE%B7%E5%8D%8E";
        QCOMPARE(recorder_.to("mp3.baidu.com").value(0),
                 "http://mp3.baidu.com/m?f=ms&tn=baidump3&ct=134217728&lf=&rn=&word=" + word + "&lm=0");
        QCOMPARE(recorder_.to("mp3.sogou.com").value(0),
                 "http://mp3.sogou.com/music.so?query=" + word + "&class=1&sid=suggest");
    }

    void aServiceButtonSearchesAgainOnlyForANewKeyword() {
        ui::Twang window;
        auto* a = window.pane(WebService::Baidu);
        auto* b = window.pane(WebService::Sogou);
        window.webSearch(QStringLiteral("K"));
        QTRY_COMPARE(recorder_.requests.size(), 2);
        QVERIFY(b->isVisible());  // "网上搜索" leaves the front page as it was

        // Unchanged keyword: 百度 only brings page A forward.
        QSignalSpy startedA(view(window, WebService::Baidu), &QWebEngineView::loadStarted);
        button(window, QStringLiteral("百度"))->click();
        QVERIFY(a->isVisible());
        QVERIFY(!b->isVisible());
        QTest::qWait(500);  // nothing tells that a load will not start: it is given time to
        QCOMPARE(recorder_.requests.size(), 2);
        QCOMPARE(startedA.size(), 0);

        // K2: 百度 loads A for K2 only, then 搜狗 loads B for K2.
        window.keywordField()->setText(QStringLiteral("K2"));
        button(window, QStringLiteral("百度"))->click();
        QTRY_COMPARE(recorder_.requests.size(), 3);
        QVERIFY(recorder_.requests.last().startsWith("http://mp3.baidu.com/") &&
                recorder_.requests.last().contains("word=K2&"));
        button(window, QStringLiteral("搜狗"))->click();
        QTRY_COMPARE(recorder_.requests.size(), 4);
        QVERIFY(recorder_.requests.last().startsWith("http://mp3.sogou.com/") &&
                recorder_.requests.last().contains("query=K2&"));
        QVERIFY(b->isVisible());
        QVERIFY(!a->isVisible());
        QCOMPARE(b->geometry(), a->geometry());

        // Enter in the field searches the service in front, here B.
        window.keywordField()->setText(QStringLiteral("K3"));
        QTest::keyClick(window.keywordField(), Qt::Key_Return);
        QTRY_COMPARE(recorder_.requests.size(), 5);
        QVERIFY(recorder_.requests.last().startsWith("http://mp3.sogou.com/") &&
                recorder_.requests.last().contains("query=K3&"));

        // An empty field only switches pages.
        window.keywordField()->clear();
        button(window, QStringLiteral("百度"))->click();
        QVERIFY(a->isVisible());
        QTest::qWait(300);  // as above
        QCOMPARE(recorder_.requests.size(), 5);
    }

    void copyTakesTheMarkedTextOfBothPagesAFirst() {
        ui::Twang window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.keywordField()->setText(QStringLiteral("刘德华"));
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        // Before either page holds a document the operator's keyword stays.
        button(window, QStringLiteral("复制"))->click();
        QCOMPARE(window.keywordField()->text(), QStringLiteral("刘德华"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));

        auto* a = window.pane(WebService::Baidu);
        auto* b = window.pane(WebService::Sogou);
        QSignalSpy loadedA(a, &ui::WebPane::loadFinished), loadedB(b, &ui::WebPane::loadFinished);
        a->load(page(QStringLiteral("<p id='t'>甲页 歌名</p>")));
        b->load(page(QStringLiteral("<p>其它</p><p id='t'>忘情水 &amp; 冰雨</p>")));
        QTRY_VERIFY(loadedA.size() == 1 && loadedB.size() == 1);

        markParagraph(view(window, WebService::Sogou));
        QTRY_COMPARE(b->selectedText(), QStringLiteral("忘情水 & 冰雨"));
        button(window, QStringLiteral("复制"))->click();
        QCOMPARE(window.keywordField()->text(), QStringLiteral("忘情水 & 冰雨"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("忘情水 & 冰雨"));
        QCOMPARE(window.keywordField()->selectedText(), window.keywordField()->text());

        markParagraph(view(window, WebService::Baidu));
        QTRY_COMPARE(a->selectedText(), QStringLiteral("甲页 歌名"));
        button(window, QStringLiteral("复制"))->click();
        QCOMPARE(window.keywordField()->text(), QStringLiteral("甲页 歌名忘情水 & 冰雨"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("甲页 歌名忘情水 & 冰雨"));
    }
#endif
};

int main(int argc, char** argv) {
    // The web engine shares OpenGL contexts; it must be said before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The interceptor starts the engine before any window does; as root it needs this first.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication application(argc, argv);
    WebSearchWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "websearchwindow_test.moc"
