#include <gtest/gtest.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <map>

#include "app/station.h"
#include "orders/orderbook.h"
#include "platform/drives.h"
#include "platform/fileops.h"
#include "platform/textcodec.h"
#include "support/devices.h"
#include "support/fixture.h"

// What the station may touch: on a customer's device only the device, of the
// device only what it wrote itself, and of the computer only the library.
namespace zorvik::app {
namespace {

using testing::Device;
using testing::FileSystem;
using testing::Scratch;
namespace fs = std::filesystem;

const std::string kMusic = "E:\\Brask搜歌库\\1-音乐\\";

class Reach : public ::testing::Test {
protected:
    void TearDown() override { platform::DriveTable::instance().setFixed({}); }

    std::unique_ptr<Station> start(const std::string& moreDrives = {}) {
        s.write("prog/数据文件/Corlen.ini",
                platform::utf8ToGb18030("[Drives]\r\nD=" + s.makeFolder("d") + "\r\nE=" + s.makeFolder("e") +
                                        "\r\n" + moreDrives + "[PanFu1]\r\nPanFu1=E\r\n"));
        auto station = std::make_unique<Station>(core::ProgramFolders::at(s.at("prog")));
        QSignalSpy started(station.get(), &Station::startupFinished);
        station->create();
        station->firstShow();
        EXPECT_TRUE(started.wait(5000));
        return station;
    }

    // The device chosen for list 1 once the station offers it; its root ("G:\").
    static std::string choose(Station& station, const std::string& mountPoint) {
        QString entry;
        for (int i = 0; i < 300 && entry.isEmpty(); ++i) {
            for (const auto& e : station.removableDrives().entries()) {
                auto root = storage::deviceRootOf(e);
                auto drive = root ? platform::DriveTable::instance().drive(root->at(0).toLatin1()) : std::nullopt;
                if (drive && drive->root == mountPoint) entry = e;
            }
            if (entry.isEmpty()) QTest::qWait(10);
        }
        if (entry.isEmpty()) return {};
        QSignalSpy changed(&station.devices(), &orders::ListDevices::changed);
        station.devices().choose(1, entry.toStdString());
        for (int i = 0; i < 200 && station.devices().choosing(1); ++i) changed.wait(50);
        return station.devices().deviceRoot(1);
    }

    // Copies the whole active list as one batch; the files the job named.
    static std::map<QString, platform::CopyFailure> download(Station& station) {
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

    Scratch s;
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
    auto station = start();
    Device card(FileSystem::Tmpfs, 16);
    if (!card.ok()) GTEST_SKIP() << card.whyNot();
    ASSERT_EQ(::symlink(shop.c_str(), card.at("My Music").c_str()), 0);
    ASSERT_EQ(::symlink(("../../../../../../../../" + shop.substr(1)).c_str(), card.at("Photos").c_str()), 0);
    const std::string root = choose(*station, card.mountPoint());
    ASSERT_FALSE(root.empty()) << "the card was not offered";
    const auto shopBefore = std::vector<std::string>{"3012情歌.mp3"};
    auto shopFiles = [&] {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(shop)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };

    const auto named = download(*station);
    EXPECT_EQ(shopFiles(), shopBefore);
    EXPECT_EQ(testing::readFile(shop + "/3012情歌.mp3"), "the shop's own file");
    EXPECT_EQ(named.at(QStringLiteral("3012情歌.mp3")), platform::CopyFailure::LeadsOffDevice);
    EXPECT_EQ(named.at(QStringLiteral("花.jpg")), platform::CopyFailure::LeadsOffDevice);

    deleteAll(*station);
    EXPECT_EQ(shopFiles(), shopBefore);

    // The file manager and the space line on the linked folder.
    const std::string linked = root + "My Music";
    EXPECT_FALSE(platform::folderExists(linked));
    EXPECT_FALSE(platform::fileExists(linked + "\\3012情歌.mp3"));
    EXPECT_FALSE(platform::deleteFile(linked + "\\3012情歌.mp3"));
    EXPECT_FALSE(platform::renameFile(linked + "\\3012情歌.mp3", root + "taken.mp3"));
    EXPECT_FALSE(platform::createFolders(linked + "\\新建文件夹1"));
    EXPECT_TRUE(platform::listFolder(linked + "\\").empty());
    EXPECT_FALSE(platform::diskSpace(linked));
    EXPECT_TRUE(platform::diskSpace(root));
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
    auto station = start();
    Device card(FileSystem::Tmpfs, 16);
    if (!card.ok()) GTEST_SKIP() << card.whyNot();
    fs::create_directory(card.at("My Music"));
    std::ofstream(card.at("My Music/3012情歌.mp3")) << "the customer's recording";
    ASSERT_FALSE(choose(*station, card.mountPoint()).empty()) << "the card was not offered";

    const auto named = download(*station);
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
        auto station = start(mapC ? "C=/\r\n" : "");
        ASSERT_EQ(station->orderBook().rows().count(), 6);
        EXPECT_EQ(platform::DriveTable::instance().drive('C').has_value(), mapC);
        const auto named = download(*station);
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
