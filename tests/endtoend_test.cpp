#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <filesystem>
#include <fstream>

#include "app/station.h"
#include "platform/drives.h"
#include "platform/mountwatcher.h"
#include "platform/textcodec.h"
#include "support/devices.h"
#include "support/fixture.h"

namespace zorvik::app {
namespace {

using testing::Device;
using testing::FileSystem;
using testing::Scratch;
namespace fs = std::filesystem;

// A station on a scratch program folder whose settings map D: and E: into it.
class EndToEnd : public ::testing::Test {
protected:
    void TearDown() override { platform::DriveTable::instance().setFixed({}); }

    std::unique_ptr<Station> start(const std::string& extraSettings = {}) {
        s.write("prog/数据文件/Corlen.ini",
                platform::utf8ToGb18030("[Drives]\r\nD=" + s.makeFolder("d") + "\r\nE=" + s.at("e") + "\r\n" +
                                        extraSettings));
        auto station = std::make_unique<Station>(core::ProgramFolders::at(s.at("prog")));
        QSignalSpy started(station.get(), &Station::startupFinished);
        station->create();
        station->firstShow();
        EXPECT_TRUE(started.wait(2000));
        return station;
    }

    // The root ("G:\") of the removable drive mounted at `mountPoint`; empty
    // until the station has seen it arrive.
    static QString rootOf(const std::string& mountPoint) {
        for (const auto& drive : platform::DriveTable::instance().drives())
            if (drive.type == platform::DriveType::Removable && drive.root == mountPoint)
                return platform::MountWatcher::rootOf(drive.letter);
        return {};
    }

    // The device entry the station offers for a mount point, once it has
    // seen the drive arrive and read its size; empty when it offers none.
    static QString offered(Station& station, const std::string& mountPoint) {
        QString entry;
        (void)QTest::qWaitFor(
            [&] {
                const QString root = rootOf(mountPoint);
                if (root.isEmpty()) return false;
                if (station.removableDrives().entries().contains(storage::deviceEntry(root)))
                    entry = storage::deviceEntry(root);
                return !entry.isEmpty() || !station.removableDrives().busy();
            },
            3000);
        return entry;
    }

    static bool choose(Station& station, int list, const QString& entry) {
        QSignalSpy changed(&station.devices(), &orders::ListDevices::changed);
        station.devices().choose(list, entry.toStdString());
        for (int i = 0; i < 200 && station.devices().choosing(list); ++i) changed.wait(50);
        return !station.devices().choosing(list);
    }

    Scratch s;
};

// A typical order on an exFAT card: plugged in and chosen for list 2 (what a
// crash left on it goes), a number keyed in with "同步下载" on, the song lands
// in the card's music folder without its marker, the card is unplugged and
// list 2 falls back to the local folder.
TEST_F(EndToEnd, ACardOrderFromPlugInToUnplug) {
    std::string song = testing::patterned(500000, 7);
    s.write("e/Brask搜歌库/1-音乐/3021歌手-歌名bk2009.mp3", song);
    auto station = start("[PanFu1]\r\nPanFu1=E\r\n");
    Device card(FileSystem::ExFat, 32);
    if (!card.ok()) GTEST_SKIP() << card.whyNot();
    fs::create_directory(card.at("my music"));  // a card names its folders as it likes
    { std::ofstream stale(card.at("my music/.zorvik-00c0ffee.part")); stale << "left by a crash"; }
    const QString entry = offered(*station, card.mountPoint());
    ASSERT_FALSE(entry.isEmpty()) << "the card was not offered";

    station->orderBook().switchTo(2);
    ASSERT_TRUE(choose(*station, 2, entry));
    const std::string root = entry.mid(6).toStdString();
    EXPECT_EQ(station->devices().destinations(2).folder(0), root + "My Music");
    EXPECT_FALSE(fs::exists(card.at("my music/.zorvik-00c0ffee.part")));

    station->setSyncDownload(true);
    station->search().setNumberMode(true);
    station->search().selectTab(0);
    station->search().setText(QStringLiteral("3021"));
    QSignalSpy copied(&station->lane(2), &orders::CopyLane::immediateFinished);
    QSignalSpy failed(&station->lane(2), &orders::CopyLane::filesNotCopied);
    ASSERT_TRUE(station->search().start());
    ASSERT_TRUE(copied.wait(5000));
    EXPECT_EQ(station->orderBook().rows().entries(),
              std::vector<std::string>{"E:\\Brask搜歌库\\1-音乐\\3021歌手-歌名bk2009.mp3"});
    EXPECT_EQ(testing::readFile(card.at("my music/3021歌手-歌名.mp3")), song.substr(407552));
    EXPECT_TRUE(station->lane(2).doneShown());
    EXPECT_TRUE(failed.isEmpty());
    EXPECT_TRUE(testing::stationTemporariesBelow(card.mountPoint()).empty());

    QSignalSpy gone(&station->removableDrives(), &storage::RemovableDrives::deviceRemoved);
    ASSERT_TRUE(card.unplug());
    ASSERT_TRUE(gone.wait(3000));
    EXPECT_EQ(station->devices().destinations(2).record(), orders::defaultDestinationRecord());
    EXPECT_TRUE(station->devices().deviceRoot(2).empty());
}

// The card is pulled while a film is on its way: the job ends as usual, names
// the film as not copied because the card was removed and the next file as
// sent to the local folder the list fell back to, never reads as done, and
// the card holds neither the film nor a temporary file (looked at through a
// descriptor kept open on its root, which keeps the detached file system alive).
TEST_F(EndToEnd, ACardPulledMidCopyHoldsNothingOfTheFilm) {
    s.write("e/Brask搜歌库/3-电影/小片.mp4", "s");
    {
        std::ofstream big(s.at("e/Brask搜歌库/3-电影/大片.mp4"), std::ios::binary);
        big.seekp((256 << 20) - 1);
        big.put('\0');  // sparse: quick to read, long to write
    }
    auto station = start();
    Device card(FileSystem::ExFat, 512);
    if (!card.ok()) GTEST_SKIP() << card.whyNot();
    const QString entry = offered(*station, card.mountPoint());
    ASSERT_FALSE(entry.isEmpty()) << "the card was not offered";
    ASSERT_TRUE(choose(*station, 1, entry));

    QSignalSpy finished(&station->lane(1), &orders::CopyLane::batchFinished);
    QSignalSpy failed(&station->lane(1), &orders::CopyLane::filesNotCopied);
    station->lane(1).startBatch({"E:\\Brask搜歌库\\3-电影\\大片.mp4", "E:\\Brask搜歌库\\3-电影\\小片.mp4"});
    bool writing = false;
    for (int i = 0; i < 20000 && !writing; ++i) {
        writing = !testing::stationTemporariesBelow(card.at("video")).empty();
        if (!writing) QThread::usleep(100);
    }
    ASSERT_TRUE(writing) << "the film was not on its way";
    const int root = card.pull();
    ASSERT_GE(root, 0);
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_TRUE(station->lane(1).doneShown());
    EXPECT_EQ(station->lane(1).notCopied(), 2);
    ASSERT_EQ(failed.size(), 1);
    const auto reported = failed[0][0].value<orders::CopyFailures>();
    ASSERT_EQ(reported.size(), 2);
    EXPECT_EQ(reported[0].name, QStringLiteral("大片.mp4"));
    EXPECT_EQ(reported[0].reason, platform::CopyFailure::DeviceGone);
    EXPECT_TRUE(reported[0].storedIn.isEmpty());
    // Writing the film outlasts the removal's news: the small one followed the list home.
    EXPECT_EQ(reported[1].name, QStringLiteral("小片.mp4"));
    EXPECT_EQ(reported[1].storedIn, QStringLiteral("D:\\歌曲下载"));
    EXPECT_EQ(testing::readFile(s.at("d/歌曲下载/小片.mp4")), "s");

    std::vector<std::string> onCard;
    int video = ::openat(root, "video", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(video, 0);
    DIR* listing = ::fdopendir(video);
    while (dirent* e = ::readdir(listing))
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") onCard.push_back(e->d_name);
    ::closedir(listing);
    EXPECT_TRUE(onCard.empty()) << onCard.front();
    for (int i = 0; i < 300 && !station->devices().deviceRoot(1).empty(); ++i) QTest::qWait(10);
    EXPECT_TRUE(station->devices().deviceRoot(1).empty());
}

// Three drives: lists 1 and 5 copy to the first, 2 and 4 to the second, the
// third is too small to be offered. Taking the second away sends lists 2 and
// 4 back to the local folder before its entry leaves the selectors; the rest
// keep their device.
TEST_F(EndToEnd, RemovalResetsExactlyTheListsThatChoseTheDrive) {
    auto station = start();
    Device first(FileSystem::Tmpfs, 11), second(FileSystem::Tmpfs, 16), small(FileSystem::Tmpfs, 8);
    if (!first.ok()) GTEST_SKIP() << first.whyNot();
    const QString a = offered(*station, first.mountPoint()), b = offered(*station, second.mountPoint());
    ASSERT_FALSE(a.isEmpty());
    ASSERT_FALSE(b.isEmpty());
    EXPECT_TRUE(offered(*station, small.mountPoint()).isEmpty());
    auto& devices = station->devices();
    for (auto [list, entry] : {std::pair{1, a}, {2, b}, {4, b}, {5, a}}) ASSERT_TRUE(choose(*station, list, entry));
    station->orderBook().switchTo(2);
    QSignalSpy line(&station->removableDrives(), &storage::RemovableDrives::diskTextChanged);
    station->removableDrives().refreshDiskSpaceLine();
    // The line is read off the device in a job; until it answers, the line
    // may still show the drive chosen before.
    const QString secondsLine = QStringLiteral("可用空间：16 MB 总大小：16 MB");
    for (int i = 0; i < 500 && station->removableDrives().diskText() != secondsLine; ++i) QTest::qWait(10);
    EXPECT_EQ(station->removableDrives().diskText(), secondsLine);

    QStringList log;
    QObject::connect(&devices, &orders::ListDevices::changed, station.get(),
                     [&log](int list) { log << QStringLiteral("reset %1").arg(list); });
    // Other tests may plug and pull devices of their own meanwhile: only this
    // test's drives count.
    const auto removals = QObject::connect(&station->removableDrives(), &storage::RemovableDrives::entryRemoved,
                                           station.get(), [&log, a, b](const QString& entry) {
                                               if (entry == a || entry == b) log << entry;
                                           });
    ASSERT_TRUE(second.unplug());
    for (int i = 0; i < 300 && !log.contains(b); ++i) QTest::qWait(10);
    EXPECT_EQ(log, (QStringList{QStringLiteral("reset 2"), QStringLiteral("reset 4"), b}));
    for (int list : {2, 4}) {
        EXPECT_EQ(devices.destinations(list).record(), orders::defaultDestinationRecord()) << list;
        EXPECT_EQ(devices.destinations(list).shownText(), "音乐：D:\\歌曲下载") << list;
        EXPECT_TRUE(devices.deviceRoot(list).empty()) << list;
    }
    for (int list : {1, 5}) EXPECT_EQ(devices.deviceRoot(list), a.mid(6).toStdString()) << list;
    EXPECT_TRUE(station->removableDrives().showsDiskNotice());  // the active list's device went
    EXPECT_TRUE(station->removableDrives().entries().contains(a));

    // A drive that was never offered goes without touching any list. Only
    // resets count now: the freed letter of the second drive may go to
    // another test's device, whose removal would name the same entry.
    QObject::disconnect(removals);
    log.clear();
    const QString smallRoot = rootOf(small.mountPoint());
    ASSERT_FALSE(smallRoot.isEmpty());
    QSignalSpy removed(&station->removableDrives(), &storage::RemovableDrives::deviceRemoved);
    ASSERT_TRUE(small.unplug());
    ASSERT_TRUE(QTest::qWaitFor([&] { return removed.contains(QVariantList{smallRoot}); }, 3000));
    EXPECT_TRUE(log.isEmpty()) << log.join(QLatin1Char(',')).toStdString();

    // The drive that stays still gives its line to its lists.
    station->orderBook().switchTo(1);
    ASSERT_TRUE(line.wait(2000));
    EXPECT_EQ(station->removableDrives().diskText(), QStringLiteral("可用空间：11 MB 总大小：11 MB"));
}

}  // namespace
}  // namespace zorvik::app
