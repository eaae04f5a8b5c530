#include <cerrno>
#include <sys/stat.h>

#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include "app/station.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "ui/copytexts.h"
#include "ui/mainwindow.h"
#include "ui/orderpanel.h"

using namespace zorvik;

class OrderPanelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:

    // Each list words its progress in its own way.
    void everyListWordsItsProgress() {
        orders::CopyProgress plain{false, 2, 3, QStringLiteral("歌.mp3"), false};
        orders::CopyProgress prefixed{false, 2, 3, QStringLiteral("歌.mp3"), true};
        orders::CopyProgress now{true, 4, 5, QStringLiteral("歌.mp3"), false};
        using namespace ui::copytexts;
        const QString texts[5] = {QStringLiteral("2/3 正在下载...歌.mp3"), QStringLiteral("正在下载： 歌.mp3"),
                                  QStringLiteral("2/3正在下载： 歌.mp3"), QStringLiteral("正在下载2/3歌.mp3"),
                                  QStringLiteral("2/3正在下载...歌.mp3")};
        for (int list = 1; list <= 5; ++list) {
            QCOMPARE(progressText(list, plain), texts[list - 1]);
            QCOMPARE(progressText(list, now), QStringLiteral("4/5正在下载...歌.mp3"));
            QCOMPARE(doneText(list), QStringLiteral("清单%1 下载完成！").arg(list));
            QCOMPARE(secondPanelAtBatchEnd(list).has_value(), list == 3 || list == 5);
            QCOMPARE(secondPanelAtImmediateEnd(list).has_value(), list == 1);
            QCOMPARE(secondPanelForFile(list, now).has_value(), false);
        }
        QCOMPARE(progressText(4, prefixed), QStringLiteral("正在下载...2/3歌.mp3"));
        QCOMPARE(*secondPanelForFile(2, plain), QStringLiteral("正在下载...2/3"));
        QCOMPARE(*secondPanelForFile(4, prefixed), QStringLiteral("正在下载...2/3"));
        QVERIFY(!secondPanelForFile(4, plain));
        QCOMPARE(*secondPanelAtBatchEnd(3), QStringLiteral("下载完成!"));
        QCOMPARE(*secondPanelAtImmediateEnd(1), QStringLiteral("复制完成!"));
        // A reason the station has no words of its own for is still told in Chinese.
        QCOMPARE(failureReason(platform::CopyFailure::Other, EACCES), QStringLiteral("复制出错（拒绝访问。）"));
    }

    // A job that could not copy everything never reads as done: its tab and
    // the status bar say how many files it left out, and one box names them
    // and why, without waiting for the operator.
    void aJobThatCouldNotCopyEverythingSaysWhichAndWhy() {
        QTemporaryDir dir;
        const std::string root = dir.path().toStdString();
        QDir(dir.path()).mkpath(QStringLiteral("数据文件"));
        QDir(dir.path()).mkpath(QStringLiteral("e/Brask搜歌库/1-音乐"));
        QDir(dir.path()).mkpath(QStringLiteral("d/歌曲下载"));
        QFile ini(dir.filePath(QStringLiteral("数据文件/Corlen.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QByteArray::fromStdString(
            platform::utf8ToGb18030("[Drives]\r\nD=" + root + "/d\r\nE=" + root + "/e\r\n[PanFu1]\r\nPanFu1=E\r\n")));
        ini.close();
        QFile song(dir.filePath(QStringLiteral("e/Brask搜歌库/1-音乐/好歌.mp3")));
        QVERIFY(song.open(QIODevice::WriteOnly));
        song.write("song");
        song.close();
        QCOMPARE(::mkfifo((root + "/e/Brask搜歌库/1-音乐/管道.mp3").c_str(), 0644), 0);

        app::Station station(core::ProgramFolders::at(root));
        ui::TForm1 window(station);
        QSignalSpy started(&station, &app::Station::startupFinished);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!started.isEmpty() || started.wait(2000));  // the start-up may end while the window is shown
        station.orderBook().switchTo(3);
        station.orderBook().add({"E:\\Brask搜歌库\\1-音乐\\管道.mp3", "E:\\Brask搜歌库\\1-音乐\\好歌.mp3",
                                 "E:\\Brask搜歌库\\1-音乐\\没有.mp4"});
        station.orderBook().selectAll(false);
        QSignalSpy finished(&station.lane(3), &orders::CopyLane::batchFinished);
        station.downloadSelected();
        QVERIFY(finished.wait(5000));

        const auto& page = window.orderPanel()->page(3);
        QVERIFY(page.doneLabel->isVisible());
        QCOMPARE(page.doneLabel->text(), QStringLiteral("清单3 有2个文件未下载！"));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("d/歌曲下载/好歌.mp3"))));
        auto* panel = window.statusBar()->findChild<QLabel*>(QStringLiteral("statusPanel2"));
        QVERIFY(panel);
        QCOMPARE(panel->text(), QStringLiteral("清单3 有 2 个文件没有下载成功"));
        QMessageBox* box = nullptr;
        QTRY_VERIFY((box = window.findChild<QMessageBox*>(QStringLiteral("notCopiedBox"))));
        QVERIFY(box->isVisible());
        QCOMPARE(box->windowModality(), Qt::NonModal);
        QCOMPARE(box->text(), QStringLiteral("清单3 有 2 个文件没有下载成功：\n管道.mp3：不是普通文件，不能复制\n"
                                             "没有.mp4：源文件不存在"));

        // The next job that copies everything reads as done again.
        finished.clear();
        QFile again(dir.filePath(QStringLiteral("e/Brask搜歌库/1-音乐/又一首.mp3")));
        QVERIFY(again.open(QIODevice::WriteOnly));
        again.write("song");
        again.close();
        station.lane(3).startBatch({"E:\\Brask搜歌库\\1-音乐\\又一首.mp3"});
        QVERIFY(finished.wait(5000));
        QCOMPARE(page.doneLabel->text(), QStringLiteral("清单3 下载完成！"));
        QCOMPARE(panel->text(), QStringLiteral("下载完成!"));
    }
};

QTEST_MAIN(OrderPanelTest)
#include "orderpanel_test.moc"
