#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>

#include "app/station.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "ui/basicsettingspanel.h"
#include "ui/browsepanel.h"
#include "ui/filemanagerpanel.h"
#include "ui/mainwindow.h"
#include "ui/orderpanel.h"
#include "ui/playerpanel.h"
#include "ui/resultspanel.h"

using namespace zorvik;

namespace {

// A menu as its table reads: captions, "-" for a separator, "(off)" after a
// disabled entry, a submenu's entries in brackets after its caption.
QStringList entriesOf(const QMenu* menu) {
    QStringList entries;
    for (const QAction* a : menu->actions()) {
        if (a->isSeparator()) {
            entries << QStringLiteral("-");
            continue;
        }
        QString entry = a->text() + (a->isEnabled() ? QString() : QStringLiteral("(off)"));
        if (a->menu()) entry += QStringLiteral("[") + entriesOf(a->menu()).join(QLatin1Char('|')) + QStringLiteral("]");
        entries << entry;
    }
    return entries;
}

// Opens a menu the way `open` does, and reads and closes the menu that pops up.
QStringList popupEntries(const std::function<void()>& open) {
    QStringList seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            seen = entriesOf(menu);
            poll.stop();
            menu->close();
        }
    });
    poll.start(5);
    open();
    poll.stop();
    return seen;
}

QStringList split(const char16_t* table) { return QString::fromUtf16(table).split(QLatin1Char(',')); }

struct Rig {
    Rig() {
        QDir(dir.path()).mkpath(QStringLiteral("数据文件"));
        QDir(dir.path()).mkpath(QStringLiteral("e"));
        QFile ini(dir.filePath(QStringLiteral("数据文件/Corlen.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write(QByteArray::fromStdString(platform::utf8ToGb18030(
                "[PanFu1]\r\nPanFu1=E\r\n[Drives]\r\nE=" + dir.filePath(QStringLiteral("e")).toStdString() +
                "\r\nD=" + dir.path().toStdString() + "\r\n")));
        ini.close();
        station = std::make_unique<app::Station>(core::ProgramFolders::at(dir.path().toStdString()));
        window = std::make_unique<ui::TForm1>(*station);
        QSignalSpy started(station.get(), &app::Station::startupFinished);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()) || (started.isEmpty() && !started.wait(3000)))
            qWarning("the station did not start");
    }
    ~Rig() {
        window.reset();
        station.reset();
    }
    QStringList windowMenu() {
        return popupEntries([this] {
            QWidget* label = window->diskDLabel();  // a control without a menu of its own
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), label->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(label, &event);
        });
    }

    QTemporaryDir dir;
    std::unique_ptr<app::Station> station;
    std::unique_ptr<ui::TForm1> window;
};

QStringList requestedMenu(QWidget* view) {
    return popupEntries([view] { Q_EMIT view->customContextMenuRequested(QPoint(2, 2)); });
}

}  // namespace

class WindowMenusTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyMenuHasItsEntriesInOrder() {
        Rig rig;
        auto& w = *rig.window;
        QCOMPARE(rig.windowMenu(),
                 split(u"操作教程,-,皮肤[<默认皮肤>|-|稻花香|绿水晶|海蓝|黑金刚|大灰狼|装甲军绿|黄鼠狼|古典1|古典2|宏伟蓝图],"
                       u"-,参数设置,-,基本设置,CD目录打印,-,最小化,关闭"));
        // "重命名" waits for a selected row.
        QCOMPARE(requestedMenu(w.resultsPanel()->resultView()),
                 split(u"播放,-,批量添加 到 清单,-,添加到 播放列表,全部添加 到 播放列表,-,彻底删除选中的文件,替换文件,"
                       u"重命名(off)"));
        QCOMPARE(requestedMenu(w.orderPanel()->view()),
                 split(u"清空,-,全选,下载,-,删除选中的文件,-,播放,添加到播放列表,复制到本地磁盘,-"));
        QCOMPARE(requestedMenu(w.fileManagerPanel()->fileList()), split(u"删除,新建文件夹"));
        // "播放" waits for a click on a playlist entry.
        QCOMPARE(requestedMenu(w.playerPanel()->playlistBox()), split(u"播放(off),清空列表,删除"));
    }

    void windowMenuEntriesReachTheirOperations() {
        Rig rig;
        auto& w = *rig.window;
        auto choose = [&rig](const QString& caption) {
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                if (!menu) return;
                poll.stop();
                for (QAction* a : menu->actions())
                    if (a->text() == caption) {
                        menu->close();
                        a->trigger();
                        return;
                    }
                menu->close();
            });
            poll.start(5);
            rig.windowMenu();
            poll.stop();
        };
        QSignalSpy parameters(&w, &ui::TForm1::parametersRequested);
        QSignalSpy catalogue(&w, &ui::TForm1::cdCatalogueRequested);
        choose(QStringLiteral("参数设置"));
        QCOMPARE(parameters.size(), 1);
        choose(QStringLiteral("CD目录打印"));
        QCOMPARE(catalogue.size(), 1);
        QVERIFY(!w.basicSettingsPanel()->isVisible());
        choose(QStringLiteral("基本设置"));
        QVERIFY(w.basicSettingsPanel()->isVisible());
        w.basicSettingsPanel()->hide();
        choose(QStringLiteral("最小化"));
        QTRY_VERIFY(w.isMinimized());
        w.showNormal();
        choose(QStringLiteral("关闭"));
        QTRY_VERIFY(!w.isVisible());
    }

    void replaceFileDoesNothing() {
        Rig rig;
        auto& results = rig.station->results();
        results.append({"E:\\Brask搜歌库\\1-音乐\\3021歌.mp3"});
        rig.window->resultsPanel()->resultView()->selectRow(0);
        bool sawDialog = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* a : menu->actions())
                    if (a->text() == QStringLiteral("替换文件")) {
                        menu->close();
                        a->trigger();
                        break;
                    }
            } else if (QApplication::activeModalWidget()) {
                sawDialog = true;
                QApplication::activeModalWidget()->close();
            }
        });
        poll.start(5);
        requestedMenu(rig.window->resultsPanel()->resultView());
        QCoreApplication::processEvents();
        poll.stop();
        QVERIFY(!sawDialog);
        QCOMPARE(results.count(), 1);
        QCOMPARE(results.path(0), std::string("E:\\Brask搜歌库\\1-音乐\\3021歌.mp3"));
    }

    void aClickOnTheBackgroundPutsAwayWhatLiesOverTheResults() {
        Rig rig;
        auto& w = *rig.window;
        auto* results = w.resultsPanel();
        QTest::mouseClick(results->browseButton(), Qt::LeftButton);
        QTest::mouseClick(results->newArrivalsButton(), Qt::LeftButton);
        w.orderPanel()->folderPicker()->show();
        QVERIFY(w.browsePanel()->isVisible() && w.newArrivalsBar()->isVisible());
        QVERIFY(results->resultView()->height() < results->height() - 40);

        // Below the category tabs, left of the order list tabs, lies only the window.
        QWidget* client = w.centralWidget();
        const QPoint gap(724, 655);
        QCOMPARE(client->childAt(gap), nullptr);
        QTest::mouseClick(client, Qt::LeftButton, {}, gap);
        QVERIFY(!w.browsePanel()->isVisible());
        QVERIFY(!w.newArrivalsBar()->isVisible());
        QVERIFY(!w.orderPanel()->folderPicker()->isVisible());
        QCOMPARE(results->resultView()->height(), results->height() - 40);
    }
};

QTEST_MAIN(WindowMenusTest)
#include "windowmenus_test.moc"
