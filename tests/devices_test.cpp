#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "core/mediafiles.h"
#include "orders/copylane.h"
#include "orders/localcopy.h"
#include "platform/drives.h"
#include "player/cueplayer.h"
#include "support/devices.h"
#include "support/fixture.h"

// The copy engine on the file systems of the cards and sticks customers
// bring, each a real file system image mounted through FUSE.
namespace zorvik::orders {
namespace {

using testing::Device;
using testing::FileSystem;
namespace fs = std::filesystem;

class OnACard : public ::testing::TestWithParam<FileSystem> {
protected:

    // E: the library in a scratch folder, G: the card.
    void mapDrives(const Device& card, const std::string& localDrive = {}) {
        std::vector<std::pair<char, std::string>> drives{{'E', s.makeFolder("e")}, {'G', card.mountPoint()}};
        if (!localDrive.empty()) drives.emplace_back('D', localDrive);
        s.drives().setFixed(drives);
    }
    // Runs everything queued on a lane to its end; the failures it named.
    static CopyFailures runToEnd(CopyLane& lane) {
        QSignalSpy failures(&lane, &CopyLane::filesNotCopied);
        // The job posts all it has to say before it ends.
        EXPECT_TRUE(lane.waitUntil(std::chrono::steady_clock::now() + std::chrono::seconds(60)));
        QCoreApplication::processEvents();
        EXPECT_FALSE(lane.running());
        CopyFailures all;
        for (const auto& f : failures) all += f[0].value<CopyFailures>();
        return all;
    }
    static std::string describe(const CopyFailures& failures) {
        std::string text;
        for (const auto& f : failures) text += f.name.toStdString() + " (" + std::to_string(f.error) + ") ";
        return text;
    }

    testing::Scratch s;
    player::CuePlayer cues{QString::fromStdString(s.at("cues/"))};
};

// fusefat, the only FAT32 driver this machine has, takes no name outside
// ASCII (a kernel vfat takes them all): its cards get the files' ASCII names.
std::string named(FileSystem fs, const char* chinese, const char* ascii) {
    return fs == FileSystem::Fat32 ? ascii : chinese;
}

// Whole files are compared by size and bytes, without printing megabytes.
::testing::AssertionResult holds(const std::string& path, const std::string& bytes) {
    if (!fs::exists(path)) return ::testing::AssertionFailure() << path << " is missing";
    const std::string found = testing::readFile(path);
    if (found.size() != bytes.size())
        return ::testing::AssertionFailure() << path << " has " << found.size() << " bytes, not " << bytes.size();
    if (found != bytes) return ::testing::AssertionFailure() << path << " differs";
    return ::testing::AssertionSuccess();
}

TEST_P(OnACard, BatchImmediateLyricsAndLocalCopiesLandByteForByte) {
    const FileSystem fsType = GetParam();
    Device card(fsType, fsType == FileSystem::Fat32 ? 40 : 64);
    if (!card.ok()) GTEST_SKIP() << card.whyNot();
    mapDrives(card, card.at("local"));
    auto n = [fsType](const char* chinese, const char* ascii) { return named(fsType, chinese, ascii); };
    const std::string song = testing::patterned(300000, 1), prefixed = testing::patterned(407552 + 250000, 2),
                      film = testing::patterned(1500000, 3), now = testing::patterned(70000, 4);
    // As long as a card's names go: 255 bytes. (fusefat cannot grow a folder
    // past its first cluster, which the long name's entries need: its card
    // gets a short one.)
    std::string longName = "short-on-fusefat.mp3";
    if (fsType != FileSystem::Fat32) {
        for (longName.clear(); longName.size() < 249;) longName += "歌";
        longName += "ab.mp3";
        ASSERT_EQ(longName.size(), 255u);
    }
    const std::string songName = n("歌", "song"), oldName = n("老歌", "old"), filmName = n("片", "film"),
                      keptName = n("留", "kept"), nowName = n("即", "now");
    s.write("e/" + songName + ".mp3", song);
    s.write("e/" + songName + ".lrc", "[00:01.00]new");
    s.write("e/" + oldName + "bk2009.mp3", prefixed);
    s.write("e/" + oldName + ".lrc", "[00:02.00]old");
    s.write("e/" + filmName + ".mp4", film);
    s.write("e/" + keptName + ".mp3", "library");
    s.write("e/" + longName, song);
    s.write("e/" + nowName + ".mp3", now);
    auto found = discoverDeviceFolders(s.drives(), "G:\\");
    ASSERT_FALSE(found.anyFailed());
    { std::ofstream(card.at("My Music/" + keptName + ".mp3")) << "already on the card"; }
    { std::ofstream(card.at("My Music/" + songName + ".lrc")) << "old lyrics"; }

    CopyLane lane(s.jobs(), s.drives(), 1, cues);
    lane.setFolders(found.record);
    lane.setLyrics(true);
    lane.startBatch({"E:\\" + songName + ".mp3", "E:\\" + oldName + "bk2009.mp3", "E:\\" + filmName + ".mp4",
                     "E:\\" + keptName + ".mp3", "E:\\" + longName});
    lane.queueImmediate("E:\\" + nowName + ".mp3");
    const auto failures = runToEnd(lane);
    ASSERT_EQ(failures.size(), 1) << describe(failures);  // the song the card had is named, and left
    EXPECT_EQ(failures[0].name.toStdString(), keptName + ".mp3");
    EXPECT_EQ(failures[0].reason, platform::CopyFailure::AlreadyThere);
    EXPECT_TRUE(holds(card.at("My Music/" + songName + ".mp3"), song));
    EXPECT_TRUE(holds(card.at("My Music/" + songName + ".lrc"), "[00:01.00]new"));  // lyrics are replaced
    EXPECT_TRUE(holds(card.at("My Music/" + oldName + ".mp3"), prefixed.substr(407552)));
    EXPECT_TRUE(holds(card.at("My Music/" + oldName + ".lrc"), "[00:02.00]old"));
    EXPECT_TRUE(holds(card.at("video/" + filmName + ".mp4"), film));
    EXPECT_TRUE(holds(card.at("My Music/" + keptName + ".mp3"), "already on the card"));
    EXPECT_TRUE(holds(card.at("My Music/" + longName), song));
    EXPECT_TRUE(holds(card.at("My Music/" + nowName + ".mp3"), now));

    EXPECT_TRUE(testing::stationTemporariesBelow(card.mountPoint()).empty());
    // "复制到本地磁盘" with D: on the card: replaced, and plain. (fusefat
    // cannot make the folder "歌曲下载".)
    if (fsType == FileSystem::Fat32) return;
    fs::create_directories(card.at("local/歌曲下载"));
    { std::ofstream(card.at("local/歌曲下载/" + filmName + ".mp4")) << "old film"; }
    LocalCopy local(s.jobs(), s.drives(), cues);
    QSignalSpy done(&local, &LocalCopy::finished);
    QSignalSpy failed(&local, &LocalCopy::filesNotCopied);
    local.start({"E:\\" + oldName + "bk2009.mp3", "E:\\" + filmName + ".mp4"});
    ASSERT_TRUE(done.wait(20000));
    EXPECT_TRUE(failed.isEmpty());
    EXPECT_TRUE(holds(card.at("local/歌曲下载/" + oldName + ".mp3"), prefixed.substr(407552)));
    EXPECT_TRUE(holds(card.at("local/歌曲下载/" + filmName + ".mp4"), film));
    EXPECT_TRUE(testing::stationTemporariesBelow(card.mountPoint()).empty());
}

TEST_P(OnACard, AFullCardNamesTheFileKeepsNothingOfItAndTakesTheNext) {
    const FileSystem fsType = GetParam();
    const bool fat = fsType == FileSystem::Fat32;
    Device card(fsType, fat ? 34 : 8, fat ? 28 : 0);
    if (!card.ok()) GTEST_SKIP() << card.whyNot();
    mapDrives(card);
    const std::string big = named(fsType, "大片", "big") + ".mp4", small = named(fsType, "小片", "small") + ".mp4";
    {
        std::ofstream file(s.at("e/" + big), std::ios::binary);
        file.seekp(std::streamoff{12} << 20);
        file.put('x');
    }
    s.write("e/" + small, "small");
    auto found = discoverDeviceFolders(s.drives(), "G:\\");
    CopyLane lane(s.jobs(), s.drives(), 2, cues);
    lane.setFolders(found.record);
    lane.startBatch({"E:\\" + big, "E:\\" + small});
    const auto failures = runToEnd(lane);
    ASSERT_EQ(failures.size(), 1) << describe(failures);
    EXPECT_EQ(failures[0].name, QString::fromStdString(big));
    // fusefat answers a full card with EPERM, which says nothing of space.
    if (fsType != FileSystem::Fat32) {
        EXPECT_EQ(failures[0].reason, platform::CopyFailure::DeviceFull) << failures[0].error;
    }
    EXPECT_FALSE(fs::exists(card.at("video/" + big)));
    EXPECT_TRUE(holds(card.at("video/" + small), "small"));
    EXPECT_TRUE(testing::stationTemporariesBelow(card.mountPoint()).empty());
    EXPECT_TRUE(lane.doneShown());
}

INSTANTIATE_TEST_SUITE_P(CopyMatrix, OnACard, ::testing::Values(FileSystem::ExFat, FileSystem::Ntfs, FileSystem::Fat32),
                         [](const auto& info) { return std::string(testing::nameOf(info.param)); });

// A device's folders are its own whatever their case, on every file system:
// FAT and exFAT ignore case, but ntfs-3g and tmpfs do not.
class DeviceFolderCase : public OnACard {};

TEST_P(DeviceFolderCase, FindsTheDevicesFoldersWhateverTheirCase) {
    Device card(GetParam(), GetParam() == FileSystem::Fat32 ? 34 : 8);
    if (!card.ok()) GTEST_SKIP() << card.whyNot();
    mapDrives(card);
    for (const char* folder : {"MY MUSIC", "VIDEOS", "photos", "EBOOK", "MYTHROAD/nes"})
        fs::create_directories(card.at(folder));
    auto found = discoverDeviceFolders(s.drives(), "G:\\");
    const DestinationRecord expected{"G:\\MY MUSIC", "G:\\VIDEOS", "G:\\photos", "G:\\MYTHROAD\\nes",
                                     "G:\\EBOOK"};
    EXPECT_EQ(found.record, expected);
    for (auto outcome : found.outcome) EXPECT_EQ(outcome, FolderOutcome::Found);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(card.mountPoint())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"EBOOK", "MY MUSIC", "MYTHROAD", "VIDEOS", "photos"}));

    // A song lands in the folder the card already had.
    s.write("e/song.mp3", "song");
    CopyLane lane(s.jobs(), s.drives(), 3, cues);
    lane.setFolders(found.record);
    lane.startBatch({"E:\\song.mp3"});
    EXPECT_TRUE(runToEnd(lane).isEmpty());
    EXPECT_TRUE(holds(card.at("MY MUSIC/song.mp3"), "song"));
}

INSTANTIATE_TEST_SUITE_P(Cards, DeviceFolderCase,
                         ::testing::Values(FileSystem::ExFat, FileSystem::Fat32, FileSystem::Ntfs, FileSystem::Tmpfs),
                         [](const auto& info) { return std::string(testing::nameOf(info.param)); });

TEST(Fat32Card, AFileOf4GiBOrMoreIsNamedAsTooLargeAtOnce) {
    Device card(FileSystem::Fat32, 40);
    if (!card.ok()) GTEST_SKIP() << card.whyNot();
    testing::Scratch s;
    s.drives().setFixed({{'E', s.makeFolder("e")}, {'G', card.mountPoint()}});
    {
        std::ofstream huge(s.at("e/concert.mp4"), std::ios::binary);
        huge.seekp(std::streamoff{4} << 30);  // 4 GiB + 1 byte, sparse
        huge.put('x');
    }
    ASSERT_EQ(fs::file_size(s.at("e/concert.mp4")), (std::uintmax_t{4} << 30) + 1);
    s.write("e/song.mp3", "song");
    player::CuePlayer cues(QString::fromStdString(s.at("cues/")));
    CopyLane lane(s.jobs(), s.drives(), 4, cues);
    lane.setFolders(discoverDeviceFolders(s.drives(), "G:\\").record);
    QSignalSpy failures(&lane, &CopyLane::filesNotCopied);
    QSignalSpy finished(&lane, &CopyLane::batchFinished);
    lane.startBatch({"E:\\concert.mp4", "E:\\song.mp3"});
    ASSERT_TRUE(finished.wait(10000));  // told before the card takes a byte of it
    ASSERT_EQ(failures.size(), 1);
    const auto reported = failures[0][0].value<CopyFailures>();
    ASSERT_EQ(reported.size(), 1);
    EXPECT_EQ(reported[0].name, QStringLiteral("concert.mp4"));
    EXPECT_EQ(reported[0].reason, platform::CopyFailure::TooLargeForDevice);
    EXPECT_TRUE(holds(card.at("My Music/song.mp3"), "song"));
    EXPECT_FALSE(fs::exists(card.at("video/concert.mp4")));
    EXPECT_TRUE(testing::stationTemporariesBelow(card.mountPoint()).empty());
}

}  // namespace
}  // namespace zorvik::orders
