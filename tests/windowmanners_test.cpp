// The main window's smaller manners an operator meets at the counter: what
// covers what, texts shown whole, and keys and wheel as the shop's Windows
// controls took them.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include "app/station.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "storage/filemanager.h"
#include "ui/basicsettingspanel.h"
#include "ui/browsepanel.h"
#include "ui/categorytabs.h"
#include "ui/controlmanners.h"
#include "ui/filemanagerpanel.h"
#include "ui/introlist.h"
#include "ui/mainwindow.h"
#include "ui/parameterswindow.h"
#include "ui/program.h"
#include "ui/resultspanel.h"
#include "ui/searchpanel.h"
#include "ui/tallybox.h"

using namespace zorvik;

namespace {

// A station on a library on E: with one song, D: beside it.
struct Rig {
    Rig() {
        const std::string root = dir.path().toStdString();
        QDir().mkpath(dir.filePath(QStringLiteral("e/Brask搜歌库/1-音乐")));
        QDir().mkpath(dir.filePath(QStringLiteral("d/歌曲下载")));
        QDir().mkpath(dir.filePath(QStringLiteral("数据文件")));
        QFile song(dir.filePath(QStringLiteral("e/Brask搜歌库/1-音乐/3021歌手-歌名.mp3")));
        if (song.open(QIODevice::WriteOnly)) song.write("song");
        song.close();
        QFile ini(dir.filePath(QStringLiteral("数据文件/Corlen.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write(QByteArray::fromStdString(platform::utf8ToGb18030(
                "[PanFu1]\r\nPanFu1=E\r\n[Drives]\r\nD=" + root + "/d\r\nE=" + root + "/e\r\n")));
        ini.close();
        station = std::make_unique<app::Station>(core::ProgramFolders::at(root));
        window = std::make_unique<ui::TForm1>(*station);
        QSignalSpy started(station.get(), &app::Station::startupFinished);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()) || (started.isEmpty() && !started.wait(3000)))
            qWarning("the station did not start");
        window->activateWindow();
        for (int i = 0; i < 300 && station->listings().walking(); ++i) QTest::qWait(10);
    }
    ~Rig() {
        window.reset();
        station.reset();
    }
    QTemporaryDir dir;
    std::unique_ptr<app::Station> station;
    std::unique_ptr<ui::TForm1> window;
};

QString lineText(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w)) return label->text();
    return {};
}

}  // namespace

class WindowMannersTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The instructions go at a tab press and at any search that is not
    // refused, and never lie over the file manager.
    void theInstructionsGoAtATabPressASearchOrTheFileManager() {
        {
            Rig rig;
            auto* intro = rig.window->introList();
            QVERIFY(intro->isVisible());
            auto* tabs = rig.window->categoryTabs();
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
            QVERIFY(!intro->isVisible());
        }
        {
            Rig rig;
            auto* intro = rig.window->introList();
            // Refused: the box says so (Enter takes it away), and they stay.
            QTimer::singleShot(100, [] {
                if (QWidget* box = QApplication::activeModalWidget()) QTest::keyClick(box, Qt::Key_Return);
            });
            QVERIFY(!rig.station->search().searchFor(QStringLiteral("7")));
            QVERIFY(intro->isVisible());
            QSignalSpy finished(&rig.station->search(), &search::SearchController::finished);
            QVERIFY(rig.station->search().searchFor(QStringLiteral("没有的歌")));
            QVERIFY(!intro->isVisible());
            QVERIFY(finished.wait(3000));
            QVERIFY(!intro->isVisible());  // no hit, still gone
        }
        {
            Rig rig;
            auto* intro = rig.window->introList();
            QTest::mouseClick(rig.window->fileManagerPanel()->localDiskButton(), Qt::LeftButton);
            QTRY_VERIFY(rig.window->fileManagerPanel()->isVisible());
            QVERIFY(!intro->isVisible());
            QVERIFY(!rig.window->resultsPanel()->resultView()->isVisible());
        }
    }

    // Large figures, prices and the D: line show whole, and no button of the
    // main window cuts its caption.
    void textsShowWhole() {
        Rig rig;
        auto* tally = rig.window->tallyBox();
        tally->amount()->setText(QStringLiteral("123400.1235"));
        tally->size()->setText(QStringLiteral("10125.68"));
        tally->entries()->setText(QStringLiteral("1235"));
        ui::setWholeText(tally->count(1), QStringLiteral("12345"));  // as the box puts a count
        QCoreApplication::processEvents();  // the lines lay themselves out again
        for (QLabel* figure : {tally->amount(), tally->size(), tally->entries(), tally->count(1)}) {
            QVERIFY2(ui::textFits(figure), qPrintable(figure->text()));
            // Nothing that follows on its line is drawn over it.
            for (QObject* o : figure->parentWidget()->children()) {
                auto* next = qobject_cast<QLabel*>(o);
                if (!next || next == figure || next->y() != figure->y() || next->x() <= figure->x()) continue;
                QVERIFY2(next->x() >= figure->x() + figure->fontMetrics().horizontalAdvance(figure->text()),
                         qPrintable(QString(figure->text() + QStringLiteral(" / ") + lineText(next))));
            }
        }

        Q_EMIT rig.station->diskDTextChanged(QStringLiteral("D盘可用空:12345678 MB"));
        QVERIFY(ui::textFits(rig.window->diskDLabel()));
        Q_EMIT rig.station->diskDTextChanged(QStringLiteral("D盘可用空:12 MB"));
        QCOMPARE(QFontInfo(rig.window->diskDLabel()->font()).pixelSize(), 16);  // a short text in the designed type

        QStringList cut;
        for (QPushButton* button : rig.window->findChildren<QPushButton*>())
            if (!ui::captionFits(button)) cut << button->text();
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char(','))));

        ui::TCanSHuForm prices(rig.station->settings(), rig.station->cues(), {});
        prices.show();
        QVERIFY(QTest::qWaitForWindowExposed(&prices));
        for (int i = 0; i < 12; ++i) {
            QLineEdit* field = prices.priceField(i);
            field->setText(QStringLiteral("123.4567"));
            QVERIFY2(ui::textFits(field), qPrintable(QString::number(i)));
        }
        // Tab, or a click on the caption, gives a field its whole price selected.
        prices.priceField(0)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(prices.priceField(0), Qt::Key_Tab);
        QLineEdit* focused = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(focused);
        QCOMPARE(focused->selectedText(), focused->text());
        auto* caption = prices.findChild<QLabel*>(QStringLiteral("priceCaption4"));
        QVERIFY(caption);
        QTest::mouseClick(caption, Qt::LeftButton, {}, QPoint(4, caption->height() / 2));
        QTRY_VERIFY(prices.priceField(3)->hasFocus());
        QCOMPARE(prices.priceField(3)->selectedText(), QStringLiteral("123.4567"));
    }

    // Enter presses a focused button; elsewhere it searches.
    void enterPressesTheFocusedButton() {
        Rig rig;
        auto* button = rig.window->resultsPanel()->newArrivalsButton();
        QVERIFY(!rig.window->newArrivalsBar()->isVisible());
        QSignalSpy searches(&rig.station->search(), &search::SearchController::searchStarting);
        button->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(button->hasFocus());
        QTest::keyClick(button, Qt::Key_Return);
        QTRY_VERIFY(rig.window->newArrivalsBar()->isVisible());
        QVERIFY(searches.isEmpty());

        auto* box = rig.window->searchPanel()->searchBox();
        box->setFocus(Qt::TabFocusReason);
        box->setEditText(QStringLiteral("3021"));
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        QCOMPARE(searches.size(), 1);
    }

    // The wheel over a drive box that has not the focus leaves the library drive alone.
    void theWheelLeavesAnUnfocusedDriveBoxAlone() {
        Rig rig;
        auto* box = rig.window->searchPanel()->quickDriveBoxes()[0];
        QCOMPARE(box->currentText(), QStringLiteral("E"));
        rig.window->searchPanel()->searchBox()->setFocus();
        QTRY_VERIFY(!box->hasFocus());
        const QPointF at(box->width() / 2.0, box->height() / 2.0);
        for (int i = 0; i < 3; ++i) {
            QWheelEvent wheel(at, box->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(box, &wheel);
            QCOMPARE(box->currentText(), QStringLiteral("E"));  // after every notch, not only the last
            QCOMPARE(rig.station->libraryDrives()[0], std::string("E"));
        }
        QVERIFY(!box->hasFocus());
    }

    // While the basic-settings panel covers the window, Tab goes round its own controls only.
    void tabStaysOnTheBasicSettingsPanel() {
        Rig rig;
        auto* panel = rig.window->basicSettingsPanel();
        panel->showOverWindow();
        panel->driveBoxes()[0]->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(panel->driveBoxes()[0]->hasFocus());
        QStringList reached;
        for (int i = 0; i < 40; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* now = QApplication::focusWidget();
            if (now && !panel->isAncestorOf(now))
                reached << now->objectName() + QStringLiteral(":") + QString::fromLatin1(now->metaObject()->className());
        }
        QVERIFY2(reached.isEmpty(), qPrintable(reached.join(QLatin1Char(','))));
        // Put away, the window's controls take the keys again.
        QTest::mouseClick(panel->doneButton(), Qt::LeftButton);
        QVERIFY(!panel->isVisible());
        QVERIFY(rig.window->searchPanel()->searchBox()->isEnabled());
        rig.window->searchPanel()->focusSearchBox();
        QTRY_VERIFY(rig.window->searchPanel()->searchBox()->hasFocus());
    }

    // "重命名" of the current item: the status bar names the file by its new name.
    void aRenamedCurrentItemShowsInTheStatusBar() {
        Rig rig;
        QSignalSpy finished(&rig.station->search(), &search::SearchController::finished);
        QVERIFY(rig.station->search().searchFor(QStringLiteral("3021")));
        QVERIFY(finished.wait(3000));
        rig.station->makeResultCurrent(0);
        auto* panel = rig.window->statusBar()->findChild<QLabel*>(QStringLiteral("statusPanel1"));
        QVERIFY(panel);
        QCOMPARE(panel->text(), QStringLiteral("E:\\Brask搜歌库\\1-音乐\\3021歌手-歌名.mp3"));
        QVERIFY(rig.station->renameResult(0, "3021歌手-新名"));
        QCOMPARE(panel->text(), QStringLiteral("E:\\Brask搜歌库\\1-音乐\\3021歌手-新名.mp3"));
    }

    // Qt's own buttons and menus speak Chinese.
    void qtsOwnTextsAreChinese() {
        QVERIFY(ui::installChineseQtTexts(*QCoreApplication::instance()));
        QMessageBox box(QMessageBox::Question, QString(), QStringLiteral("?"), QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Ok)->text().remove(QLatin1Char('&')), QStringLiteral("确定"));
        QVERIFY(box.button(QMessageBox::Cancel)->text().contains(QStringLiteral("取消")));
        QLineEdit edit;
        std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QStringList items;
        for (QAction* a : menu->actions()) items << a->text();
        QVERIFY2(items.join(QLatin1Char(' ')).contains(QStringLiteral("撤消")), qPrintable(items.join(QLatin1Char(' '))));
    }
};

QTEST_MAIN(WindowMannersTest)
#include "windowmanners_test.moc"
