#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "app/station.h"
#include "platform/drives.h"
#include "ui/browsepanel.h"
#include "ui/filemanagerpanel.h"
#include "ui/introlist.h"
#include "ui/mainwindow.h"
#include "ui/orderpanel.h"
#include "ui/panellinks.h"
#include "ui/playerpanel.h"
#include "ui/resultspanel.h"
#include "ui/tallybox.h"

using namespace zorvik;

namespace {

struct Rig {
    Rig() : station(core::ProgramFolders::at(dir.path().toStdString())), window(station) {
        QSignalSpy started(&station, &app::Station::startupFinished);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window) || (started.isEmpty() && !started.wait(3000)))
            qWarning("the station did not start");
    }
    // Sets the outer size and waits until the window has taken it (or snapped).
    void resizeTo(int width, int height) {
        window.resizeOuter(width, height);
        QCoreApplication::processEvents();
    }
    int outerHeight() const { return window.outerSize().height; }

    QTemporaryDir dir;
    app::Station station;
    ui::TForm1 window;
};

}  // namespace

class WindowLayoutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void opensAtTheDesignedOuterSize() {
        Rig rig;
        QCOMPARE(rig.window.outerSize().width, 1018);
        QCOMPARE(rig.window.outerSize().height, 723);
    }

    void heightsAtOrBelow400SnapTo410() {
        Rig rig;
        const QList<std::pair<int, int>> cases = {{350, 410}, {400, 410}, {401, 401}, {405, 405}, {800, 800}};
        for (const auto& [asked, taken] : cases) {
            rig.resizeTo(1018, asked);
            QTRY_COMPARE(rig.outerHeight(), taken);
        }
        // After a snap the window is laid out for 410.
        rig.resizeTo(1018, 350);
        QTRY_COMPARE(rig.outerHeight(), 410);
        QCOMPARE(rig.window.orderPanel()->view()->height(), 0);  // 410 - 415 is taken as 0
        QCOMPARE(rig.window.tallyBox()->y(), 410 - 264);
    }

    void theOrderSideAndTheResultsFollowTheHeight() {
        Rig rig;
        auto* orders = rig.window.orderPanel();
        auto* results = rig.window.resultsPanel();
        auto* files = rig.window.fileManagerPanel();

        rig.resizeTo(1018, 723);
        QCOMPARE(orders->view()->height(), 308);
        const int tallyAt723 = rig.window.tallyBox()->y();
        QCOMPARE(tallyAt723, 723 - 264);
        QCOMPARE(orders->tabs()->geometry(), QRect(728, 34, 1018 - 728 - 12, 723 - 92));
        QCOMPARE(orders->view()->width(), orders->tabs()->width() - 16);

        rig.resizeTo(1018, 900);
        QCOMPARE(orders->view()->height(), 485);
        QCOMPARE(rig.window.tallyBox()->y() - tallyAt723, 485 - 308);  // down by as much as the view grew
        QCOMPARE(orders->page(2).bar->y(), 900 - 71);
        QCOMPARE(orders->page(4).progressGroup->y(), 900 - 184);

        // The results group and what it holds: G = 900 - 136 - 77.
        const int g = 900 - 136 - 77;
        QCOMPARE(results->height(), g);
        for (QWidget* list : std::initializer_list<QWidget*>{rig.window.introList(), results->resultView(),
                                                            files->fileList()})
            QCOMPARE(list->height(), g - 40);
        QCOMPARE(files->folderTree()->height(), g - 72);
        QCOMPARE(results->countLabel()->y(), g - 17);
        QCOMPARE(files->folderLabel()->y(), g - 17);
        for (QWidget* button : std::initializer_list<QWidget*>{results->hotRankingButton(), files->localDiskButton()})
            QCOMPARE(button->y(), g - 24);
        QCOMPARE(rig.window.playerPanel()->playlistBox()->height(), 900 - 178 - 165);
        QCOMPARE(rig.window.browsePanel()->y(), 900 - 222);
        // The links and the D: group below the playlist, in that order.
        const int playlistFoot =
            rig.window.playerPanel()->playlistBox()->mapTo(rig.window.centralWidget(), QPoint(0, 0)).y() +
            rig.window.playerPanel()->playlistBox()->height();
        const int links = rig.window.panelLinks()->y();
        const int diskD = rig.window.diskDLabel()->parentWidget()->y();
        QVERIFY2(playlistFoot < links && links < diskD, qPrintable(QStringLiteral("%1 %2 %3").arg(playlistFoot).arg(links).arg(diskD)));
    }

    // What lies at the window's foot shows whole above the status bar, and
    // nothing there covers another: the copy bar, the new-arrivals bar over
    // the results' foot row, a list's copying animation beside its buttons
    // and clear of the disk space line, the progress texts.
    void theFootShowsWholeAndNothingCoversAnother() {
        Rig rig;
        QWidget* client = rig.window.centralWidget();
        auto* orders = rig.window.orderPanel();
        auto in = [client](const QWidget* w) { return QRect(w->mapTo(client, QPoint(0, 0)), w->size()); };
        for (int height : {723, 900, 600}) {
            rig.resizeTo(1018, height);
            const QString at = QString::number(height);
            const QRect shown = client->rect();
            const auto& page = orders->page(1);
            const QRect bar = in(page.bar), group = in(page.progressGroup), animation = in(page.animation);
            const QRect arrivals = in(rig.window.newArrivalsBar());
            const QRect diskLine = in(rig.window.diskLine());
            const QRect footRow = in(rig.window.resultsPanel()->hotRankingButton());
            for (const QRect& r : {bar, group, animation, arrivals, in(orders->tabs()), in(rig.window.tallyBox())})
                QVERIFY2(shown.contains(r), qPrintable(at));
            QVERIFY2(!bar.intersects(group) && !bar.intersects(footRow) && !bar.intersects(arrivals), qPrintable(at));
            QVERIFY2(!animation.intersects(diskLine) && group.contains(animation.center()), qPrintable(at));
            QVERIFY2(!arrivals.intersects(footRow) && !arrivals.intersects(in(rig.window.tallyBox())), qPrintable(at));
            QVERIFY2(!in(page.progressText).intersects(in(page.seconds)), qPrintable(at));
        }
    }

    void plLeavesOnlyThePlayerAndXzOrAResizeBringsTheRestBack() {
        Rig rig;
        auto* player = rig.window.playerPanel();
        auto* tabs = rig.window.orderPanel()->tabs();
        QTest::mouseClick(player->compactButton(), Qt::LeftButton);
        QTRY_COMPARE(rig.window.outerSize().width, 215);
        QCOMPARE(rig.outerHeight(), 723);  // the height is left alone
        QCOMPARE(tabs->width(), 0);         // 215 - 728 - 12 is taken as 0
        QCOMPARE(rig.window.orderPanel()->view()->width(), 0);
        QVERIFY(player->isVisible());
        QVERIFY(player->mapTo(&rig.window, QPoint(player->width(), 0)).x() <= rig.window.width());

        QTest::mouseClick(player->fullButton(), Qt::LeftButton);
        QTRY_COMPARE(rig.window.outerSize().width, 1024);
        QCOMPARE(tabs->width(), 1024 - 728 - 12);

        QTest::mouseClick(player->compactButton(), Qt::LeftButton);
        QTRY_COMPARE(rig.window.outerSize().width, 215);
        rig.resizeTo(900, 723);  // the operator drags the window wider
        QCOMPARE(tabs->width(), 900 - 728 - 12);
    }

    void theIntroductionListStaysUntilTheFirstHit() {
        Rig rig;
        auto* intro = rig.window.introList();
        QVERIFY(intro->isVisible());
        QVERIFY(intro->count() > 3);
        intro->resultCountChanged(0);  // a listing without hits
        QVERIFY(intro->isVisible());
        rig.station.results().append({"E:\\Brask搜歌库\\1-音乐\\3021歌.mp3"});
        QTRY_VERIFY(!intro->isVisible());
        QVERIFY(rig.window.resultsPanel()->resultView()->isVisible());
    }
};

QTEST_MAIN(WindowLayoutTest)
#include "windowlayout_test.moc"
