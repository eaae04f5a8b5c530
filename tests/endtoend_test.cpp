#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <map>

#include "app/station.h"
#include "orders/orderbook.h"
#include "platform/drives.h"
#include "platform/fileops.h"
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
    static QString rootOf(const Station& station, const std::string& mountPoint) {
        for (const auto& drive : station.driveTable().drives())
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
                const QString root = rootOf(station, mountPoint);
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
    EXPECT_EQ(station->devices().destinations(2).folder(0), root + "my music");  // as the card spells it
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
    auto station = start("[PanFu1]\r\nPanFu1=E\r\n");
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
    const QString smallRoot = rootOf(*station, small.mountPoint());
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

// What the station may touch: on a customer's device only the device, of the
// device only what it wrote itself, and of the computer only the library.
const std::string kLibraryOnE = "[PanFu1]\r\nPanFu1=E\r\n";
const std::string kMusic = "E:\\Brask搜歌库\\1-音乐\\";

class Reach : public EndToEnd {
protected:
    // The device chosen for list 1 once the station offers it; its root ("G:\").
    static std::string chooseForList1(Station& station, const std::string& mountPoint) {
        const QString entry = offered(station, mountPoint);
        if (entry.isEmpty() || !choose(station, 1, entry)) return {};
        return station.devices().deviceRoot(1);
    }
    // Copies the whole active list as one batch; the files the job named.
    static std::map<QString, platform::CopyFailure> downloadAll(Station& station) {
        QSignalSpy done(&station.lane(1), &orders::CopyLane::batchFinished);
        QSignalSpy failures(&station.lane(1), &orders::CopyLane::filesNotCopied);
        station.orderBook().selectAll(false);
        station.downloadSelected();
        EXPECT_TRUE(done.wait(10000));
        std::map<QString, platform::CopyFailure> named;
        for (const auto& f : failures)
            for (const auto& item : f[0].value<orders::CopyFailures>()) named[item.name] = item.reason;
        return named;
    }
    // "删除选中的文件" on every entry; what it said.
    static QStringList deleteAll(Station& station) {
        QSignalSpy done(&station.orderBook(), &orders::OrderBook::diskSpaceRefreshRequested);
        QSignalSpy said(&station, &Station::messageRequested);
        station.orderBook().selectAll(false);
        station.deleteSelectedEntries();
        EXPECT_TRUE(done.wait(5000));
        QStringList texts;
        for (const auto& m : said) texts << m[0].toString();
        return texts;
    }
};

// A card whose music and picture folders are links to folders of the shop:
// nothing is written into them, nothing deleted through them, and neither the
// file manager nor the space line looks through them.
TEST_F(Reach, LinksOnACardNeverLeadOffIt) {
    s.write("e/Brask搜歌库/1-音乐/3012情歌.mp3", "library song");
    s.write("e/Brask搜歌库/5-图片/花.jpg", "picture");
    const std::string shop = s.makeFolder("shop");
    s.write("shop/3012情歌.mp3", "the shop's own file");
    s.write("prog/数据文件/清单1.txt",
            platform::utf8ToGb18030(kMusic + "3012情歌.mp3\r\nE:\\Brask搜歌库\\5-图片\\花.jpg\r\n"));
    auto station = start(kLibraryOnE);
    Device card(FileSystem::Tmpfs, 16);
    if (!card.ok()) GTEST_SKIP() << card.whyNot();
    ASSERT_EQ(::symlink(shop.c_str(), card.at("My Music").c_str()), 0);
    ASSERT_EQ(::symlink(("../../../../../../../../" + shop.substr(1)).c_str(), card.at("Photos").c_str()), 0);
    const std::string root = chooseForList1(*station, card.mountPoint());
    ASSERT_FALSE(root.empty()) << "the card was not offered";
    const auto shopBefore = std::vector<std::string>{"3012情歌.mp3"};
    auto shopFiles = [&] {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(shop)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };

    const auto named = downloadAll(*station);
    EXPECT_EQ(shopFiles(), shopBefore);
    EXPECT_EQ(testing::readFile(shop + "/3012情歌.mp3"), "the shop's own file");
    EXPECT_EQ(named.at(QStringLiteral("3012情歌.mp3")), platform::CopyFailure::LeadsOffDevice);
    EXPECT_EQ(named.at(QStringLiteral("花.jpg")), platform::CopyFailure::LeadsOffDevice);

    deleteAll(*station);
    EXPECT_EQ(shopFiles(), shopBefore);

    // The file manager and the space line on the linked folder.
    const std::string linked = root + "My Music";
    EXPECT_FALSE(platform::folderExists(station->driveTable(), linked));
    EXPECT_FALSE(platform::fileExists(station->driveTable(), linked + "\\3012情歌.mp3"));
    EXPECT_FALSE(platform::deleteFile(station->driveTable(), linked + "\\3012情歌.mp3"));
    EXPECT_FALSE(platform::renameFile(station->driveTable(), linked + "\\3012情歌.mp3", root + "taken.mp3"));
    EXPECT_FALSE(platform::createFolders(station->driveTable(), linked + "\\新建文件夹1"));
    EXPECT_TRUE(platform::listFolder(station->driveTable(), linked + "\\").empty());
    EXPECT_FALSE(platform::diskSpace(station->driveTable(), linked));
    EXPECT_TRUE(platform::diskSpace(station->driveTable(), root));
    auto& manager = station->fileManager();
    QSignalSpy read(&manager, &storage::FileManager::listRead);
    manager.setRoot(QString::fromStdString(linked));
    ASSERT_TRUE(read.wait(3000));
    EXPECT_EQ(manager.list().count(), 0);
    manager.setRoot(QString::fromStdString(root));
    ASSERT_TRUE(read.wait(3000));
    for (int row = 0; row < manager.list().count(); ++row)
        EXPECT_NE(manager.list().item(row).name, QStringLiteral("My Music")) << "a link shown as a folder";
    EXPECT_EQ(shopFiles(), shopBefore);
    EXPECT_EQ(testing::readFile(shop + "/3012情歌.mp3"), "the shop's own file");
}

// The customer's own file of a song's name: the copy leaves it and says so,
// and deleting the list's device copies deletes only what the station wrote.
TEST_F(Reach, TheCustomersOwnFileIsNamedAndKept) {
    s.write("e/Brask搜歌库/1-音乐/3011老歌.mp3", "library 3011");
    s.write("e/Brask搜歌库/1-音乐/3012情歌.mp3", "library 3012");
    s.write("prog/数据文件/清单1.txt",
            platform::utf8ToGb18030(kMusic + "3011老歌.mp3\r\n" + kMusic + "3012情歌.mp3\r\n"));
    auto station = start(kLibraryOnE);
    Device card(FileSystem::Tmpfs, 16);
    if (!card.ok()) GTEST_SKIP() << card.whyNot();
    fs::create_directory(card.at("My Music"));
    std::ofstream(card.at("My Music/3012情歌.mp3")) << "the customer's recording";
    ASSERT_FALSE(chooseForList1(*station, card.mountPoint()).empty()) << "the card was not offered";

    const auto named = downloadAll(*station);
    ASSERT_EQ(named.size(), 1u);
    EXPECT_EQ(named.at(QStringLiteral("3012情歌.mp3")), platform::CopyFailure::AlreadyThere);
    EXPECT_EQ(testing::readFile(card.at("My Music/3011老歌.mp3")), "library 3011");

    const QStringList said = deleteAll(*station);
    EXPECT_FALSE(fs::exists(card.at("My Music/3011老歌.mp3")));
    EXPECT_EQ(testing::readFile(card.at("My Music/3012情歌.mp3")), "the customer's recording");
    EXPECT_EQ(said, QStringList{orders::leftAloneText(1)});
}

// List lines naming files outside the library, by a native path, by C: (not
// mapped unless [Drives] maps it, and refused when it is), and by a link
// inside the library: none is copied, each is named as refused.
TEST_F(Reach, ListLinesOutsideTheLibraryAreRefusedAndNamed) {
    const std::string secret = s.write("outside/shadow", "secret");
    s.write("outside/n1.mp3", "not a library file");
    s.write("e/Brask搜歌库/1-音乐/3011老歌.mp3", "library 3011");
    s.write("d/歌曲下载/旧歌.mp3", "downloaded earlier");
    s.makeFolder("e/Brask搜歌库/1-音乐");
    ASSERT_EQ(::symlink(secret.c_str(), s.at("e/Brask搜歌库/1-音乐/3013.mp3").c_str()), 0);
    const std::string native = s.at("outside/n1.mp3");
    const std::string viaC = "C:" + s.at("outside/n1.mp3");
    const std::vector<std::string> lines{kMusic + "3011老歌.mp3", native, viaC, kMusic + "3013.mp3",
                                         "E:\\shadow.mp3", "D:\\歌曲下载\\旧歌.mp3"};
    s.write("e/shadow.mp3", "on E: but outside the library");
    std::string file;
    for (auto line : lines) {
        std::replace(line.begin(), line.end(), '/', '\\');
        file += line + "\r\n";
    }
    s.write("prog/数据文件/清单1.txt", platform::utf8ToGb18030(file));
    for (const bool mapC : {false, true}) {
        auto station = start((mapC ? "C=/\r\n" : "") + kLibraryOnE);
        ASSERT_EQ(station->orderBook().rows().count(), 6);
        EXPECT_EQ(station->driveTable().drive('C').has_value(), mapC);
        const auto named = downloadAll(*station);
        std::map<QString, platform::CopyFailure> expected;
        for (size_t i : {1u, 2u, 3u, 4u}) {
            std::string line = lines[i];
            std::replace(line.begin(), line.end(), '/', '\\');
            expected[QString::fromStdString(line)] = platform::CopyFailure::OutsideLibrary;
        }
        expected[QStringLiteral("旧歌.mp3")] = platform::CopyFailure::AlreadyThere;  // D:\歌曲下载 is a source too
        EXPECT_EQ(named, expected) << "C: mapped: " << mapC;
        std::vector<std::string> landed;
        for (const auto& e : fs::directory_iterator(s.at("d/歌曲下载")))
            if (e.is_regular_file()) landed.push_back(e.path().filename().string());
        std::sort(landed.begin(), landed.end());
        EXPECT_EQ(landed, (std::vector<std::string>{"3011老歌.mp3", "旧歌.mp3"}));

        // "复制到本地磁盘" refuses them as well.
        QSignalSpy local(&station->localCopy(), &orders::LocalCopy::filesNotCopied);
        station->orderBook().selectAll(false);
        station->copySelectedToLocalDisk();
        ASSERT_TRUE(local.wait(5000));
        EXPECT_EQ(local[0][0].value<orders::CopyFailures>().size(), 4);
        EXPECT_FALSE(fs::exists(s.at("d/歌曲下载/3013.mp3")));
        EXPECT_FALSE(fs::exists(s.at("d/歌曲下载/n1.mp3")));
        fs::remove(s.at("d/歌曲下载/3011老歌.mp3"));
        station->closeQuery();
        station->close();
        station->jobsEnded();
    }
}

}  // namespace
}  // namespace zorvik::app
