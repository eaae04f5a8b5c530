#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "app/station.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "support/fixture.h"
#include "support/sound.h"
#include "ui/mainwindow.h"
#include "ui/orderpanel.h"
#include "ui/playerpanel.h"

using namespace zorvik;

namespace {

bool anyMessageBox() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(w) && w->isVisible()) return true;
    return false;
}

// A started station and its window on a scratch program folder.
struct Rig {
    explicit Rig(const std::string& playlist = {}, const std::string& orders = {}) {
        s.write("prog/数据文件/Corlen.ini",
                platform::utf8ToGb18030("[PanFu1]\r\nPanFu1=E\r\n[Drives]\r\nE=" + s.makeFolder("e") + "\r\nD=" +
                                        s.makeFolder("d") + "\r\n"));
        if (!playlist.empty()) s.write("prog/数据文件/播放列表.txt", platform::utf8ToGb18030(playlist));
        if (!orders.empty()) s.write("prog/数据文件/清单1.txt", platform::utf8ToGb18030(orders));
        station = std::make_unique<app::Station>(core::ProgramFolders::at(s.at("prog")));
        window = std::make_unique<ui::TForm1>(*station);
        QSignalSpy started(station.get(), &app::Station::startupFinished);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()) || (started.isEmpty() && !started.wait(3000)))
            qWarning("the station did not start");
        panel = window->playerPanel();
    }
    ~Rig() {
        window.reset();
        station.reset();
    }
    testing::Scratch s;
    std::unique_ptr<app::Station> station;
    std::unique_ptr<ui::TForm1> window;
    ui::PlayerPanel* panel = nullptr;
};

}  // namespace

class PlayerPanelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Runs before any sound server exists in this process.
    void withoutASoundServerTheVolumeBarMovesAndNothingIsSaid() {
        QTemporaryDir nowhere;
        qputenv("XDG_RUNTIME_DIR", nowhere.path().toUtf8());
        Rig rig;
        QSignalSpy said(rig.station.get(), &app::Station::messageRequested);
        QScrollBar* volume = rig.panel->volumeBar();
        volume->setFocus();
        QTest::keyClick(volume, Qt::Key_Home);
        QTest::keyClick(volume, Qt::Key_PageDown);
        QCOMPARE(volume->value(), 2000);
        QCoreApplication::processEvents();  // the volume is set at once; a word about it would be posted
        QVERIFY(said.isEmpty());
        QVERIFY(!anyMessageBox());
    }

    void thePanelStartsStoppedWithItsCaptionsHintsAndBars() {
        Rig rig("E:\\a\\歌bk2009.mp3\r\nE:\\b\\film.rmvb\r\n");
        auto* p = rig.panel;
        QCOMPARE(p->state()->text(), QStringLiteral("状态:停止"));
        QCOMPARE(p->position()->text(), QStringLiteral("00:00"));
        QCOMPARE(p->title()->text(), QString());
        QCOMPARE(p->length()->text(), QString());
        struct Button {
            QPushButton* button;
            const char16_t* caption;
            const char16_t* hint;
        };
        for (const auto& [button, caption, hint] : {Button{p->playButton(), u"播放", u"播放歌曲"},
                                                    Button{p->pauseButton(), u"暂停", u"暂停播放"},
                                                    Button{p->stopButton(), u"停止", u"停止播放"}}) {
            QCOMPARE(button->text(), QString::fromUtf16(caption));
            QCOMPARE(button->toolTip(), QString::fromUtf16(hint));
            QVERIFY(!button->isEnabled());
        }
        QVERIFY(p->findChild<QLabel*>(QStringLiteral("stereoLabel"))->text() == QStringLiteral("立体声"));
        QVERIFY(p->findChild<QLabel*>(QStringLiteral("volumeLabel"))->text() == QStringLiteral("音量"));

        QScrollBar* seek = p->seekBar();
        QCOMPARE(seek->objectName(), QStringLiteral("ScrollBar1"));
        QCOMPARE(seek->maximum(), 10'000'000);
        QCOMPARE(seek->singleStep(), 300);
        QCOMPARE(seek->pageStep(), 32'000);
        QScrollBar* volume = p->volumeBar();
        QCOMPARE(volume->objectName(), QStringLiteral("ScrollBar2"));
        QCOMPARE(volume->minimum(), 0);
        QCOMPARE(volume->maximum(), 65535);
        QCOMPARE(volume->value(), 40000);

        // The playlist as loaded at start-up: display names, rows 20 high.
        QListView* list = p->playlistBox();
        QCOMPARE(list->objectName(), QStringLiteral("ListBox9"));
        QCOMPARE(list->toolTip(), QStringLiteral("双击为播放  "));
        QCOMPARE(list->model()->rowCount(), 2);
        QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("歌"));
        QCOMPARE(list->model()->index(1, 0).data().toString(), QStringLiteral("film"));
        QCOMPARE(list->visualRect(list->model()->index(0, 0)).height(), 20);

        // The foot of the left panel is left to the links.
        QVERIFY(p->geometry().bottom() < 577 - 8);

        QTest::mouseClick(p->compactButton(), Qt::LeftButton);
        QCOMPARE(rig.window->outerSize().width, 215);
        QTest::mouseClick(p->fullButton(), Qt::LeftButton);
        QCOMPARE(rig.window->outerSize().width, 1024);
    }

    void aClickMakesAnEntryCurrentAndADoubleClickPlaysIt() {
        testing::Scratch songs;
        const std::string one = songs.at("一.mp3");
        const std::string two = songs.at("二.mp3");
        QVERIFY(testing::makeSong(one, 0.3) && testing::makeSong(two, 0.3));
        Rig rig(one + "\r\n" + two + "\r\n", two + "\r\n");
        auto& preview = rig.station->preview();
        QSignalSpy started(&preview, &player::PreviewPlayer::started);
        QListView* list = rig.panel->playlistBox();
        const QPoint second = list->visualRect(list->model()->index(1, 0)).center();

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(preview.currentPath(), two);
        QCOMPARE(preview.currentIndex(), 1);
        QVERIFY(rig.panel->playButton()->isEnabled());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second);
        QVERIFY(started.wait(2000));
        QCOMPARE(started[0][0].toString(), QString::fromStdString(two));
        QTRY_COMPARE(rig.panel->state()->text(), QStringLiteral("状态:播放"));
        QCOMPARE(rig.panel->title()->text(), QStringLiteral("播放:  二"));
        QVERIFY(rig.panel->pauseButton()->isEnabled());
        QVERIFY(rig.panel->stopButton()->isEnabled());

        // A double-click on an order row: an MP3 joins the playlist, then plays.
        QTableView* orders = rig.window->orderPanel()->view();
        const QPoint row = orders->visualRect(orders->model()->index(0, 0)).center();
        QTest::mousePress(orders->viewport(), Qt::LeftButton, {}, row);
        QTest::mouseRelease(orders->viewport(), Qt::LeftButton, {}, row);
        QTest::mouseDClick(orders->viewport(), Qt::LeftButton, {}, row);
        QVERIFY(started.wait(2000));
        QCOMPARE(list->model()->rowCount(), 3);
        QCOMPARE(list->model()->index(2, 0).data().toString(), QStringLiteral("二"));

        QTest::mouseClick(rig.panel->stopButton(), Qt::LeftButton);
        QCOMPARE(rig.panel->state()->text(), QStringLiteral("状态:停止"));
        QVERIFY(!anyMessageBox());
    }

    void theVolumeBarSetsTheSystemVolumeOnlyWhenTheOperatorMovesIt() {
        testing::SoundServer server;
        if (!server.running()) QSKIP(qPrintable(server.why()));
        server.setSinkVolumePercent(30);
        Rig rig;
        QCoreApplication::processEvents();
        QCOMPARE(server.sinkVolumes(), QStringLiteral("30 30"));  // start-up leaves it alone

        QScrollBar* volume = rig.panel->volumeBar();
        volume->setFocus();
        QTest::keyClick(volume, Qt::Key_Home);
        QCOMPARE(server.sinkVolumes(), QStringLiteral("0 0"));
        QTest::keyClick(volume, Qt::Key_End);
        QCOMPARE(server.sinkVolumes(), QStringLiteral("100 100"));
    }
};

QTEST_MAIN(PlayerPanelTest)
#include "playerpanel_test.moc"
