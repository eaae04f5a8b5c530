#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "app/station.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "player/cueplayer.h"
#include "support/fixture.h"
#include "support/sound.h"
#include "ui/mainwindow.h"
#include "ui/orderpanel.h"
#include "ui/playerpanel.h"
#include "ui/resultspanel.h"
#include "ui/searchpanel.h"

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

// The X server's platform, where the window meets GStreamer as at the counter.
bool underX() { return QGuiApplication::platformName() == QStringLiteral("xcb"); }

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
        QTest::keyClick(volume, Qt::Key_PageUp);
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

    // A name longer than the title line ends in "…", the whole of it in the hint.
    void aLongTitleIsElided() {
        testing::Scratch songs;
        const QString name = QStringLiteral("一首名字很长很长很长很长很长的歌曲（现场版）.mp3");
        const std::string song = songs.at(name.toStdString());
        QVERIFY(testing::makeSong(song, 2));
        Rig rig;
        rig.station->setCurrentItem(song);
        rig.station->preview().requestPlay();
        QTRY_COMPARE_WITH_TIMEOUT(rig.panel->state()->text(), QStringLiteral("状态:播放"), 5000);
        QLabel* title = rig.panel->title();
        const QString whole = QStringLiteral("播放:  ") + name;
        QVERIFY2(title->text().endsWith(QChar(0x2026)), qPrintable(title->text()));
        QVERIFY(whole.startsWith(title->text().chopped(1)));
        QVERIFY(title->fontMetrics().horizontalAdvance(title->text()) <= title->contentsRect().width());
        QCOMPARE(title->toolTip(), whole);
        QTest::mouseClick(rig.panel->stopButton(), Qt::LeftButton);
        QCOMPARE(title->text(), QString());
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

    // However the operator moves the bar while paused, the song goes on from
    // there, heard, and the panel says it plays; a seek while playing too.
    // GStreamer lost the song only with the window on an X server (silent,
    // the position frozen).
    void seekingWhilePausedPlaysOnFromTheNewPlace_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("paused");
        QTest::newRow("drag") << QStringLiteral("drag") << true;
        QTest::newRow("slow drag") << QStringLiteral("slow drag") << true;
        QTest::newRow("slide") << QStringLiteral("slide") << true;
        QTest::newRow("click") << QStringLiteral("click") << true;
        QTest::newRow("keys") << QStringLiteral("keys") << true;
        QTest::newRow("drag while playing") << QStringLiteral("drag") << false;
        QTest::newRow("keys while playing") << QStringLiteral("keys") << false;
    }
    void seekingWhilePausedPlaysOnFromTheNewPlace() {
        QFETCH(QString, how);
        QFETCH(bool, paused);
        if (!underX()) QSKIP("needs an X server (playerpanel_x11)");
        testing::SoundServer server;
        if (!server.running()) QSKIP(qPrintable(server.why()));
        testing::Scratch songs;
        const std::string song = songs.at("长.mp3");
        QVERIFY(testing::makeSong(song, 60, 440));
        Rig rig;
        auto* p = rig.panel;
        rig.station->setCurrentItem(song);
        rig.station->preview().requestPlay();
        QTRY_COMPARE_WITH_TIMEOUT(p->state()->text(), QStringLiteral("状态:播放"), 5000);
        QTest::qWait(3000);
        if (paused) {
            QTest::mouseClick(p->pauseButton(), Qt::LeftButton);
            QCOMPARE(p->state()->text(), QStringLiteral("状态:暂停"));
        }
        QTest::qWait(1500);
        QScrollBar* seek = p->seekBar();
        testing::Recording recording;
        if (how.endsWith(QStringLiteral("drag"))) {
            // The handle taken by the mouse and drawn on by steps.
            QStyleOptionSlider bar;
            bar.initFrom(seek);
            bar.orientation = Qt::Horizontal;
            bar.minimum = seek->minimum();
            bar.maximum = seek->maximum();
            bar.sliderPosition = bar.sliderValue = seek->value();
            bar.pageStep = seek->pageStep();
            bar.singleStep = seek->singleStep();
            QPoint at = seek->style()->subControlRect(QStyle::CC_ScrollBar, &bar, QStyle::SC_ScrollBarSlider, seek).center();
            QTest::mousePress(seek, Qt::LeftButton, {}, at);
            // An operator's hand stops now and then, a seek under way each time.
            const bool slow = how.startsWith(QStringLiteral("slow"));
            for (int step = 0; step < 20; ++step) {
                at.rx() += 3;
                QTest::mouseMove(seek, at);
                QTest::qWait(slow && step % 4 == 3 ? 400 : 50);
            }
            QTest::mouseRelease(seek, Qt::LeftButton, {}, at);
        } else if (how == QStringLiteral("slide")) {
            // The handle held down and moved through many places, as by a touch screen.
            seek->setSliderDown(true);
            for (int at = 6000; at <= 36000; at += 1500) {
                seek->setSliderPosition(at);
                QTest::qWait(50);
            }
            seek->setSliderDown(false);
        } else if (how == QStringLiteral("click")) {
            // The groove right of the handle: a page on.
            QTest::mouseClick(seek, Qt::LeftButton, {}, QPoint(seek->width() - 20, seek->height() / 2));
        } else {
            seek->setFocus();
            QTest::keyClick(seek, Qt::Key_PageUp);
        }
        const int movedTo = seek->value();
        QVERIFY2(movedTo > 10'000, "the bar did not move");
        QTest::qWait(3000);
        const auto heard = recording.bursts();
        QVERIFY2(!heard.empty() && heard.back().length > 2,
                 ("silent after the seek. " + testing::unheard(heard, {}) + " at " + p->position()->text().toStdString()).c_str());
        QCOMPARE(p->state()->text(), QStringLiteral("状态:播放"));
        QCOMPARE(p->pauseButton()->text(), QStringLiteral("暂停"));
        QVERIFY2(seek->value() > movedTo + 1500, qPrintable(p->position()->text()));
    }

    // The operator ticks and clears 同步下载 again and again: every press is
    // heard, on time. The cue device went quiet after a few, and the held cue
    // came out late at the next different one.
    void everyPressOfTheSyncDownloadBoxIsHeardOnTime() {
        // Qt's audio output, which the cues use, keeps the sound server it
        // found at its first use, and this file's first test has none.
        if (!QCoreApplication::arguments().contains(QString::fromLatin1(QTest::currentTestFunction())))
            QSKIP("runs in a process of its own (playerpanel_cues)");
        testing::SoundServer server;
        if (!server.running()) QSKIP(qPrintable(server.why()));
        constexpr int kPresses = 30;
        constexpr int kTone = 600;
        constexpr double kToneSeconds = 0.25;
        Rig rig;
        QVERIFY(testing::makeSong(rig.s.at("prog/按键音乐/" + player::cueFileName(core::Cues::Select).toStdString()),
                                  kToneSeconds, kTone));
        QCheckBox* box = rig.window->searchPanel()->syncDownloadBox();
        testing::Recording recording;
        std::vector<testing::Asked> asked;
        for (int press = 0; press < kPresses; ++press) {
            asked.push_back({recording.elapsed(), kTone, kToneSeconds});
            QTest::mouseClick(box, Qt::LeftButton);
            QTest::qWait(1800);
        }
        const auto heard = recording.bursts();
        // How many presses were heard and how late, for the operator's ear.
        QStringList late;
        int count = 0;
        for (const auto& press : asked) {
            const auto it = std::find_if(heard.begin(), heard.end(), [&](const testing::Burst& b) {
                return b.start >= press.at && b.start < press.at + 1.0 && std::abs(b.frequency - kTone) < 30;
            });
            if (it == heard.end()) {
                late << QStringLiteral("-");
                continue;
            }
            ++count;
            late << QString::number(std::lround((it->start - press.at) * 1000));
        }
        qInfo().noquote() << QStringLiteral("同步下载: %1 of %2 presses heard; ms after each press: %3")
                                 .arg(count)
                                 .arg(kPresses)
                                 .arg(late.join(QLatin1Char(' ')));
        QCOMPARE(count, kPresses);
        QCOMPARE(testing::unheard(heard, asked), std::string());
    }

    // The playlist's menu "播放" plays the entry the arrow keys highlighted, and
    // that song is what is heard.
    void theHighlightedPlaylistEntryIsTheOneHeard() {
        testing::SoundServer server;
        if (!server.running()) QSKIP(qPrintable(server.why()));
        testing::Scratch songs;
        const std::string low = songs.at("低.mp3");
        const std::string high = songs.at("高.mp3");
        QVERIFY(testing::makeSong(low, 3, 330) && testing::makeSong(high, 3, 660));
        Rig rig(low + "\r\n" + high + "\r\n");
        QListView* list = rig.panel->playlistBox();
        const QPoint first = list->visualRect(list->model()->index(0, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first);
        QTest::keyClick(list, Qt::Key_Down);
        // The menu key, then Down and Enter on the menu: its first item, "播放".
        QTimer::singleShot(300, [] {
            QWidget* menu = QApplication::activePopupWidget();
            if (!menu) return;
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        testing::Recording recording;
        const QPoint entry = list->visualRect(list->currentIndex()).center();
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, entry, list->mapToGlobal(entry));
        QCoreApplication::sendEvent(list, &menuKey);
        QTRY_COMPARE_WITH_TIMEOUT(rig.panel->state()->text(), QStringLiteral("状态:播放"), 5000);
        QTest::qWait(1500);
        const auto heard = recording.bursts();
        QVERIFY2(!heard.empty(), "nothing heard");
        QVERIFY2(std::abs(heard.front().frequency - 660) < 20, testing::unheard(heard, {}).c_str());
        QCOMPARE(rig.panel->title()->text(), QStringLiteral("播放:  高"));
    }

    // Right and Up are louder (and later on the seek bar), Left and Down quieter.
    void theBarsKeysGoTheRightWay() {
        Rig rig;
        for (QScrollBar* bar : {rig.panel->volumeBar(), rig.panel->seekBar()}) {
            bar->setFocus();
            QVERIFY(bar->hasFocus());
            QTest::keyClick(bar, Qt::Key_Home);
            for (int i = 0; i < 10; ++i) QTest::keyClick(bar, Qt::Key_Right);
            const int step = bar->singleStep();
            QCOMPARE(bar->value(), 10 * step);
            struct Press {
                Qt::Key key;
                int change;
            };
            for (const auto& [key, change] : {Press{Qt::Key_Up, step}, Press{Qt::Key_Left, -step},
                                             Press{Qt::Key_Down, -step}, Press{Qt::Key_PageUp, bar->pageStep()},
                                             Press{Qt::Key_PageDown, -bar->pageStep()}}) {
                const int before = bar->value();
                QTest::keyClick(bar, key);
                QCOMPARE(bar->value() - before, change);
            }
        }
        QVERIFY(rig.panel->seekBar()->focusPolicy() & Qt::TabFocus);
    }

    // The row the keys highlight is the current item, as a click would make it,
    // in the playlist, the result list and the order view alike.
    void theArrowKeysPickTheRowTheyHighlight() {
        Rig rig("E:\\p\\一.mp3\r\nE:\\p\\二.mp3\r\nE:\\p\\三.mp3\r\n",
                "E:\\o\\甲.mp3\r\nE:\\o\\乙.mp3\r\nE:\\o\\丙.mp3\r\n");
        rig.station->results().append({"E:\\r\\a.mp3", "E:\\r\\b.mp3", "E:\\r\\c.mp3"});
        auto& preview = rig.station->preview();
        struct View {
            QAbstractItemView* view;
            const char* second;
            const char* third;
        };
        for (const auto& [view, second, third] :
             {View{rig.panel->playlistBox(), "E:\\p\\二.mp3", "E:\\p\\三.mp3"},
              View{rig.window->resultsPanel()->resultView(), "E:\\r\\b.mp3", "E:\\r\\c.mp3"},
              View{rig.window->orderPanel()->view(), "E:\\o\\乙.mp3", "E:\\o\\丙.mp3"}}) {
            view->show();
            const QPoint first = view->visualRect(view->model()->index(0, 0)).center();
            QTest::mousePress(view->viewport(), Qt::LeftButton, {}, first);
            QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, first);
            QTest::keyClick(view, Qt::Key_Down);
            QCOMPARE(preview.currentPath(), std::string(second));
            QCOMPARE(preview.currentIndex(), 1);
            QTest::keyClick(view, Qt::Key_Down);
            QCOMPARE(preview.currentPath(), std::string(third));
            QCOMPARE(preview.currentIndex(), 2);
            // In a list of several picks Ctrl moves the focus frame only: the
            // highlight, and the pick, stay.
            if (view->selectionMode() == QAbstractItemView::ExtendedSelection) {
                QTest::keyClick(view, Qt::Key_Up, Qt::ControlModifier);
                QCOMPARE(preview.currentPath(), std::string(third));
            }
        }
        // The playlist's "播放" is for the entry the keys picked.
        QVERIFY(preview.display().playlistPlayEnabled);
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
