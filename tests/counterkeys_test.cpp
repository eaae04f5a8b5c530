// The counter loop as an operator keys it: the search box and the device
// selectors, driven by key presses on the real window.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/station.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "storage/removabledrives.h"
#include "support/devices.h"
#include "ui/mainwindow.h"
#include "ui/orderpanel.h"
#include "ui/searchpanel.h"

using namespace zorvik;

namespace {

// A program folder whose library on E: holds `songs` in "1-音乐", with D: beside it.
std::string programFolder(const QTemporaryDir& dir, std::initializer_list<const char16_t*> songs) {
    const std::string root = dir.path().toStdString();
    const QString music = dir.filePath(QStringLiteral("e/Brask搜歌库/1-音乐/"));
    QDir().mkpath(music);
    QDir().mkpath(dir.filePath(QStringLiteral("d/歌曲下载")));
    QDir().mkpath(dir.filePath(QStringLiteral("数据文件")));
    for (const char16_t* name : songs) {
        QFile f(music + QString::fromUtf16(name));
        if (f.open(QIODevice::WriteOnly)) f.write("song");
    }
    QFile ini(dir.filePath(QStringLiteral("数据文件/Corlen.ini")));
    if (ini.open(QIODevice::WriteOnly))
        ini.write(QByteArray::fromStdString(platform::utf8ToGb18030(
            "[PanFu1]\r\nPanFu1=E\r\n[Drives]\r\nD=" + root + "/d\r\nE=" + root + "/e\r\n")));
    return root;
}

// Keys as typed, one character each; a Chinese character comes as the key
// event an input method's commit would give the box.
void type(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, c.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

bool startUp(app::Station& station, ui::TForm1& window) {
    QSignalSpy started(&station, &app::Station::startupFinished);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return false;
    window.activateWindow();
    if (started.isEmpty() && !started.wait(2000)) return false;
    for (int i = 0; i < 300 && (!station.listings().searchEnabled() || station.listings().walking()); ++i)
        QTest::qWait(10);
    return station.listings().searchEnabled() && !station.listings().walking();
}

// The window on a small library, its search box focused.
struct Counter {
    Counter()
        : root(programFolder(dir, {u"中国风-好日子.mp3", u"中华国际风云.mp3", u"3021歌手-歌名.mp3", u"3023歌手-别的.mp3"})),
          station(core::ProgramFolders::at(root)),
          window(station),
          box(window.searchPanel()->searchBox()),
          edit(box->lineEdit()) {}
    bool ready() {
        if (!startUp(station, window)) return false;
        box->setFocus();
        for (int i = 0; i < 100 && !edit->hasFocus(); ++i) QTest::qWait(10);
        return edit->hasFocus();
    }
    // Types `keys` into the search box and presses Enter; true once the search is done.
    bool searchTyped(const QString& keys) {
        QSignalSpy finished(&station.search(), &search::SearchController::finished);
        type(edit, keys);
        QTest::keyClick(edit, Qt::Key_Return);
        return finished.wait(3000);
    }

    QTemporaryDir dir;
    std::string root;
    app::Station station;
    ui::TForm1 window;
    QComboBox* box;
    QLineEdit* edit;
};

}  // namespace

class CounterKeysTest : public QObject {
    Q_OBJECT
private Q_SLOTS:

    // After a keyword search the whole text is selected, so the next one
    // typed replaces it.
    void aKeywordSearchLeavesItsTextSelected() {
        Counter c;
        QVERIFY(c.ready());
        QVERIFY(c.searchTyped(QStringLiteral("中国风")));
        QCOMPARE(c.edit->text(), QStringLiteral("中国风"));
        QCOMPARE(c.edit->selectedText(), QStringLiteral("中国风"));
        QCOMPARE(c.box->count(), 1);  // it joined the history
    }

    // Enter searches what was typed, never an older, longer history entry
    // that begins with it.
    void enterSearchesTheTextAsTyped() {
        Counter c;
        QVERIFY(c.ready());
        QVERIFY(c.searchTyped(QStringLiteral("中国风")));
        c.edit->selectAll();
        QVERIFY(c.searchTyped(QStringLiteral("中")));
        QCOMPARE(c.station.search().text(), QStringLiteral("中"));
        QCOMPARE(c.station.search().history(), (QStringList{QStringLiteral("中国风"), QStringLiteral("中")}));
    }

    // Number mode with "同步下载": the copy of 3021 trims the history, and the
    // next number typed still replaces 3021.
    void aNumberReplacesTheLastAfterTheCopyTrimsTheHistory() {
        Counter c;
        QVERIFY(c.ready());
        QVERIFY(c.searchTyped(QStringLiteral("中国风")));
        c.window.searchPanel()->syncDownloadBox()->setChecked(true);
        c.window.searchPanel()->numberModeBox()->setChecked(true);
        QTRY_VERIFY(c.edit->hasFocus());
        QCOMPARE(c.edit->selectedText(), QStringLiteral("这里输入查找编号"));
        QSignalSpy copied(&c.station.activeLane(), &orders::CopyLane::immediateFinished);
        QVERIFY(c.searchTyped(QStringLiteral("3021")));
        QVERIFY(copied.wait(3000));
        QTRY_COMPARE(c.box->count(), 0);  // the keyword that led to the copy left the history
        QCOMPARE(c.edit->selectedText(), QStringLiteral("3021"));
        QVERIFY(c.searchTyped(QStringLiteral("3023")));
        QCOMPARE(c.station.search().text(), QStringLiteral("3023"));
        QTRY_COMPARE(c.station.orderBook().rows().count(), 2);
        QCOMPARE(c.station.orderBook().rows().entry(1), std::string("E:\\Brask搜歌库\\1-音乐\\3023歌手-别的.mp3"));
    }

    // Down from the placeholder chooses the first drive of the list, and the
    // drives stand in letter order.
    void downFromThePlaceholderChoosesTheFirstDrive() {
        testing::Device first(testing::FileSystem::Tmpfs, 16), second(testing::FileSystem::Tmpfs, 16);
        if (!first.ok() || !second.ok()) QSKIP(first.whyNot().c_str());
        QTemporaryDir dir;
        const std::string root = programFolder(dir, {});
        app::Station station(core::ProgramFolders::at(root));
        ui::TForm1 window(station);
        QVERIFY(startUp(station, window));
        // Other tests' drives may be there too; these two are this test's.
        auto ours = [&] {
            QStringList found;
            for (const auto& e : station.removableDrives().entries()) {
                auto r = storage::deviceRootOf(e);
                auto drive = r ? station.driveTable().drive(r->at(0).toLatin1()) : std::nullopt;
                if (drive && (drive->root == first.mountPoint() || drive->root == second.mountPoint())) found << e;
            }
            return found;
        };
        QTRY_COMPARE_WITH_TIMEOUT(ours().size(), 2, 5000);
        const QStringList entries = station.removableDrives().entries();
        QStringList sorted = entries;
        sorted.sort();
        QCOMPARE(entries, sorted);

        auto* selector = window.orderPanel()->page(1).device;
        QCOMPARE(selector->currentText(), QStringLiteral("请选择可移动磁盘"));
        selector->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(selector->hasFocus());
        QCOMPARE(selector->lineEdit()->selectedText(), QStringLiteral("请选择可移动磁盘"));
        QTest::keyClick(selector, Qt::Key_Down);
        QCOMPARE(selector->currentText(), entries.front());
        QCOMPARE(QString::fromStdString(station.devices().deviceRoot(1)), *storage::deviceRootOf(entries.front()));
    }
};

QTEST_MAIN(CounterKeysTest)
#include "counterkeys_test.moc"
