#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "library/files.h"
#include "orders/destinations.h"
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

// A file system mounted over a scratch folder for one test.
class Mounted {
public:
    Mounted(std::string folder, const std::string& mountCommand) : folder_(std::move(folder)) {
        ok_ = ::geteuid() == 0 && std::system((mountCommand + " 2>/dev/null").c_str()) == 0;
    }
    ~Mounted() {
        if (ok_) std::system(("umount '" + folder_ + "'").c_str());
    }
    Mounted(const Mounted&) = delete;
    Mounted& operator=(const Mounted&) = delete;
    bool ok() const { return ok_; }

private:
    std::string folder_;
    bool ok_ = false;
};

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
    ASSERT_TRUE(list.assign(library::Game, "G:\\x"));
    list.reset();
    EXPECT_EQ(list.record(), local);
    EXPECT_EQ(list.lines(), lines);
    EXPECT_EQ(list.shownLine(), 0);
}

TEST(Destinations, DeviceSelectorTexts) {
    EXPECT_EQ(deviceEntry("G:\\"), "可移动磁盘：G:\\");
    EXPECT_EQ(kDevicePlaceholder, "请选择可移动磁盘");

    struct Case {
        const char* text;
        std::optional<std::string> root;
    };
    const Case cases[] = {
        {"可移动磁盘：G:\\", "G:\\"},
        {"可移动磁盘：h:\\", "H:\\"},
        {"可移动磁盘：G:", std::nullopt},  // entries always carry the root's backslash
        {"请选择可移动磁盘", std::nullopt},
        {"", std::nullopt},
        {"可移动磁盘：", std::nullopt},
        {"可移动磁盘", std::nullopt},
        {"可移动磁盘：G:\\Music", std::nullopt},  // not a root
        {"可移动磁盘：\\tmp", std::nullopt},      // no drive: would be a native path
        {"可移动磁盘：..\\x", std::nullopt},
        {"x可移动磁盘：G:\\", std::nullopt},
        {"可移动磁盘:G:\\", std::nullopt},        // ASCII colon is not the label
    };
    for (const auto& c : cases) EXPECT_EQ(deviceRootOf(c.text), c.root) << c.text;
}

TEST(DeviceFolders, EmptyDeviceGetsItsFoldersCreatedThenFoundAgain) {
    Scratch s;
    s.mapDrives({{'G', "card"}});
    DeviceFolders found = discoverDeviceFolders("G:\\");
    const DestinationRecord expected{"G:\\My Music", "G:\\video", "G:\\Photos", "G:\\Games", "G:\\Ebook"};
    EXPECT_EQ(found.root, "G:\\");
    EXPECT_EQ(found.record, expected);
    for (auto o : found.outcome) EXPECT_EQ(o, FolderOutcome::Created);
    EXPECT_FALSE(found.anyFailed());
    const std::vector<std::string> made{"Ebook", "Games", "My Music", "Photos", "video"};
    EXPECT_EQ(namesIn(s.at("card")), made);

    // The next customer's list finds the same folders and makes nothing new.
    DeviceFolders again = discoverDeviceFolders("G:\\");
    EXPECT_EQ(again.record, expected);
    for (auto o : again.outcome) EXPECT_EQ(o, FolderOutcome::Found);
    EXPECT_EQ(namesIn(s.at("card")), made);
}

TEST(DeviceFolders, NamesAreTriedInOrderDirectlyBelowTheRoot) {
    using library::Audio, library::Video, library::Picture, library::Game, library::EBook;
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
        {{"my music"}, {}, Audio, "My Music", C},  // a case-sensitive device: another folder
        {{"视频", "video", "videos"}, {}, Video, "videos", F},
        {{"视频", "video"}, {}, Video, "video", F},
        {{"视频"}, {}, Video, "视频", F},
        {{"Video"}, {}, Video, "video", C},
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
        DeviceFolders found = discoverDeviceFolders("G:\\");
        auto g = static_cast<size_t>(c.group);
        EXPECT_EQ(found.record[g], std::string("G:\\") + c.folder) << c.folders.front();
        EXPECT_EQ(found.outcome[g], c.outcome) << c.folders.front();
    }
}

TEST(DeviceFolders, CaseInsensitiveDeviceFindsFoldersWhateverTheirCase) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to mount a case-folding file system";
    Scratch s;
    std::string image = s.at("card.img");
    std::string mount = s.makeFolder("card");
    if (std::system(("truncate -s 8m '" + image + "' && mkfs.ext4 -q -F -O casefold '" + image +
                     "' >/dev/null 2>&1")
                        .c_str()) != 0)
        GTEST_SKIP() << "mkfs.ext4 cannot make a case-folding file system here";
    Mounted card(mount, "mount -o loop '" + image + "' '" + mount + "'");
    if (!card.ok()) GTEST_SKIP() << "the kernel mounts no case-folding ext4 here";
    s.makeFolder("card/dev");
    if (std::system(("chattr +F '" + s.at("card/dev") + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "cannot make a case-insensitive folder";
    s.makeFolder("card/dev/my music");
    s.makeFolder("card/dev/VIDEOS");
    s.mapDrives({{'G', "card/dev"}});

    DeviceFolders found = discoverDeviceFolders("G:\\");
    EXPECT_EQ(found.record[library::Audio], "G:\\My Music");
    EXPECT_EQ(found.outcome[library::Audio], FolderOutcome::Found);
    EXPECT_EQ(found.record[library::Video], "G:\\videos");
    EXPECT_EQ(found.outcome[library::Video], FolderOutcome::Found);
    EXPECT_EQ(namesIn(s.at("card/dev")),
              (std::vector<std::string>{"Ebook", "Games", "Photos", "VIDEOS", "my music"}));
}

TEST(DeviceFolders, ReadOnlyDeviceIsRecordedAndReportedAsFailed) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to mount a read-only device";
    Scratch s;
    std::string mount = s.makeFolder("card");
    Mounted card(mount, "mount -t tmpfs -o size=1m tmpfs '" + mount + "'");
    if (!card.ok()) GTEST_SKIP() << "cannot mount tmpfs here";
    s.makeFolder("card/mp3");
    ASSERT_EQ(std::system(("mount -o remount,ro '" + mount + "'").c_str()), 0);
    s.mapDrives({{'G', "card"}});

    ListDestinations list;
    auto found = chooseDevice(list, "可移动磁盘：G:\\");
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->anyFailed());
    const DestinationRecord expected{"G:\\mp3", "G:\\video", "G:\\Photos", "G:\\Games", "G:\\Ebook"};
    EXPECT_EQ(list.record(), expected);
    const std::array<FolderOutcome, 5> outcomes{FolderOutcome::Found, FolderOutcome::Failed,
                                                FolderOutcome::Failed, FolderOutcome::Failed,
                                                FolderOutcome::Failed};
    EXPECT_EQ(found->outcome, outcomes);
    EXPECT_EQ(namesIn(mount), std::vector<std::string>{"mp3"});
}

TEST(Destinations, ChoosingADeviceReplacesAllFiveAndShowsTheAudioLine) {
    Scratch s;
    s.mapDrives({{'G', "card"}});
    s.makeFolder("card/mp3");
    s.makeFolder("card/mythroad/NES");

    ListDestinations two;
    two.assign(library::Picture, "D:\\picked");
    auto found = chooseDevice(two, "可移动磁盘：G:\\");
    ASSERT_TRUE(found);
    EXPECT_FALSE(found->anyFailed());
    const std::array<std::string, 5> lines{"音乐：G:\\mp3", "视频：G:\\video", "图片：G:\\Photos",
                                           "游戏：G:\\mythroad\\NES", "电子书：G:\\Ebook"};
    EXPECT_EQ(two.lines(), lines);
    EXPECT_EQ(two.shownLine(), 0);
    EXPECT_EQ(two.shownText(), "音乐：G:\\mp3");

    // The same device for a second list; a hand pick there stays there.
    ListDestinations four;
    ASSERT_TRUE(chooseDevice(four, "可移动磁盘：G:\\"));
    EXPECT_EQ(four.record(), two.record());
    ASSERT_TRUE(four.assign(library::Video, "G:\\DCIM"));
    EXPECT_EQ(four.folder(library::Video), "G:\\DCIM");
    EXPECT_EQ(two.folder(library::Video), "G:\\video");

    // Texts that name no device change nothing and touch no disk.
    Scratch other;
    other.mapDrives({{'G', "card"}});
    ListDestinations three;
    for (const char* text : {"请选择可移动磁盘", "", "G:\\", "可移动磁盘：\\x"}) {
        EXPECT_FALSE(chooseDevice(three, text)) << text;
        EXPECT_EQ(three.record(), defaultDestinationRecord()) << text;
    }
    EXPECT_TRUE(namesIn(other.at("card")).empty());

    // A drive that went away before the choice: recorded, but reported.
    ListDestinations five;
    auto gone = chooseDevice(five, "可移动磁盘：Q:\\");
    ASSERT_TRUE(gone);
    EXPECT_TRUE(gone->anyFailed());
    EXPECT_EQ(five.folder(library::Audio), "Q:\\My Music");
}

TEST(Destinations, PickingAFolderByHand) {
    Scratch s;
    s.mapDrives({{'C', "c"}, {'G', "card"}});
    s.makeFolder("card/DCIM/Camera");
    ListDestinations list, untouched;
    const auto before = list.lines();

    EXPECT_EQ(pickFolder(list, library::Picture, s.at("card/DCIM/Camera")), PickOutcome::Assigned);
    EXPECT_EQ(list.folder(library::Picture), "G:\\DCIM\\Camera");
    EXPECT_EQ(list.shownLine(), library::Picture);
    EXPECT_EQ(list.shownText(), "图片：G:\\DCIM\\Camera");
    for (int g : {0, 1, 3, 4}) EXPECT_EQ(list.lines()[static_cast<size_t>(g)], before[static_cast<size_t>(g)]);
    EXPECT_EQ(untouched.lines(), before);

    struct Case {
        std::optional<int> line;
        std::string native;
        PickOutcome outcome;
        const char* folder;  // of that line afterwards
    };
    const Case cases[] = {
        {library::Audio, s.at("card/DCIM/"), PickOutcome::Assigned, "G:\\DCIM"},
        {library::Video, s.at("card"), PickOutcome::Assigned, "G:\\"},  // a root keeps its backslash
        {library::Video, s.at("card") + "/", PickOutcome::Assigned, "G:\\"},
        {std::nullopt, s.at("card/DCIM"), PickOutcome::NoLineSelected, nullptr},
        {5, s.at("card/DCIM"), PickOutcome::NoLineSelected, nullptr},
        {-1, s.at("card/DCIM"), PickOutcome::NoLineSelected, nullptr},
        {library::Game, "/zorvik-on-no-drive/x", PickOutcome::NotADrivePath, "D:\\歌曲下载"},
        {library::Game, "relative/x", PickOutcome::NotADrivePath, "D:\\歌曲下载"},
        {library::Game, "", PickOutcome::NotADrivePath, "D:\\歌曲下载"},
    };
    for (const auto& c : cases) {
        const auto record = list.record();
        EXPECT_EQ(pickFolder(list, c.line, c.native), c.outcome) << c.native;
        if (c.outcome != PickOutcome::Assigned) {
            EXPECT_EQ(list.record(), record) << c.native;
        }
        if (c.folder) {
            EXPECT_EQ(list.folder(*c.line), c.folder) << c.native;
        }
    }
    EXPECT_EQ(list.lines()[library::Video], "视频：G:\\");
    EXPECT_EQ(pathInFolder(list.folder(library::Video), "a.3gp"), "G:\\a.3gp");
    EXPECT_EQ(pathInFolder(list.folder(library::Audio), "a.mp3"), "G:\\DCIM\\a.mp3");
    EXPECT_FALSE(list.assign(library::Audio, ""));
    EXPECT_EQ(list.folder(library::Audio), "G:\\DCIM");
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

    EXPECT_EQ(destinationFolder(card, library::Picture, "H:\\x"), "G:\\Photos");
    EXPECT_EQ(destinationFolder(card, std::nullopt, "H:\\x"), "H:\\x");
    EXPECT_EQ(destinationFolder(card, 7, "H:\\x"), "H:\\x");
    EXPECT_EQ(destinationFolder(card, std::nullopt, std::nullopt), "D:\\歌曲下载");
    EXPECT_EQ(destinationFolder(card, std::nullopt, ""), "D:\\歌曲下载");
    DestinationRecord holey = card;
    holey[library::Audio].clear();
    EXPECT_EQ(destinationFolder(holey, library::Audio, "H:\\x"), "D:\\歌曲下载");
}

}  // namespace
}  // namespace zorvik::orders
