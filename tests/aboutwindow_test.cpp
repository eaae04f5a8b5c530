#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include "app/station.h"
#include "ui/aboutwindow.h"
#include "ui/cdcatalogueform.h"
#include "ui/mainwindow.h"
#include "ui/panellinks.h"
#include "ui/program.h"
#include "ui/searchpanel.h"
#include "ui/websearchwindow.h"

using namespace zorvik;

namespace {

// Stands in for the desktop's browser: what it was asked to open.
class Browser final : public QObject {
    Q_OBJECT
public:
    Browser() {
        for (const char* scheme : {"file", "http", "https"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "open");
    }
    ~Browser() override {
        for (const char* scheme : {"file", "http", "https"}) QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

// A program folder with one library drive, so that no basic-settings panel covers the window.
struct ProgramFolder {
    QTemporaryDir dir;
    ProgramFolder() {
        QDir(dir.path()).mkpath(QStringLiteral("数据文件"));
        QDir(dir.path()).mkpath(QStringLiteral("e"));
        QFile ini(dir.filePath(QStringLiteral("数据文件/Corlen.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[PanFu1]\r\nPanFu1=E\r\n[Drives]\r\nE=" + dir.filePath(QStringLiteral("e")).toUtf8() + "\r\n");
    }
};

// The station with its main window and the side windows wired as at start-up.
struct Counter : ProgramFolder {
    app::Station station{core::ProgramFolders::at(dir.path().toStdString())};
    ui::TForm1 main{station};
    ui::Twang web;
    ui::TGYuForm4 about{station.settings(), station.folders()};
    ui::TCDMuLuForm catalogue{station.settings()};

    Counter() {
        ui::connectSideWindows(main, web, about, catalogue);
        main.show();
    }
    ui::PanelLinks& links() { return *main.panelLinks(); }
    QString page(const char* relative) const {
        return QUrl::fromLocalFile(QString::fromStdString(station.folders().program) + QString::fromUtf8(relative))
            .toString();
    }
};

struct HideCounter final : QObject {
    explicit HideCounter(QWidget* window) { window->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide) ++count;
        return false;
    }
    int count = 0;
};

// Counts a link's pixels in its text colours.
struct Inks {
    int red = 0;
    int navy = 0;
};
Inks inks(QWidget* widget) {
    const QImage image = widget->grab().toImage();
    Inks found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 60 && c.blue() < 60) ++found.red;
            if (c.red() < 50 && c.green() < 50 && c.blue() > 90 && c.blue() < 170) ++found.navy;
        }
    return found;
}

// The pointer moves over a widget as the window system reports it to the window.
void pointAt(QWidget& window, QWidget* widget, QPoint at = {-1, -1}) {
    if (at == QPoint(-1, -1)) at = widget->rect().center();
    QTest::mouseMove(window.windowHandle(), widget->mapTo(&window, at));
}

}  // namespace

class AboutWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theWindowHoldsTheTwoTextsAtOnePlaceTheDisclaimerFirst() {
        Counter c;
        QVERIFY(c.station.settings().write("DianHua", "DianHua1", "0000-7654321"));
        ui::TGYuForm4& about = c.about;
        QCOMPARE(about.windowTitle(), QStringLiteral("Brask搜歌手机下载系统"));
        QCOMPARE(about.minimumSize(), QSize(491, 427));
        QCOMPARE(about.maximumSize(), QSize(491, 427));
        QVERIFY(about.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!(about.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(about.aboutGroup()->title(), QStringLiteral("关于我们"));
        QCOMPARE(about.disclaimerGroup()->title(), QStringLiteral("免责声明"));
        QCOMPARE(about.aboutGroup()->geometry(), about.disclaimerGroup()->geometry());
        QCOMPARE(about.closeButton()->text(), QStringLiteral("关闭"));
        QVERIFY(about.closeButton()->y() > about.aboutGroup()->geometry().bottom());

        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QVERIFY(about.disclaimerGroup()->isVisible());  // at first, over the about group
        const QString disclaimer = about.disclaimerText()->toPlainText();
        for (const char16_t* words : {u"本声明", u"病毒", u"木马", u"中华人民共和国宪法", u"责任", u"Zorvik影音"})
            QVERIFY2(disclaimer.contains(QString::fromUtf16(words)), qPrintable(QString::fromUtf16(words)));

        about.showAbout();
        QVERIFY(about.aboutGroup()->isVisible());
        const QString text = about.aboutText()->toPlainText();
        for (const QString& words : {QStringLiteral("Zorvik影音"), QStringLiteral("2015.10.10"),
                                     QStringLiteral("0000-7654321"), c.page("网页/主页.html")})
            QVERIFY2(text.contains(words), qPrintable(words));
        // White text on light steel blue.
        const QImage box = about.aboutText()->grab().toImage();
        QCOMPARE(box.pixelColor(box.width() - 30, box.height() - 30), QColor(133, 173, 192));
        QCOMPARE(about.aboutText()->palette().color(QPalette::Text), QColor(Qt::white));

        // "关闭" hides the window; the text shown stays as the links left it.
        about.closeButton()->click();
        QVERIFY(!about.isVisible());
        about.show();
        QVERIFY(!about.disclaimerGroup()->isVisible());
        about.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        QTest::keyClick(&about, Qt::Key_Escape);  // the keyboard closes it too
        QVERIFY(!about.isVisible());
    }

    void theLinksSwitchTheOpenWindowAndOpenTheMakersPages() {
        Counter c;
        Browser browser;
        QVERIFY(QTest::qWaitForWindowExposed(&c.main));
        auto* disclaimer = c.links().disclaimerLink();
        auto* about = c.links().aboutLink();
        auto* home = c.links().homePageLink();
        // Left to right at the foot of the left panel.
        QCOMPARE(disclaimer->text(), QStringLiteral("免责声明"));
        QCOMPARE(about->text(), QStringLiteral("关于我们"));
        QCOMPARE(home->text(), QStringLiteral("网站主页"));
        QVERIFY(disclaimer->x() < about->x() && about->x() < home->x());
        const QRect place(c.links().mapTo(&c.main, QPoint()), c.links().size());
        QVERIFY(place.left() >= 0 && place.right() <= 201 && place.top() > 500);
        QVERIFY(c.links().isVisible());

        QTest::mouseClick(about, Qt::LeftButton);
        QVERIFY(c.about.isVisible());
        QVERIFY(c.about.aboutGroup()->isVisible());
        QVERIFY(!c.about.disclaimerGroup()->isVisible());
        HideCounter hides(&c.about);
        QTest::mouseClick(disclaimer, Qt::LeftButton);
        QVERIFY(c.about.isVisible());
        QVERIFY(c.about.disclaimerGroup()->isVisible());
        QTest::mouseClick(about, Qt::LeftButton);
        QVERIFY(c.about.isVisible() && !c.about.disclaimerGroup()->isVisible());
        QCOMPARE(hides.count, 0);  // switched in place, never closed

        QTest::mouseClick(home, Qt::LeftButton);
        QCOMPARE(browser.opened, QList<QUrl>{QUrl(c.page("网页/主页.html"))});
        auto* resource = c.main.searchPanel()->resourceButton();
        QCOMPARE(resource->text(), QStringLiteral("Zorvik影音 资源网"));
        QCOMPARE(resource->palette().color(QPalette::ButtonText), QColor(Qt::red));
        resource->click();
        QCOMPARE(browser.opened.value(1), QUrl(c.page("网页/资源网.html")));

        // A shop's own address, read at the click.
        QVERIFY(c.station.settings().write("WangZhi", "ZhuYe", "www.example.cn/shop"));
        QTest::mouseClick(home, Qt::LeftButton);
        QCOMPARE(browser.opened.value(2), QUrl(QStringLiteral("http://www.example.cn/shop")));
    }

    void eachLinkIsRedWhileThePointerIsOverIt() {
        Counter c;
        QVERIFY(QTest::qWaitForWindowExposed(&c.main));
        const QList<ui::LinkButton*> links{c.links().disclaimerLink(), c.links().aboutLink(),
                                           c.links().homePageLink()};
        pointAt(c.main, c.main.centralWidget(), QPoint(400, 300));
        for (auto* link : links) {
            QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
            QVERIFY(inks(link).navy > 0);
            QCOMPARE(inks(link).red, 0);
        }
        for (auto* link : links) {
            pointAt(c.main, link);
            QTRY_VERIFY(inks(link).red > 0);
            QCOMPARE(inks(link).navy, 0);
            for (auto* other : links)
                if (other != link) QVERIFY(inks(other).red == 0 && inks(other).navy > 0);
        }
        pointAt(c.main, c.main.centralWidget(), QPoint(400, 300));
        QTRY_VERIFY(inks(links.last()).red == 0);
        QVERIFY(inks(links.last()).navy > 0);
    }

    void theWindowMenuShowsTheCdCatalogueWithCueTwo() {
        Counter c;
        QVERIFY(QTest::qWaitForWindowExposed(&c.main));
        c.station.cues().request(core::Cues::Error);
        QStringList entries;
        QTimer::singleShot(50, &c.main, [&entries] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            QAction* chosen = nullptr;
            for (QAction* action : menu->actions()) {
                entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
                if (action->text() == QStringLiteral("CD目录打印")) chosen = action;
            }
            menu->close();
            if (chosen) chosen->trigger();
        });
        const QPoint at(100, 300);  // the left panel: the window menu
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, c.main.mapToGlobal(at));
        QApplication::sendEvent(&c.main, &click);
        QTRY_VERIFY(!entries.isEmpty());
        const int entry = static_cast<int>(entries.indexOf(QStringLiteral("CD目录打印")));
        QVERIFY(entry > 0);
        QCOMPARE(entries[entry - 1], QStringLiteral("基本设置"));
        QCOMPARE(entries[entry + 1], QStringLiteral("-"));
        QCOMPARE(entries[entry + 2], QStringLiteral("最小化"));
        QTRY_VERIFY(c.catalogue.isVisible());
        QCOMPARE(c.station.cues().pending(), static_cast<int>(core::Cues::Select));
    }
};

QTEST_MAIN(AboutWindowTest)
#include "aboutwindow_test.moc"
