#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <QSignalSpy>
#include <QTest>

#include "core/mediafiles.h"
#include "orders/destinations.h"
#include "orders/listdevices.h"
#include "platform/drives.h"
#include "player/cueplayer.h"
#include "storage/foldertree.h"
#include "support/devices.h"
#include "support/fixture.h"

namespace zorvik::orders {
namespace {

using testing::Scratch;

// Names directly inside a native folder, sorted.
std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Waits until list n's device folders are found.
bool waitForChoice(ListDevices& devices, int list) {
    QSignalSpy changed(&devices, &ListDevices::changed);
    for (int i = 0; i < 100 && devices.choosing(list); ++i) changed.wait(50);
    return !devices.choosing(list);
}

TEST(Destinations, DefaultRecordAndLinesPointAtTheLocalDownloadFolder) {
    const DestinationRecord local{"D:\\歌曲下载", "D:\\歌曲下载", "D:\\歌曲下载", "D:\\歌曲下载",
                                  "D:\\歌曲下载"};
    const std::array<std::string, 5> lines{"音乐：D:\\歌曲下载", "视频：D:\\歌曲下载",
                                           "图片：D:\\歌曲下载", "游戏：D:\\歌曲下载",
                                           "电子书：D:\\歌曲下载"};
    EXPECT_EQ(defaultDestinationRecord(), local);
    EXPECT_EQ(defaultDestinationLines(), lines);

    ListDestinations list;
    EXPECT_EQ(list.record(), local);
    EXPECT_EQ(list.lines(), lines);
    EXPECT_EQ(list.shownLine(), 0);
    EXPECT_EQ(list.shownText(), "音乐：D:\\歌曲下载");
    for (int g : {-1, 5, 99}) EXPECT_EQ(list.folder(g), "D:\\歌曲下载") << g;

    // A hand pick and a device both go away on reset.
    list.setRecord({"G:\\a", "G:\\b", "G:\\c", "G:\\d", "G:\\e"});
    ASSERT_TRUE(list.assign(core::Game, "G:\\x"));
    list.reset();
    EXPECT_EQ(list.record(), local);
    EXPECT_EQ(list.lines(), lines);
    EXPECT_EQ(list.shownLine(), 0);
}

TEST(DeviceFolders, EmptyDeviceGetsItsFoldersCreatedThenFoundAgain) {
    Scratch s;
    s.mapDrives({{'G', "card"}});
    DeviceFolders found = discoverDeviceFolders(s.drives(), "G:\\");
    const DestinationRecord expected{"G:\\My Music", "G:\\video", "G:\\Photos", "G:\\Games", "G:\\Ebook"};
    EXPECT_EQ(found.root, "G:\\");
    EXPECT_EQ(found.record, expected);
    for (auto o : found.outcome) EXPECT_EQ(o, FolderOutcome::Created);
    EXPECT_FALSE(found.anyFailed());
    const std::vector<std::string> made{"Ebook", "Games", "My Music", "Photos", "video"};
    EXPECT_EQ(namesIn(s.at("card")), made);

    // The next customer's list finds the same folders and makes nothing new.
    DeviceFolders again = discoverDeviceFolders(s.drives(), "G:\\");
    EXPECT_EQ(again.record, expected);
    for (auto o : again.outcome) EXPECT_EQ(o, FolderOutcome::Found);
    EXPECT_EQ(namesIn(s.at("card")), made);
}

TEST(DeviceFolders, NamesAreTriedInOrderDirectlyBelowTheRoot) {
    using core::Audio, core::Video, core::Picture, core::Game, core::EBook;
    const auto F = FolderOutcome::Found, C = FolderOutcome::Created;
    struct Case {
        std::vector<const char*> folders;
        std::vector<const char*> files;
        int group;
        const char* folder;
        FolderOutcome outcome;
    };
    const Case cases[] = {
        {{"mp3", "Audio"}, {}, Audio, "mp3", F},
        {{"Audio", "音乐"}, {}, Audio, "音乐", F},
        {{"音乐", "mp3"}, {}, Audio, "mp3", F},
        {{"Audio", "mp3", "歌曲"}, {}, Audio, "歌曲", F},
        {{"Audio", "歌曲", "My Music"}, {}, Audio, "My Music", F},
        {{"Audio"}, {}, Audio, "Audio", F},
        {{"mp3"}, {"My Music"}, Audio, "mp3", F},  // a file of that name is no folder
        {{"Music", "sub/mp3"}, {}, Audio, "My Music", C},
        {{"my music"}, {}, Audio, "my music", F},  // as the device spells it, whatever its file system
        {{"My Music", "MY MUSIC"}, {}, Audio, "My Music", F},  // the exact spelling first
        {{"视频", "video", "videos"}, {}, Video, "videos", F},
        {{"视频", "video"}, {}, Video, "video", F},
        {{"视频"}, {}, Video, "视频", F},
        {{"Video"}, {}, Video, "Video", F},
        {{"MYTHROAD/Nes"}, {}, Game, "MYTHROAD\\Nes", F},
        {{"Images", "图片"}, {}, Picture, "图片", F},
        {{"Images", "Photos"}, {}, Picture, "Photos", F},
        {{"Images"}, {}, Picture, "Images", F},
        {{"mythroad/NES"}, {}, Game, "mythroad\\NES", F},
        {{"mythroad/NES", "Games"}, {}, Game, "Games", F},
        {{"mythroad", "NES"}, {}, Game, "Games", C},
        {{"Ebook"}, {}, EBook, "Ebook", F},
        {{"电子书", "ebooks"}, {}, EBook, "Ebook", C},
    };
    for (const auto& c : cases) {
        Scratch s;
        for (const char* f : c.folders) s.makeFolder(std::string("card/") + f);
        for (const char* f : c.files) s.write(std::string("card/") + f, "x");
        s.mapDrives({{'G', "card"}});
        DeviceFolders found = discoverDeviceFolders(s.drives(), "G:\\");
        auto g = static_cast<size_t>(c.group);
        EXPECT_EQ(found.record[g], std::string("G:\\") + c.folder) << c.folders.front();
        EXPECT_EQ(found.outcome[g], c.outcome) << c.folders.front();
    }
}

TEST(DeviceFolders, OnAReadOnlyDeviceOrAGoneDriveTheyAreRecordedAndMarkedFailed) {
    testing::Scratch s;
    testing::Device card(testing::FileSystem::Tmpfs, 1);
    if (!card.ok()) GTEST_SKIP() << card.whyNot();
    std::filesystem::create_directory(card.at("mp3"));
    ASSERT_EQ(std::system(("mount -o remount,ro '" + card.mountPoint() + "'").c_str()), 0);
    s.drives().setFixed({{'G', card.mountPoint()}});

    DeviceFolders found = discoverDeviceFolders(s.drives(), "G:\\");
    EXPECT_TRUE(found.anyFailed());
    const DestinationRecord expected{"G:\\mp3", "G:\\video", "G:\\Photos", "G:\\Games", "G:\\Ebook"};
    EXPECT_EQ(found.record, expected);
    const std::array<FolderOutcome, 5> outcomes{FolderOutcome::Found, FolderOutcome::Failed,
                                                FolderOutcome::Failed, FolderOutcome::Failed,
                                                FolderOutcome::Failed};
    EXPECT_EQ(found.outcome, outcomes);
    EXPECT_EQ(namesIn(card.mountPoint()), std::vector<std::string>{"mp3"});
    EXPECT_TRUE(discoverDeviceFolders(s.drives(), "Q:\\").anyFailed());  // gone before the choice
}

TEST(ListDevices, ChoosingADeviceReplacesAllFiveOffTheGuiThreadAndShowsTheAudioLine) {
    Scratch s;
    s.mapDrives({{'G', "card"}});
    s.makeFolder("card/mp3");
    s.makeFolder("card/mythroad/NES");
    // What a crash left: only the station's own temporary files go.
    s.write("card/mp3/.zorvik-0123abcd.part", "stale");
    s.write("card/mp3/.zorvik-0123abcd.part.keep", "not ours");
    s.write("card/mp3/歌.mp3", "song");
    player::CuePlayer cues(QString::fromStdString(s.at("cues/")));
    ListDevices devices(s.jobs(), s.drives(), cues);
    QSignalSpy records(&devices, &ListDevices::recordChanged);
    QSignalSpy started(&devices, &ListDevices::choosingStarted);

    ASSERT_TRUE(devices.destinations(2).record() == defaultDestinationRecord());
    devices.choose(2, "可移动磁盘：G:\\");
    EXPECT_EQ(devices.deviceRoot(2), "G:\\");  // at once: the space line can follow it
    EXPECT_TRUE(devices.choosing(2));
    ASSERT_EQ(started.size(), 1);
    ASSERT_TRUE(waitForChoice(devices, 2));
    const std::array<std::string, 5> lines{"音乐：G:\\mp3", "视频：G:\\video", "图片：G:\\Photos",
                                           "游戏：G:\\mythroad\\NES", "电子书：G:\\Ebook"};
    EXPECT_EQ(devices.destinations(2).lines(), lines);
    EXPECT_EQ(devices.destinations(2).shownText(), "音乐：G:\\mp3");
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0][0].toInt(), 2);
    EXPECT_EQ(cues.pending(), core::Cues::Select);
    EXPECT_EQ(namesIn(s.at("card/mp3")), (std::vector<std::string>{".zorvik-0123abcd.part.keep", "歌.mp3"}));

    // The same device for a second list; a hand pick there stays there.
    devices.choose(4, "可移动磁盘：G:\\");
    ASSERT_TRUE(waitForChoice(devices, 4));
    EXPECT_EQ(devices.destinations(4).record(), devices.destinations(2).record());
    EXPECT_EQ(devices.pick(4, core::Video, "G:\\DCIM"), PickOutcome::Assigned);
    EXPECT_EQ(devices.destinations(4).folder(core::Video), "G:\\DCIM");
    EXPECT_EQ(devices.destinations(2).folder(core::Video), "G:\\video");

    // Texts that name no device change nothing.
    for (const char* text : {"请选择可移动磁盘", "", "G:\\", "可移动磁盘：\\x"}) {
        devices.choose(3, text);
        EXPECT_FALSE(devices.choosing(3)) << text;
        EXPECT_TRUE(devices.deviceRoot(3).empty()) << text;
    }

    // The device goes while its folders are still being found: the list
    // falls back at once and the late answer is dropped.
    devices.choose(5, "可移动磁盘：G:\\");
    devices.deviceRemoved("G:\\");
    EXPECT_FALSE(devices.choosing(5));
    EXPECT_EQ(devices.destinations(5).record(), defaultDestinationRecord());
    EXPECT_EQ(devices.destinations(2).record(), defaultDestinationRecord());
    EXPECT_TRUE(devices.deviceRoot(2).empty());
    // The answer is posted before the job that found it ends.
    ASSERT_TRUE(devices.waitUntil(std::chrono::steady_clock::now() + std::chrono::seconds(2)));
    QCoreApplication::processEvents();
    EXPECT_EQ(devices.destinations(5).record(), defaultDestinationRecord());
}

TEST(ListDevices, PickingAFolderByHand) {
    Scratch s;
    player::CuePlayer cues(QString::fromStdString(s.at("cues/")));
    ListDevices devices(s.jobs(), s.drives(), cues);
    const auto before = devices.destinations(1).lines();

    EXPECT_EQ(devices.pick(1, core::Picture, "G:\\DCIM\\Camera"), PickOutcome::Assigned);
    const auto& list = devices.destinations(1);
    EXPECT_EQ(list.folder(core::Picture), "G:\\DCIM\\Camera");
    EXPECT_EQ(list.shownLine(), core::Picture);
    EXPECT_EQ(list.shownText(), "图片：G:\\DCIM\\Camera");
    for (int g : {0, 1, 3, 4}) EXPECT_EQ(list.lines()[static_cast<size_t>(g)], before[static_cast<size_t>(g)]);
    EXPECT_EQ(devices.destinations(2).lines(), before);

    struct Case {
        std::optional<int> line;
        std::string path;
        PickOutcome outcome;
    };
    const Case cases[] = {
        {core::Video, "G:\\", PickOutcome::Assigned},  // a root keeps its backslash
        {std::nullopt, "G:\\DCIM", PickOutcome::NoLineSelected},
        {5, "G:\\DCIM", PickOutcome::NoLineSelected},
        {-1, "G:\\DCIM", PickOutcome::NoLineSelected},
        {core::Game, "/tmp/x", PickOutcome::NotADrivePath},
        {core::Game, "", PickOutcome::NotADrivePath},
        {core::Game, "GH:\\x", PickOutcome::NotADrivePath},
    };
    for (const auto& c : cases) {
        const auto record = list.record();
        EXPECT_EQ(devices.pick(1, c.line, c.path), c.outcome) << c.path;
        if (c.outcome != PickOutcome::Assigned) {
            EXPECT_EQ(list.record(), record) << c.path;
        }
    }
    EXPECT_EQ(list.lines()[core::Video], "视频：G:\\");
    EXPECT_EQ(pathInFolder(list.folder(core::Video), "a.3gp"), "G:\\a.3gp");
}

TEST(ListDevices, TheFolderPickerReadsFoldersOffTheGuiThread) {
    Scratch s;
    s.mapDrives({{'G', "card"}});
    s.makeFolder("card/My Music/老歌");
    s.makeFolder("card/Photos");
    s.makeFolder("card/.hidden");
    s.write("card/a.mp3", "not a folder");
    storage::FolderTreeModel tree{s.jobs(), s.drives()};
    QSignalSpy rows(&tree, &QAbstractItemModel::rowsInserted);
    tree.setRoot(QStringLiteral("G:\\"));
    ASSERT_EQ(tree.rowCount(), 1);  // the device's root, open from the start
    const QModelIndex root = tree.index(0, 0);
    if (tree.rowCount(root) == 0) {
        ASSERT_TRUE(rows.wait(2000));
    }
    ASSERT_EQ(tree.rowCount(root), 2);
    EXPECT_EQ(tree.folderOf(tree.index(0, 0, root)), QStringLiteral("G:\\My Music"));
    EXPECT_EQ(tree.data(tree.index(1, 0, root), Qt::DisplayRole).toString(), QStringLiteral("Photos"));
    const QModelIndex music = tree.index(0, 0, root);
    EXPECT_TRUE(tree.hasChildren(music));  // unknown until read
    ASSERT_TRUE(tree.canFetchMore(music));
    tree.fetchMore(music);
    ASSERT_TRUE(rows.wait(2000));
    ASSERT_EQ(tree.rowCount(music), 1);
    EXPECT_EQ(tree.folderOf(tree.index(0, 0, music)), QStringLiteral("G:\\My Music\\老歌"));

    // A new folder shows after the next refresh; an unchanged one changes no rows.
    QSignalSpy removed(&tree, &QAbstractItemModel::rowsRemoved);
    QSignalSpy read(&tree, &storage::FolderTreeModel::folderRead);
    tree.refresh();
    while (tree.busy()) ASSERT_TRUE(read.wait(2000));
    EXPECT_EQ(removed.size(), 0);
    s.makeFolder("card/Ebook");
    tree.refresh();
    ASSERT_TRUE(rows.wait(2000));
    EXPECT_EQ(tree.rowCount(root), 3);

    // The picker follows the chosen device, and the local download folder once it went away.
    player::CuePlayer cues(QString::fromStdString(s.at("cues/")));
    ListDevices devices(s.jobs(), s.drives(), cues);
    devices.choose(1, "可移动磁盘：G:\\");
    EXPECT_EQ(devices.folderPicker().root(), QStringLiteral("G:\\"));
    devices.deviceRemoved("G:\\");
    EXPECT_EQ(devices.folderPicker().root(), QStringLiteral("D:\\歌曲下载"));
    // Without a root: the computer, its drives.
    tree.setRoot({});
    ASSERT_GT(tree.rowCount(), 0);
    std::vector<QString> drives;
    for (int r = 0; r < tree.rowCount(); ++r) drives.push_back(tree.folderOf(tree.index(r, 0)));
    EXPECT_NE(std::find(drives.begin(), drives.end(), QStringLiteral("G:\\")), drives.end());
    s.jobs().stopAll();
    ASSERT_TRUE(devices.waitUntil(std::chrono::steady_clock::now() + std::chrono::seconds(5)));
}

TEST(Destinations, FolderToOpenFollowsTheFirstFullWidthColon) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"音乐：D:\\歌曲下载", "D:\\歌曲下载"},
        {"电子书：G:\\Ebook", "G:\\Ebook"},
        {"视频：G:\\a：b", "G:\\a：b"},
        {"G:\\typed", "G:\\typed"},
        {"音乐：", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, folder] : cases) EXPECT_EQ(folderToOpen(text), folder) << text;
}

TEST(Destinations, FileInNoMediaGroupFollowsThePreviousFileOfTheJob) {
    const DestinationRecord card{"G:\\mp3", "G:\\video", "G:\\Photos", "G:\\Games", "G:\\Ebook"};
    const DestinationRecord stick{"H:\\My Music", "H:\\video", "H:\\Photos", "H:\\Games", "H:\\Ebook"};
    struct Step {
        const DestinationRecord* record;
        const char* file;
        const char* folder;
    };
    const Step job[] = {
        {&card, "E:\\Brask搜歌库\\12-其它\\readme.doc", "D:\\歌曲下载"},  // none before it
        {&card, "E:\\x\\a.lrc", "D:\\歌曲下载"},
        {&card, "E:\\x\\a.MP3", "G:\\mp3"},
        {&card, "E:\\x\\b.doc", "G:\\mp3"},
        {&card, "E:\\x.dir\\noextension", "G:\\mp3"},
        {&card, "E:\\x\\c.jpg", "G:\\Photos"},
        {&card, "E:\\x\\c.lrc", "G:\\Photos"},
        {&card, "E:\\x\\d.3gp", "G:\\video"},
        {&card, "E:\\x\\e.jar", "G:\\Games"},
        {&card, "E:\\x\\f.txt", "G:\\Ebook"},
        {&card, "E:\\x\\g.zip", "G:\\Ebook"},
        // Another device chosen mid-job: grouped files follow it at once.
        {&stick, "E:\\x\\h.zip", "G:\\Ebook"},
        {&stick, "E:\\x\\i.wma", "H:\\My Music"},
        {&stick, "E:\\x\\j.zip", "H:\\My Music"},
    };
    FolderChooser chooser;
    for (const auto& step : job) EXPECT_EQ(chooser.folderFor(*step.record, step.file), step.folder) << step.file;

    // Each job starts afresh.
    FolderChooser next;
    EXPECT_EQ(next.folderFor(stick, "E:\\x\\k.doc"), "D:\\歌曲下载");

    EXPECT_EQ(destinationFolder(card, core::Picture, "H:\\x"), "G:\\Photos");
    EXPECT_EQ(destinationFolder(card, std::nullopt, "H:\\x"), "H:\\x");
    EXPECT_EQ(destinationFolder(card, 7, "H:\\x"), "H:\\x");
    EXPECT_EQ(destinationFolder(card, std::nullopt, std::nullopt), "D:\\歌曲下载");
    EXPECT_EQ(destinationFolder(card, std::nullopt, ""), "D:\\歌曲下载");
    DestinationRecord holey = card;
    holey[core::Audio].clear();
    EXPECT_EQ(destinationFolder(holey, core::Audio, "H:\\x"), "D:\\歌曲下载");
}

}  // namespace
}  // namespace zorvik::orders
