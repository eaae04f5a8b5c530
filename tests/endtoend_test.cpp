#include <gtest/gtest.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <filesystem>

#include "app/station.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "support/fixture.h"

namespace zorvik::app {
namespace {

using testing::Scratch;
namespace fs = std::filesystem;

// A typical order: a phone is plugged in and chosen for list 2, the operator
// keys in a number with "同步下载" on, the song lands in the phone's music
// folder without its marker, the phone is unplugged, list 2 falls back.
TEST(EndToEnd, APhoneOrderFromPlugInToUnplug) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to mount a phone";
    Scratch s;
    std::string song(500000, '\0');
    for (size_t i = 0; i < song.size(); ++i) song[i] = static_cast<char>(i * 13);
    s.write("e/Brask搜歌库/1-音乐/3021歌手-歌名bk2009.mp3", song);
    s.write("prog/数据文件/Corlen.ini",
            platform::utf8ToGb18030("[Drives]\r\nD=" + s.makeFolder("d") + "\r\nE=" + s.at("e") +
                                    "\r\n[PanFu1]\r\nPanFu1=E\r\n"));
    const std::string phone = "/media/root/zorvik-e2e-" + std::to_string(::getpid());
    fs::create_directories(phone);

    Station station(core::ProgramFolders::at(s.at("prog")));
    QSignalSpy started(&station, &Station::startupFinished);
    QSignalSpy offered(&station.removableDrives(), &storage::RemovableDrives::entryAdded);
    station.create();
    station.firstShow();
    ASSERT_TRUE(started.wait(2000));

    ASSERT_EQ(std::system(("mount -t tmpfs -o size=16m tmpfs '" + phone + "'").c_str()), 0);
    struct Unmount {
        std::string at;
        ~Unmount() { std::system(("umount -l '" + at + "' 2>/dev/null; rmdir '" + at + "'").c_str()); }
    } unmount{phone};
    QString entry;
    for (int i = 0; i < 300 && entry.isEmpty(); ++i) {
        for (const auto& e : station.removableDrives().entries()) {
            auto root = storage::deviceRootOf(e);
            auto native = root ? platform::DriveTable::instance().toNative(root->toStdString()) : std::nullopt;
            if (native && fs::path(*native).lexically_normal() == fs::path(phone + "/").lexically_normal())
                entry = e;
        }
        if (entry.isEmpty()) QTest::qWait(10);
    }
    ASSERT_FALSE(entry.isEmpty()) << "the phone was not offered";

    station.orderBook().switchTo(2);
    station.chooseDevice(2, entry.toStdString());
    EXPECT_TRUE(fs::is_directory(phone + "/My Music"));

    station.setSyncDownload(true);
    station.search().setNumberMode(true);
    station.search().selectTab(0);
    station.search().setText(QStringLiteral("3021"));
    QSignalSpy copied(&station.lane(2), &orders::CopyLane::immediateFinished);
    ASSERT_TRUE(station.search().start());
    ASSERT_TRUE(copied.wait(5000));

    EXPECT_EQ(station.orderBook().rows().entries(),
              std::vector<std::string>{"E:\\Brask搜歌库\\1-音乐\\3021歌手-歌名bk2009.mp3"});
    const std::string onPhone = phone + "/My Music/3021歌手-歌名.mp3";
    ASSERT_TRUE(fs::exists(onPhone));
    EXPECT_EQ(testing::readFile(onPhone), song.substr(407552));
    EXPECT_TRUE(station.lane(2).doneShown());

    QSignalSpy gone(&station.removableDrives(), &storage::RemovableDrives::deviceRemoved);
    ASSERT_EQ(std::system(("umount '" + phone + "'").c_str()), 0);
    ASSERT_TRUE(gone.wait(3000));
    for (const auto& folder : station.destinations(2).record()) EXPECT_EQ(folder, "D:\\歌曲下载");
    EXPECT_TRUE(station.deviceRoot(2).empty());
    platform::DriveTable::instance().setFixed({});
}

// The phone is pulled while a film is on its way: the job ends normally and
// nothing is left half-written where the phone was.
TEST(EndToEnd, APhonePulledMidCopy) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to mount a phone";
    Scratch s;
    s.write("e/Brask搜歌库/3-电影/大片.mp4", std::string(300 << 20, 'f'));
    s.write("e/Brask搜歌库/3-电影/小片.mp4", "s");
    s.write("prog/数据文件/Corlen.ini",
            platform::utf8ToGb18030("[Drives]\r\nD=" + s.makeFolder("d") + "\r\nE=" + s.at("e") + "\r\n"));
    const std::string phone = "/media/root/zorvik-pull-" + std::to_string(::getpid());
    fs::create_directories(phone);

    Station station(core::ProgramFolders::at(s.at("prog")));
    QSignalSpy started(&station, &Station::startupFinished);
    station.create();
    station.firstShow();
    ASSERT_TRUE(started.wait(2000));
    ASSERT_EQ(std::system(("mount -t tmpfs -o size=700m tmpfs '" + phone + "'").c_str()), 0);
    struct Unmount {
        std::string at;
        ~Unmount() { std::system(("umount -l '" + at + "' 2>/dev/null; rmdir '" + at + "'").c_str()); }
    } unmount{phone};
    std::string root;
    for (int i = 0; i < 300 && root.empty(); ++i) {
        for (const auto& d : platform::DriveTable::instance().drives())
            if (d.root == phone) root = std::string(1, d.letter) + ":\\";
        if (root.empty()) QTest::qWait(10);
    }
    ASSERT_FALSE(root.empty());
    station.chooseDevice(1, "可移动磁盘：" + root);
    ASSERT_TRUE(fs::is_directory(phone + "/video"));

    QSignalSpy finished(&station.lane(1), &orders::CopyLane::batchFinished);
    station.lane(1).startBatch({"E:\\Brask搜歌库\\3-电影\\大片.mp4", "E:\\Brask搜歌库\\3-电影\\小片.mp4"});
    bool writing = false;
    for (int i = 0; i < 2000 && !writing; ++i) {
        for (const auto& e : fs::directory_iterator(phone + "/video"))
            writing = writing || e.path().filename().string().ends_with(".part");
        if (!writing) QThread::usleep(100);
    }
    ASSERT_TRUE(writing) << "the film was not on its way";
    ASSERT_EQ(std::system(("umount -l '" + phone + "'").c_str()), 0);
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_TRUE(station.lane(1).doneShown());
    EXPECT_TRUE(fs::is_empty(phone));  // the folder the phone was mounted on
    EXPECT_TRUE(station.deviceRoot(1).empty());
    platform::DriveTable::instance().setFixed({});
}

}  // namespace
}  // namespace zorvik::app
