#include <gtest/gtest.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "app/station.h"
#include "core/mediafiles.h"
#include "library/drivesetup.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "support/devices.h"
#include "support/fixture.h"

namespace zorvik::app {
namespace {

using testing::Scratch;
namespace fs = std::filesystem;

// A program folder with a settings file that maps D: (and E:) into the scratch folder.
class StationStart : public ::testing::Test {
protected:
    void writeSettings(const std::string& extra = {}) {
        s.makeFolder("d");
        s.makeFolder("e");
        s.write("prog/数据文件/Corlen.ini",
                platform::utf8ToGb18030("[Drives]\r\nD=" + s.at("d") + "\r\nE=" + s.at("e") + "\r\n" + extra));
    }
    // Runs creation, first show and the start-up timer.
    void start(Station& station) {
        QSignalSpy started(&station, &Station::startupFinished);
        station.create();
        station.firstShow();
        ASSERT_TRUE(started.wait(2000));
    }
    Scratch s;
};

TEST_F(StationStart, OnAnEmptyProgramFolder) {
    Station station(core::ProgramFolders::at(s.at("prog")));
    QSignalSpy basic(&station, &Station::basicSettingsRequested);
    QSignalSpy message(&station, &Station::messageRequested);
    start(station);

    EXPECT_TRUE(fs::is_directory(s.at("prog/数据文件")));
    EXPECT_EQ(basic.size(), 1);  // no library drive configured
    EXPECT_TRUE(fs::exists(s.at("prog/数据文件/热门推荐.txt")));
    EXPECT_EQ(message.size(), 0);  // D: is the home folder here
    EXPECT_TRUE(station.diskDText().startsWith(QStringLiteral("D盘可用空:")));
}

TEST_F(StationStart, CleansCachesAndMakesTheStagingFolders) {
    writeSettings("[PanFu3]\r\nPanFu3=E\r\n");
    for (const char* name : {"decoded.mp3", "clip.3gp", "歌手.txt", "热门推荐.txt", "Brask搜歌.gif", "noext"})
        s.write(std::string("prog/数据文件/") + name, "x");
    s.write("d/歌曲下载/清单2/left.mp3", "x");
    s.write("d/歌曲下载/清单2/keep.txt", "x");
    s.write("d/歌曲下载/kept.mp3", "x");  // D: has far more than 2048 MB free here
    // What a crash left of the station's copies goes; nothing else does.
    s.write("d/歌曲下载/.zorvik-1234abcd.part", "x");
    s.write("d/歌曲下载/清单4/.zorvik-00000000.part", "x");
    s.write("d/歌曲下载/.zorvik-1234abcd.part.bak", "x");

    Station station(core::ProgramFolders::at(s.at("prog")));
    QSignalSpy basic(&station, &Station::basicSettingsRequested);
    start(station);

    EXPECT_EQ(basic.size(), 0);
    EXPECT_EQ(station.libraryDrives()[2], "E");
    EXPECT_FALSE(fs::exists(s.at("prog/数据文件/decoded.mp3")));
    EXPECT_FALSE(fs::exists(s.at("prog/数据文件/clip.3gp")));
    for (const char* name : {"Corlen.ini", "歌手.txt", "热门推荐.txt", "Brask搜歌.gif", "noext"})
        EXPECT_TRUE(fs::exists(s.at(std::string("prog/数据文件/") + name))) << name;
    for (int n = 1; n <= 5; ++n)
        EXPECT_TRUE(fs::is_directory(s.at("d/歌曲下载/清单" + std::to_string(n)))) << n;
    EXPECT_FALSE(fs::exists(s.at("d/歌曲下载/清单2/left.mp3")));
    EXPECT_TRUE(fs::exists(s.at("d/歌曲下载/清单2/keep.txt")));
    EXPECT_TRUE(fs::exists(s.at("d/歌曲下载/kept.mp3")));
    EXPECT_FALSE(fs::exists(s.at("d/歌曲下载/.zorvik-1234abcd.part")));
    EXPECT_FALSE(fs::exists(s.at("d/歌曲下载/清单4/.zorvik-00000000.part")));
    EXPECT_TRUE(fs::exists(s.at("d/歌曲下载/.zorvik-1234abcd.part.bak")));
}

TEST_F(StationStart, LowSpaceOnDCleansTheLocalDownloadFolder) {
    writeSettings();
    testing::TmpfsOver smallD(s.at("d"), 64);
    if (!smallD.ok()) GTEST_SKIP() << smallD.whyNot();
    s.write("d/歌曲下载/old.mp3", "x");
    s.write("d/歌曲下载/notes.txt", "x");
    Station station(core::ProgramFolders::at(s.at("prog")));
    start(station);
    EXPECT_FALSE(fs::exists(s.at("d/歌曲下载/old.mp3")));
    EXPECT_TRUE(fs::exists(s.at("d/歌曲下载/notes.txt")));
    EXPECT_EQ(station.diskDText().toStdString().rfind("D盘可用空:6", 0), 0u) << station.diskDText().toStdString();
}

TEST_F(StationStart, OptionBoxesAreOnOnlyForExactlyTrue) {
    struct Case {
        const char* sync;
        const char* number;
        bool syncOn;
        bool numberOn;
    };
    const Case cases[] = {{"true", "true", true, true}, {"True", "TRUE", false, false}, {"false", " true ", false, true}};
    for (const auto& c : cases) {
        Scratch fresh;
        fresh.write("prog/数据文件/Corlen.ini", std::string("[TongBuXZ]\r\nTongBuXZ=") + c.sync +
                                                  "\r\n[BianHaoCZ]\r\nBianHaoCZ=" + c.number + "\r\n");
        Station station(core::ProgramFolders::at(fresh.at("prog")));
        QSignalSpy loaded(&station, &Station::optionBoxesLoaded);
        QSignalSpy started(&station, &Station::startupFinished);
        station.create();
        station.firstShow();
        ASSERT_TRUE(started.wait(2000));
        EXPECT_EQ(station.syncDownload(), c.syncOn) << c.sync;
        EXPECT_EQ(station.search().numberMode(), c.numberOn) << c.number;
        EXPECT_EQ(station.search().text(), c.numberOn ? QStringLiteral("这里输入查找编号")
                                                      : QStringLiteral("这里输入查找关键字"));
        ASSERT_EQ(loaded.size(), 1);
        EXPECT_EQ(loaded[0][0].toBool(), c.syncOn);
        EXPECT_EQ(station.cues().pending(), core::Cues::Startup);  // cue 1 replaces the boxes' cue 2
        EXPECT_EQ(station.search().tab(), 0);
    }
}

TEST_F(StationStart, CopyToLocalDiskWritesPlainMediaFilesBesideTheCounter) {
    writeSettings("[PanFu1]\r\nPanFu1=E\r\n");
    std::string song(450000, 's');
    for (size_t i = 0; i < song.size(); ++i) song[i] = static_cast<char>(i % 241);
    s.write("e/Brask搜歌库/1-音乐/歌bk2009.mp3", song);
    s.write("e/Brask搜歌库/3-电影/片.mp4", "film");
    s.write("d/歌曲下载/片.mp4", "old");  // replaced
    Station station(core::ProgramFolders::at(s.at("prog")));
    start(station);
    QSignalSpy message(&station, &Station::messageRequested);
    station.copySelectedToLocalDisk();  // nothing selected
    ASSERT_EQ(message.size(), 1);
    EXPECT_EQ(message[0][0].toString(), QStringLiteral("至少要选择一个文件!"));

    station.orderBook().add({"E:\\Brask搜歌库\\1-音乐\\歌bk2009.mp3", "E:\\Brask搜歌库\\3-电影\\片.mp4"});
    station.orderBook().selectAll(false);
    QSignalSpy done(&station.localCopy(), &orders::LocalCopy::finished);
    station.copySelectedToLocalDisk();
    ASSERT_TRUE(done.wait(3000));
    EXPECT_EQ(testing::readFile(s.at("d/歌曲下载/歌.mp3")), song.substr(407552));
    EXPECT_EQ(testing::readFile(s.at("d/歌曲下载/片.mp4")), "film");
    EXPECT_EQ(station.cues().pending(), core::Cues::Select);
}

TEST_F(StationStart, AMissingDriveDIsReportedAndStartUpGoesOn) {
    // D: and the library disk E: name folders on a disk that is not there.
    s.write("prog/数据文件/Corlen.ini", "[Drives]\r\nD=" + s.at("gone/home") + "\r\nE=" + s.at("gone/disk") +
                                          "\r\n[PanFu1]\r\nPanFu1=E\r\n");
    Station station(core::ProgramFolders::at(s.at("prog")));
    QSignalSpy message(&station, &Station::messageRequested);
    start(station);
    ASSERT_EQ(message.size(), 1);
    EXPECT_EQ(message[0][0].toString(), QStringLiteral("D盘不存在,或D盘无法读写,请检查磁盘!"));
    EXPECT_EQ(station.diskDText(), QStringLiteral("D盘不存在,或D盘无法读写"));
    EXPECT_FALSE(fs::exists(s.at("gone")));  // no local download folder made up for D:

    // Whatever asks for folders on them (the staging folders at start, the
    // category folders of a chosen library drive, the subcategory panel), a
    // missing drive stays missing.
    EXPECT_FALSE(library::createCategoryFolders(station.driveTable(), "E"));
    station.categories().openPanel();
    EXPECT_TRUE(station.categories().waitUntil(std::chrono::steady_clock::now() + std::chrono::seconds(5)));
    EXPECT_FALSE(fs::exists(s.at("gone")));
}

TEST_F(StationStart, WarmUpEndsReadyAndTheCountersStop) {
    writeSettings("[PanFu1]\r\nPanFu1=E\r\n");
    s.write("e/Brask搜歌库/1-音乐/a.mp3");
    Station station(core::ProgramFolders::at(s.at("prog")));
    QSignalSpy finished(&station, &Station::warmUpFinished);
    QSignalSpy ready(&station.listings(), &library::Listings::readyTextChanged);
    int cueAtFinish = -1;
    QObject::connect(&station, &Station::warmUpFinished, &station,
                     [&] { cueAtFinish = station.cues().pending(); });
    start(station);
    if (finished.isEmpty()) {
        ASSERT_TRUE(finished.wait(5000));
    }
    EXPECT_EQ(finished[0][0].toLongLong(), 0);  // the warm-up keyword matches nothing
    EXPECT_EQ(cueAtFinish, core::Cues::Error);
    EXPECT_EQ(ready.first()[0].toString(), QStringLiteral("正在整理缓存 ... 请稍等 ！"));
    EXPECT_EQ(station.listings().readyText(), QStringLiteral("就绪！"));
    EXPECT_FALSE(station.listings().findChild<QTimer*>(QStringLiteral("Timer13"))->isActive());
    EXPECT_TRUE(station.listings().searchEnabled());
}

TEST_F(StationStart, ClosingStartsBtShAndPlaysTheExitSound) {
    writeSettings();
    s.write("prog/bt.sh", "echo done > \"$(dirname \"$0\")/bt.ran\"\n");
    s.write("prog/按键音乐/退出.wav", std::string("RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00"
                                                  "\x22\x56\x00\x00\x44\xac\x00\x00\x02\x00\x10\x00"
                                                  "data\x04\x00\x00\x00\x00\x00\x00\x00",
                                                  48));
    Station station(core::ProgramFolders::at(s.at("prog")));
    start(station);
    QSignalSpy played(&station.cues(), &player::CuePlayer::played);
    station.closeQuery();
    ASSERT_EQ(played.size(), 1);
    EXPECT_EQ(played[0][0].toInt(), core::Cues::Exit);
    station.close();
    for (int i = 0; i < 100 && !fs::exists(s.at("prog/bt.ran")); ++i) QTest::qWait(20);
    EXPECT_TRUE(fs::exists(s.at("prog/bt.ran")));
}

TEST_F(StationStart, AListLineThatDoesNotDecodeSurvivesStartSearchSwitchAndClose) {
    writeSettings();
    const std::string list = platform::utf8ToGb18030("E:\\一.mp3\r\n") + "E:\\\x81\x20\xFF.mp3\r\n";
    s.write("prog/数据文件/清单1.txt", list);
    Station station(core::ProgramFolders::at(s.at("prog")));
    start(station);
    ASSERT_EQ(station.orderBook().rows().count(), 2);
    station.search().setText(QStringLiteral("一"));
    station.search().start();  // a search saves the active list first
    station.orderBook().switchTo(2);
    station.orderBook().switchTo(1);
    station.closeQuery();
    EXPECT_EQ(testing::readFile(s.at("prog/数据文件/清单1.txt")), list);
}

// Only the program folder's bt.sh is the shop's: one in the working folder or
// in the data folder is never started in its place.
TEST_F(StationStart, OnlyTheProgramFoldersBtShIsStarted) {
    writeSettings();
    const std::string script = "echo ran > \"$(dirname \"$0\")/bt.ran\"\n";
    s.write("prog/bt.sh", script);
    s.write("prog/数据文件/bt.sh", script);
    s.write("cwd/bt.sh", script);
    const auto previous = fs::current_path();
    fs::current_path(s.at("cwd"));
    {
        Station station(core::ProgramFolders::at(s.at("prog")));
        start(station);
        station.closeQuery();
        station.close();
    }
    fs::current_path(previous);
    // The close starts one script; it is the program folder's.
    EXPECT_TRUE(QTest::qWaitFor([&] { return fs::exists(s.at("prog/bt.ran")); }, 5000));
    EXPECT_FALSE(fs::exists(s.at("cwd/bt.ran")));
    EXPECT_FALSE(fs::exists(s.at("prog/数据文件/bt.ran")));
}

TEST_F(StationStart, ADoubleClickedPictureGoesToTheActiveListAndItsDevice) {
    writeSettings("[PanFu1]\r\nPanFu1=E\r\n");
    s.write("e/Brask搜歌库/5-图片/大图/美女/a.jpg", "picture");
    Station station(core::ProgramFolders::at(s.at("prog")));
    start(station);
    station.orderBook().switchTo(2);
    s.makeFolder("d/customer2");
    ASSERT_EQ(station.devices().pick(2, core::Picture, "D:\\customer2"), orders::PickOutcome::Assigned);
    station.setSyncDownload(true);

    auto& pictures = station.pictures();
    pictures.setCursor(0);
    pictures.show(station.libraryDrives());
    pictures.paneLoaded(0);
    ASSERT_TRUE(pictures.press(0));
    QSignalSpy copied(&station.pictureOrder(), &orders::PictureOrder::copied);
    ASSERT_TRUE(pictures.doubleClick());
    ASSERT_TRUE(copied.wait(3000));
    EXPECT_EQ(testing::readFile(s.at("d/customer2/a.jpg")), "picture");
    EXPECT_FALSE(fs::exists(s.at("d/歌曲下载/a.jpg")));  // list 1's folder is another customer's
    ASSERT_EQ(station.orderBook().rows().count(), 1);
    EXPECT_EQ(station.orderBook().rows().entry(0), "E:\\Brask搜歌库\\5-图片\\大图\\美女\\a.jpg");
    EXPECT_EQ(station.tally().entriesText(), QStringLiteral("1"));
}

}  // namespace
}  // namespace zorvik::app
