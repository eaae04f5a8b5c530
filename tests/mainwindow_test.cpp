#include <QCheckBox>
#include <QComboBox>
#include <functional>
#include <QLineEdit>
#include <QPushButton>
#include <unistd.h>
#include <QIcon>
#include <QTableView>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/station.h"
#include "core/errors.h"
#include "platform/drives.h"
#include "platform/instanceguard.h"
#include "platform/textcodec.h"
#include "ui/basicsettingspanel.h"
#include "ui/categorytabs.h"
#include "ui/mainwindow.h"
#include "ui/orderpanel.h"
#include "ui/resultspanel.h"
#include "ui/searchpanel.h"
#include "library/listing.h"
#include "support/devices.h"
#include "support/fixture.h"
#include "ui/program.h"

using namespace zorvik;

class MainWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void withoutLibraryDrivesTheBasicSettingsPanelCoversTheWindow() {
        QTemporaryDir dir;
        app::Station station(core::ProgramFolders::at(dir.path().toStdString()));
        ui::TForm1 window(station);
        QSignalSpy started(&station, &app::Station::startupFinished);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY_WITH_TIMEOUT(!started.isEmpty(), 2000);  // it may come while the window is being exposed

        QCOMPARE(window.windowTitle(), QStringLiteral("Zorvik影音 手机下载系统2015.10.10"));
        QVERIFY(window.basicSettingsPanel()->isVisible());
        QWidget* client = window.centralWidget();
        QVERIFY(window.basicSettingsPanel()->geometry().contains(
            QRect(0, 0, client->width() - 1, window.height() - 30)));
        // Typing goes to the panel's first drive box, not to a box it covers.
        QCOMPARE(window.focusWidget(), window.basicSettingsPanel()->driveBoxes()[0]);
        QCOMPARE(window.diskDLabel()->text().left(6), QStringLiteral("D盘可用空:"));
    }

    void configuredDrivesFillTheQuickBoxesAndTheLabelsFollowTheWarmUp() {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("数据文件"));
        QFile ini(dir.filePath(QStringLiteral("数据文件/Corlen.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QByteArray::fromStdString(platform::utf8ToGb18030(
            "[PanFu1]\r\nPanFu1=E\r\n[Panfu6]\r\npanfu6=K\r\n[Drives]\r\nE=" +
            dir.filePath(QStringLiteral("e")).toStdString() + "\r\n")));
        ini.close();

        app::Station station(core::ProgramFolders::at(dir.path().toStdString()));
        ui::TForm1 window(station);
        QSignalSpy warm(&station, &app::Station::warmUpFinished);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!window.basicSettingsPanel()->isVisible());
        QCOMPARE(window.searchPanel()->quickDriveBoxes()[0]->currentText(), QStringLiteral("E"));
        QCOMPARE(window.searchPanel()->quickDriveBoxes()[5]->currentText(), QStringLiteral("K"));
        QCOMPARE(window.searchPanel()->quickDriveBoxes()[1]->currentText(), QString());
        QCOMPARE(window.searchPanel()->quickDriveBoxes()[0]->objectName(), QStringLiteral("ComboBox3"));
        QCOMPARE(window.searchPanel()->quickDriveBoxes()[5]->objectName(), QStringLiteral("ComboBox22"));
        QVERIFY(warm.wait(3000) || !warm.isEmpty());
        QCOMPARE(window.searchPanel()->readyLabel()->text(), QStringLiteral("就绪！"));
    }

    void enterAnywhereSearchesAndTheListShowsTheHits() {
        QTemporaryDir dir;
        const QString lib = dir.filePath(QStringLiteral("e/Brask搜歌库/1-音乐/"));
        QDir().mkpath(lib + QStringLiteral("sub"));
        for (const char16_t* name : {u"3021歌手-歌名.mp3", u"3021x.wma", u"sub/3021歌bk2009.mp3"}) {
            QFile f(lib + QString::fromUtf16(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(20480, 'x'));
        }
        QDir(dir.path()).mkpath(QStringLiteral("数据文件"));
        QFile ini(dir.filePath(QStringLiteral("数据文件/Corlen.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QByteArray::fromStdString(platform::utf8ToGb18030(
            "[PanFu1]\r\nPanFu1=E\r\n[Drives]\r\nE=" + dir.filePath(QStringLiteral("e")).toStdString() +
            "\r\nD=" + dir.path().toStdString() + "\r\n")));
        ini.close();

        app::Station station(core::ProgramFolders::at(dir.path().toStdString()));
        ui::TForm1 window(station);
        QSignalSpy started(&station, &app::Station::startupFinished);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY_WITH_TIMEOUT(!started.isEmpty(), 2000);  // it may come while the window is being exposed
        QTRY_VERIFY(station.listings().searchEnabled() && !station.listings().walking());

        auto* box = window.searchPanel()->searchBox();
        box->setEditText(QStringLiteral("3021"));
        QSignalSpy done(&station.search(), &search::SearchController::finished);
        QTest::keyClick(window.resultsPanel(), Qt::Key_Return);  // Enter anywhere in the window
        QVERIFY(done.wait(3000));
        QCOMPARE(window.resultsPanel()->countLabel()->text(), QStringLiteral("2 个对象"));
        auto* view = window.resultsPanel()->resultView();
        QCOMPARE(view->model()->data(view->model()->index(1, 0)).toString(), QStringLiteral("3021歌"));
        QCOMPARE(view->model()->data(view->model()->index(1, 1)).toString(), QStringLiteral("mp3"));
        // The size comes from a job once the row is drawn.
        QTRY_COMPARE(view->model()->data(view->model()->index(1, 2)).toString(), QStringLiteral("0.02"));
        QCOMPARE(view->model()->data(view->model()->index(1, 3)).toInt(), 2);
        QVERIFY(!view->model()->data(view->model()->index(0, 0), Qt::DecorationRole).value<QIcon>().isNull());
        QCOMPARE(window.searchPanel()->readyLabel()->text(), QStringLiteral("就绪！"));
        QCOMPARE(box->count(), 1);  // the keyword joined the history
    }

    // Number mode from the start: whatever gave the search box the focus, the
    // operator's typed number replaces the prompt, as on the shop's station.
    void typingANumberReplacesThePromptWheneverTheSearchBoxTakesTheFocus_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("start-up") << QStringLiteral("start-up");
        QTest::newRow("the mode box") << QStringLiteral("mode box");
        QTest::newRow("a tab press") << QStringLiteral("tab press");
        QTest::newRow("a tab press while the box has the focus") << QStringLiteral("tab press, focused");
    }
    void typingANumberReplacesThePromptWheneverTheSearchBoxTakesTheFocus() {
        QFETCH(QString, how);
        testing::Scratch s;
        s.write("数据文件/Corlen.ini", "[PanFu1]\r\nPanFu1=E\r\n[BianHaoCZ]\r\nBianHaoCZ=true\r\n");
        app::Station station(core::ProgramFolders::at(s.path()));
        ui::TForm1 window(station);
        QSignalSpy started(&station, &app::Station::startupFinished);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(!started.isEmpty() || started.wait(2000));  // the start-up timer may have run already
        auto* panel = window.searchPanel();
        auto* box = panel->searchBox();
        panel->focusSearchBox();  // what the end of start-up does
        QCOMPARE(box->currentText(), QStringLiteral("这里输入查找编号"));

        auto caretAtEnd = [box] {
            box->lineEdit()->deselect();
            box->lineEdit()->end(false);
        };
        if (how == QStringLiteral("mode box")) {
            panel->searchButton()->setFocus();
            QTest::mouseClick(panel->numberModeBox(), Qt::LeftButton);
            QTest::mouseClick(panel->numberModeBox(), Qt::LeftButton);
        } else if (how.startsWith(QStringLiteral("tab press"))) {
            caretAtEnd();
            if (how == QStringLiteral("tab press")) panel->searchButton()->setFocus();
            auto* tabs = window.categoryTabs();
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        }
        QCOMPARE(QApplication::focusWidget(), box);
        QTest::keyClicks(box, QStringLiteral("3021"));
        QCOMPARE(box->currentText(), QStringLiteral("3021"));
    }

    // The rename box opens with the name selected, refuses what Windows refused
    // with its own words, and offers the typed name again for mending.
    void theRenameBoxRefusesWhatWindowsRefused() {
        testing::Scratch s;
        s.write("e/Brask搜歌库/1-音乐/3021歌手-歌名.mp3");
        s.write("数据文件/Corlen.ini",
                platform::utf8ToGb18030("[PanFu1]\r\nPanFu1=E\r\n[Drives]\r\nE=" + s.at("e") + "\r\n"));
        app::Station station(core::ProgramFolders::at(s.path()));
        ui::TForm1 window(station);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(station.listings().searchEnabled() && !station.listings().walking());
        station.search().setText(QStringLiteral("3021"));
        QSignalSpy done(&station.search(), &search::SearchController::finished);
        QVERIFY(station.search().start());
        QVERIFY(done.wait(3000));
        station.resultSelection().select(station.results().index(0, 0),
                                         QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);

        // What the operator does in each box that comes up, in turn: reads
        // what the box shows, then types a name or presses Enter.
        QStringList seen;
        auto name = [&seen](const QString& typed) {
            return std::function<void(QWidget*)>([&seen, typed](QWidget* box) {
                auto* edit = box->findChild<QLineEdit*>();
                seen << edit->selectedText();  // the whole name: typing replaces it
                edit->insert(typed);  // as typing does, over the selection
                QTest::keyClick(edit, Qt::Key_Return);
            });
        };
        auto message = [&seen](QWidget* box) {
            seen << qobject_cast<QMessageBox*>(box)->text();
            QTest::keyClick(box, Qt::Key_Return);
        };
        const QList<std::function<void(QWidget*)>> answers{
            name(QStringLiteral("..\\..\\x")), message, name(QStringLiteral("..")), message,
            name(QStringLiteral("新名")), message};
        int next = 0;
        QWidget* answered = nullptr;
        QTimer operatorHand;
        QObject::connect(&operatorHand, &QTimer::timeout, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box || box == answered || next >= answers.size() || !box->isVisible()) return;
            answered = box;
            answers[next++](box);
        });
        operatorHand.start(20);
        window.resultsPanel()->renameSelected();
        operatorHand.stop();

        QCOMPARE(next, answers.size());
        QCOMPARE(seen, (QStringList{QStringLiteral("3021歌手-歌名"),
                                    QStringLiteral("文件名不能包含下列任何字符：\\ / : * ? \" < > |"),
                                    QStringLiteral("..\\..\\x"), QStringLiteral("必须键入文件名。"),
                                    QStringLiteral(".."), QStringLiteral("E:\\Brask搜歌库\\1-音乐\\新名.mp3")}));
        QVERIFY(testing::exists(s.at("e/Brask搜歌库/1-音乐/新名.mp3")));
    }

    void removableDrivesComeAndGoInAllFiveDeviceSelectors() {
        if (::geteuid() != 0) QSKIP("needs root to mount a drive");
        QTemporaryDir dir;
        app::Station station(core::ProgramFolders::at(dir.path().toStdString()));
        ui::TForm1 window(station);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto drive = std::make_unique<testing::Device>(testing::FileSystem::Tmpfs, 16);
        if (!drive->ok()) QSKIP(drive->whyNot().c_str());
        auto listed = [&window](int list) {
            auto* box = window.orderPanel()->page(list).device;
            for (int i = 0; i < box->count(); ++i)
                if (box->itemText(i).startsWith(QStringLiteral("可移动磁盘："))) return true;
            return false;
        };
        bool all = false;
        for (int i = 0; i < 300 && !all; ++i) {
            all = true;
            for (int n = 1; n <= 5; ++n) all = all && listed(n);
            if (!all) QTest::qWait(10);
        }
        QVERIFY(all);
        drive.reset();  // unplugged
        QTRY_VERIFY(!listed(1) && !listed(2) && !listed(3) && !listed(4) && !listed(5));
    }

    void aSecondStationOnlySaysItIsAlreadyRunning() {
        QTemporaryDir dir;
        const std::string lock = dir.filePath(QStringLiteral("guard.lock")).toStdString();
        platform::InstanceGuard first(lock);
        QVERIFY(first.acquire());

        QString text, caption;
        int buttons = 0;
        QTimer::singleShot(100, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            text = box->text();
            caption = box->windowTitle();
            buttons = static_cast<int>(box->buttons().size());
            box->accept();
        });
        platform::InstanceGuard second(lock);
        QVERIFY(!ui::claimStation(second, [](const QString&) {}));
        QCOMPARE(text, QStringLiteral("程序已经运行"));
        QCOMPARE(caption, QStringLiteral("Error"));
        QCOMPARE(buttons, 1);
        QVERIFY(QApplication::topLevelWidgets().size() <= 1);  // no station window was made
    }

    void aLockFileThatCannotBeUsedIsNamedInTheErrorBox() {
        QTemporaryDir dir;
        const QString lock = dir.filePath(QStringLiteral("guard.lock"));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("elsewhere")), lock));
        platform::InstanceGuard guard(lock.toStdString());
        std::string reported;
        QVERIFY(!ui::claimStation(guard, [&reported](const QString& message) { reported = message.toStdString(); }));
        QVERIFY2(reported.rfind("无法打开单实例锁文件：" + lock.toStdString() + "\n", 0) == 0, reported.c_str());
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
