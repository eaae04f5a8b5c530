#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <locale.h>
#include <filesystem>

#include "platform/drives.h"
#include "platform/errortext.h"
#include "platform/fileops.h"
#include "platform/instanceguard.h"
#include "platform/mounttable.h"
#include "platform/names.h"
#include "platform/textcodec.h"
#include "platform/wildcard.h"
#include "support/devices.h"
#include "support/fixture.h"

namespace zorvik::platform {
namespace {

using testing::Scratch;
namespace fs = std::filesystem;

TEST(DriveTable, MapsLettersBothWaysAndUnknownLettersNameNothing) {
    DriveTable table;
    table.setFixed({{'E', "/srv/library"}, {'x', "/mnt/x/"}});
    EXPECT_EQ(table.toNative("E:\\Brask搜歌库\\1-音乐\\a.mp3"), "/srv/library/Brask搜歌库/1-音乐/a.mp3");
    EXPECT_EQ(table.toNative("e:\\"), "/srv/library/");
    EXPECT_EQ(table.toNative("E:"), "/srv/library/");
    EXPECT_EQ(table.toNative("X:\\y"), "/mnt/x/y");
    EXPECT_EQ(table.toNative("C:\\etc\\hosts"), std::nullopt);  // C names nothing unless mapped
    EXPECT_EQ(table.toNative("D:\\"), std::string(std::getenv("HOME")) + "/");
    EXPECT_EQ(table.toNative("F:\\a"), std::nullopt);
    EXPECT_EQ(table.toNative(":\\Brask搜歌库\\"), std::nullopt);  // an empty drive box
    EXPECT_EQ(table.toNative(" :\\Brask搜歌库\\"), std::nullopt);  // a blank one
    EXPECT_EQ(table.toNative("GH:\\Brask搜歌库\\"), std::nullopt);  // two letters typed
    EXPECT_EQ(table.toNative("/native/a\\b"), "/native/a/b");

    EXPECT_EQ(table.toDrivePath("/srv/library/Brask搜歌库/x.mp3"), "E:\\Brask搜歌库\\x.mp3");
    EXPECT_EQ(table.toDrivePath("/srv/library"), "E:\\");
    EXPECT_EQ(table.toDrivePath("/srv/libraryX/y"), std::nullopt);  // not inside E, and no C
    table.setFixed({{'E', "/srv/library"}, {'C', "/"}});
    EXPECT_EQ(table.toNative("C:\\etc\\hosts"), "/etc/hosts");
    EXPECT_EQ(table.toDrivePath("/srv/libraryX/y"), "C:\\srv\\libraryX\\y");
    EXPECT_EQ(table.type('E'), DriveType::Fixed);
    EXPECT_EQ(table.type('F'), DriveType::None);
}

// A list line, a setting or a typed name holding ".." never leads out of its
// drive: it names nothing, as a missing drive does.
TEST(DriveTable, AParentComponentNeverResolves) {
    DriveTable table;
    table.setFixed({{'E', "/srv/library"}});
    for (const char* path : {"E:\\Brask搜歌库\\..\\..\\..\\..\\etc\\passwd", "E:\\a\\..\\b", "E:\\..",
                             "E:..\\x", "E:/../x", "E:\\a/..", "C:\\..\\etc", "..\\x", "/tmp/../etc/passwd"})
        EXPECT_EQ(table.toNative(path), std::nullopt) << path;
    for (const char* path : {"E:\\a..b\\...\\..c", "E:\\.\\x", "E:\\..歌"})
        EXPECT_NE(table.toNative(path), std::nullopt) << path;
    // A folder picked by hand cannot smuggle one in either.
    EXPECT_EQ(table.toDrivePath("/srv/library/../../etc"), std::nullopt);
    EXPECT_EQ(table.toDrivePath("/srv/library/a..b"), "E:\\a..b");
}

TEST(DriveTable, RemovableDrivesTakeLettersFromGAndKeepThem) {
    DriveTable table;
    table.setFixed({{'G', "/fixed/g"}});
    auto first = table.setRemovableMounts({"/media/u/A", "/media/u/B"});
    ASSERT_EQ(first.arrived.size(), 2u);
    EXPECT_EQ(first.arrived[0].letter, 'H');  // G is a fixed drive
    EXPECT_EQ(first.arrived[1].letter, 'I');
    EXPECT_EQ(table.type('H'), DriveType::Removable);

    auto second = table.setRemovableMounts({"/media/u/B", "/media/u/C"});
    ASSERT_EQ(second.removed.size(), 1u);
    EXPECT_EQ(second.removed[0].root, "/media/u/A");
    ASSERT_EQ(second.arrived.size(), 1u);
    EXPECT_EQ(second.arrived[0].letter, 'H');  // freed letter reused
    EXPECT_EQ(table.drive('I')->root, "/media/u/B");  // B kept its letter
    EXPECT_EQ(table.toDrivePath("/media/u/C/Music/x.mp3"), "H:\\Music\\x.mp3");

    table.setRemovableMounts({});
    EXPECT_EQ(table.type('H'), DriveType::None);
}

TEST(DriveTable, ACardThatComesBackGetsItsLetterAgain) {
    DriveTable table;
    table.setRemovableMounts({});
    // Two cards in, in mount order; both out; the second one back first.
    auto in = table.setRemovableMounts({{"/media/u/CARD1", "UUID=1111-AAAA"}, {"/media/u/CARD2", "UUID=2222-BBBB"}});
    ASSERT_EQ(in.arrived.size(), 2u);
    EXPECT_EQ(in.arrived[0].letter, 'G');
    EXPECT_EQ(in.arrived[1].letter, 'H');
    table.setRemovableMounts({});
    auto back = table.setRemovableMounts({{"/media/u/CARD2", "UUID=2222-BBBB"}});
    ASSERT_EQ(back.arrived.size(), 1u);
    EXPECT_EQ(back.arrived[0].letter, 'H');
    // A card never seen takes the first free letter, even one another card had.
    auto stranger = table.setRemovableMounts({{"/media/u/CARD2", "UUID=2222-BBBB"}, {"/media/u/X", "LABEL=X"}});
    ASSERT_EQ(stranger.arrived.size(), 1u);
    EXPECT_EQ(stranger.arrived[0].letter, 'G');
    // The first card, now mounted elsewhere, finds its letter taken and takes the next free one.
    auto first = table.setRemovableMounts(
        {{"/media/u/CARD2", "UUID=2222-BBBB"}, {"/media/u/X", "LABEL=X"}, {"/media/u/CARD11", "UUID=1111-AAAA"}});
    ASSERT_EQ(first.arrived.size(), 1u);
    EXPECT_EQ(first.arrived[0].letter, 'I');
    // Another card put in at the same place in one change is another drive.
    auto swapped = table.setRemovableMounts(
        {{"/media/u/CARD2", "UUID=3333-CCCC"}, {"/media/u/X", "LABEL=X"}, {"/media/u/CARD11", "UUID=1111-AAAA"}});
    ASSERT_EQ(swapped.removed.size(), 1u);
    EXPECT_EQ(swapped.removed[0].letter, 'H');
    ASSERT_EQ(swapped.arrived.size(), 1u);
    EXPECT_EQ(swapped.arrived[0].root, "/media/u/CARD2");
    table.setRemovableMounts({});
}

// A mount table as the kernel writes it, with the udev links that name its
// devices; the devices themselves need not exist.
class MountTableFixture : public ::testing::Test {
protected:
    void SetUp() override {
        s.write("mountinfo",
                "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
                "21 27 0:20 / /proc rw - proc proc rw\n"
                "28 27 254:1 / /boot rw - ext4 /dev/vda1 rw\n"
                "29 27 254:2 / /home rw - ext4 /dev/vda2 rw\n"
                "30 27 0:31 / /run/user/1000 rw - tmpfs tmpfs rw\n"
                "31 27 0:9901 / /mnt/media\\040disk rw - ext4 /dev/zz1 rw\n"
                "32 27 0:9902 /@library /srv/library rw - btrfs /dev/zz2 rw\n"
                "33 27 0:9901 /sub /mnt/bind rw - ext4 /dev/zz1 rw\n"
                "34 27 0:9903 / /media/shop/歌 rw,nosuid shared:5 - vfat /dev/zz3 rw\n"
                "35 27 0:9904 / /media/shop/NO\\040NAME rw - exfat /dev/zz4 rw\n"
                "36 27 0:9905 / /media/shop/plain rw - tmpfs tmpfs rw\n"
                "37 27 0:9906 / /mnt/nas rw - nfs4 nas:/share rw\n");
        s.makeFolder("links/by-uuid");
        s.makeFolder("links/by-label");
        fs::create_symlink("/dev/zz3", s.at("links/by-uuid/0A1B-2C3D"));
        fs::create_symlink("/dev/zz3", s.at("links/by-label/歌"));
        fs::create_symlink("/dev/zz4", s.at("links/by-label") + "/NO\\x20NAME");
        fs::create_symlink("/dev/zz1", s.at("links/by-uuid/ffff-ext4"));
        table = readMountTable(s.at("mountinfo"));
    }
    Scratch s;
    std::vector<MountEntry> table;
};

TEST_F(MountTableFixture, CardsAreKnownByUuidThenLabelThenMountPoint) {
    ASSERT_EQ(table.size(), 12u);
    EXPECT_EQ(table[5].point, "/mnt/media disk");
    EXPECT_EQ(table[5].source, "/dev/zz1");
    auto cards = removableMounts(table, s.at("links"));
    ASSERT_EQ(cards.size(), 3u);
    EXPECT_EQ(cards[0].point, "/media/shop/歌");
    EXPECT_EQ(cards[0].card, "UUID=0A1B-2C3D");
    EXPECT_EQ(cards[1].card, "LABEL=NO NAME");
    EXPECT_EQ(cards[2].card, "/media/shop/plain");
}

TEST_F(MountTableFixture, FixedDataDisksLeaveOutTheSystemCardsAndBindMounts) {
    EXPECT_EQ(fixedDataDisks(table), (std::vector<std::string>{"/mnt/media disk", "/srv/library"}));
}

TEST(Names, OnlyNamesAWindowsDiskCouldHoldFit) {
    for (const char* name : {"3021歌手-歌名.mp3", "a b.c", "😀𠀀", "~$#%&'()[]{}!@^`=+,;", "\x7f", ""})
        EXPECT_TRUE(fitsWindowsName(name)) << name;
    for (const char* name : {"a\nb", "\t", "\x1f", "a\\b", "a/b", "a:b", "a*", "?", "\"x\"", "<", ">", "|",
                             "\xB8\xE8",            // GBK
                             "\xC0\xAF",            // overlong '/'
                             "\xE0\x80\xAF",        // overlong again
                             "\xED\xB0\x80",        // surrogate
                             "\xF4\x90\x80\x80",    // past U+10FFFF
                             "\xE4\xB8"})           // cut short
        EXPECT_FALSE(fitsWindowsName(name)) << name;
}

TEST(Wildcard, StarOnlyAndAsciiCaseFolding) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    };
    const Case cases[] = {
        {"*中*国**.mp3", "3021中华民国.MP3", true},
        {"*中*国**.mp3", "中国.mp3", true},
        {"*中*国**.mp3", "国中.mp3", false},
        {"*中*国**.mp3", "中国.mp3.bak", false},
        {"*.mp3", ".hidden.mp3", true},
        {"*.*", "noextension", false},
        {"*.*", "a.b", true},
        {"*", "", true},
        {"abc", "ABC", true},
        {"abc", "abcd", false},
        {"a*a", "a", false},
        {"a*a", "aa", true},
        {"ab*ab", "ab", false},  // head and tail may not overlap
        {"ab*ab", "aBxAB", true},
        {"3021*", "3021.mp3", true},
        {"*中国*", "中中国国", true},
        {"?.mp3", "x.mp3", false},  // '?' is an ordinary character
        {"?.mp3", "?.MP3", true},
        {"*歌*", "歌手", true},
        {"*Ä*", "ä", false},  // only ASCII letters fold
        {"*3021*.*", "3021歌手-歌名.mp3", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Wildcard(c.pattern).matches(c.name), c.match) << c.pattern << " / " << c.name;
    EXPECT_TRUE(Wildcard("  ").isBlank());
    EXPECT_FALSE(Wildcard("").matches("x"));
}

TEST(TextCodec, Gb18030RoundTripsGbkAndBeyond) {
    // 中 is GBK D6 D0; 𠀀 (U+20000) and € are outside GBK's two-byte set.
    EXPECT_EQ(utf8ToGb18030("中"), "\xD6\xD0");
    for (const char* text : {"歌手-歌名", "𠀀𪚥 emoji😀", "€ 丂 ㄅ", "plain ascii", ""}) {
        EXPECT_EQ(gb18030ToUtf8(utf8ToGb18030(text)), text);
    }
    EXPECT_EQ(utf8ToGb18030("😀").size(), 4u);  // four-byte GB18030, not a '?'
}

TEST(TextCodec, FilesAreWrittenWithCrLfAndReadWithEitherEnd) {
    Scratch s;
    std::string path = s.at("list.txt");
    ASSERT_TRUE(writeTextLines(path, {"E:\\Brask搜歌库\\1-音乐\\中国.mp3", "𠀀"}));
    EXPECT_EQ(testing::readFile(path), utf8ToGb18030("E:\\Brask搜歌库\\1-音乐\\中国.mp3\r\n𠀀\r\n"));
    EXPECT_EQ(readTextLines(path).value_or({}), (std::vector<std::string>{"E:\\Brask搜歌库\\1-音乐\\中国.mp3", "𠀀"}));

    s.write("lf.txt", utf8ToGb18030("一\n二\r\n\n三"));
    EXPECT_EQ(readTextLines(s.at("lf.txt")).value_or({}), (std::vector<std::string>{"一", "二", "", "三"}));
    EXPECT_EQ(readTextLines(s.at("missing.txt")).error(), ENOENT);
}

TEST(FileOps, ListingOrderAndEntryKinds) {
    Scratch s;
    s.write("dir/b.mp3");
    s.write("dir/A.mp3");
    s.write("dir/_x.mp3");
    s.write("dir/a.MP3");
    s.write("dir/.hidden.mp3");
    s.makeFolder("dir/Sub");
    s.makeFolder("dir/.cache");
    std::filesystem::create_directory_symlink(s.at("dir/Sub"), s.at("dir/loop"));
    std::filesystem::create_symlink(s.at("dir/b.mp3"), s.at("dir/link.mp3"));
    std::filesystem::create_symlink(s.at("dir/gone"), s.at("dir/dangling.mp3"));
    ASSERT_EQ(::mkfifo(s.at("dir/pipe.mp3").c_str(), 0600), 0);

    std::vector<std::string> names;
    std::vector<EntryKind> kinds;
    for (const auto& e : listFolder(s.drives(), s.at("dir"))) {
        names.push_back(e.name);
        kinds.push_back(e.kind);
    }
    // Upper-case folding puts '_' after the letters, as NTFS does.
    const std::vector<std::string> expected{".cache", ".hidden.mp3", "A.mp3",    "a.MP3", "b.mp3",
                                            "dangling.mp3", "link.mp3", "loop", "pipe.mp3", "Sub",
                                            "_x.mp3"};
    EXPECT_EQ(names, expected);
    using K = EntryKind;
    EXPECT_EQ(kinds, (std::vector<K>{K::Folder, K::File, K::File, K::File, K::File, K::Skip,
                                     K::File, K::Skip, K::Skip, K::Folder, K::File}));
    EXPECT_TRUE(listFolder(s.drives(), s.at("nowhere")).empty());
}

TEST(FileOps, OperationsTakeDrivePaths) {
    Scratch s;
    s.mapDrives({{'E', "e"}});
    EXPECT_TRUE(createFolders(s.drives(), "E:\\a\\b\\c\\"));
    EXPECT_TRUE(folderExists(s.drives(), "E:\\a\\b\\c"));
    s.write("e/a/x.bin", "12345");
    EXPECT_TRUE(fileExists(s.drives(), "E:\\a\\x.bin"));
    EXPECT_FALSE(fileExists(s.drives(), "E:\\a\\b"));  // a folder is not a file
    EXPECT_EQ(fileSize(s.drives(), "E:\\a\\x.bin"), 5);
    EXPECT_EQ(fileSize(s.drives(), "E:\\a\\none"), -1);
    std::filesystem::resize_file(s.write("e/a/film.mkv"), 3221225472LL);  // sparse, 3 GiB
    EXPECT_EQ(fileSize(s.drives(), "E:\\a\\film.mkv"), 3221225472LL);
    EXPECT_TRUE(renameFile(s.drives(), "E:\\a\\x.bin", "E:\\a\\y.bin"));
    s.write("e/a/z.bin");
    EXPECT_FALSE(renameFile(s.drives(), "E:\\a\\y.bin", "E:\\a\\z.bin"));  // never replaces
    EXPECT_TRUE(fileExists(s.drives(), "E:\\a\\y.bin"));
    EXPECT_TRUE(deleteFile(s.drives(), "E:\\a\\y.bin"));
    const auto again = deleteFile(s.drives(), "E:\\a\\y.bin");
    EXPECT_FALSE(again);
    EXPECT_FALSE(again.errorText().empty());
    // A letter that is not mapped names nothing.
    EXPECT_FALSE(createFolders(s.drives(), "Q:\\a"));
    EXPECT_FALSE(fileExists(s.drives(), "Q:\\a"));
    EXPECT_EQ(fileSize(s.drives(), "Q:\\a"), -1);
}

TEST(FileOps, CopyLandsWholeOrNotAtAll) {
    Scratch s;
    std::string data(300000, 'x');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    std::string src = s.write("src.bin", data);

    ASSERT_TRUE(copyFile(s.drives(), src, s.at("copy.bin")));
    EXPECT_EQ(testing::readFile(s.at("copy.bin")), data);
    ASSERT_TRUE(copyFile(s.drives(), src, s.at("tail.bin"), Overwrite::Yes, 100000));
    EXPECT_EQ(testing::readFile(s.at("tail.bin")), data.substr(100000));

    EXPECT_FALSE(copyFile(s.drives(), src, s.at("copy.bin"), Overwrite::No));
    EXPECT_FALSE(copyFile(s.drives(), src, s.at("short.bin"), Overwrite::Yes, 400000));  // past the end
    EXPECT_FALSE(testing::exists(s.at("short.bin")));
    EXPECT_FALSE(copyFile(s.drives(), s.at("missing"), s.at("m.bin")));
    EXPECT_FALSE(copyFile(s.drives(), src, s.at("no/such/folder/c.bin")));

    // Nothing but the finished files is left in the folder.
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(s.path()))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"copy.bin", "src.bin", "tail.bin"}));
}

TEST(FileOps, APathClimbingOutOfItsDriveNamesNothing) {
    Scratch s;
    s.mapDrives({{'E', "e"}});
    s.write("secret.txt", "not the library's");
    s.write("e/x.mp3", "x");
    EXPECT_FALSE(fileExists(s.drives(), "E:\\..\\secret.txt"));
    EXPECT_EQ(fileSize(s.drives(), "E:\\..\\secret.txt"), -1);
    EXPECT_FALSE(copyFile(s.drives(), "E:\\..\\secret.txt", s.at("out.txt")));
    EXPECT_FALSE(testing::exists(s.at("out.txt")));
    EXPECT_FALSE(copyFile(s.drives(), "E:\\x.mp3", "E:\\..\\out.mp3"));
    EXPECT_FALSE(testing::exists(s.at("out.mp3")));
    EXPECT_FALSE(renameFile(s.drives(), "E:\\x.mp3", "E:\\..\\..\\x.mp3"));
    EXPECT_FALSE(deleteFile(s.drives(), "E:\\..\\secret.txt"));
    EXPECT_TRUE(testing::exists(s.at("secret.txt")));
    EXPECT_FALSE(readWholeFile("E:\\..\\secret.txt"));
}

TEST(FileOps, TheStationsTemporaryNamesAreShortAndOnlyTheyAreRemoved) {
    for (int i = 0; i < 20; ++i) {
        const std::string name = temporaryName();
        EXPECT_TRUE(isStationTemporary(name)) << name;
        EXPECT_EQ(name.size(), 21u);
        EXPECT_EQ(name.front(), '.');  // hidden from listings
    }
    Scratch s;
    s.write("d/.zorvik-0123abcd.part", "stale");
    s.write("d/.zorvik-89efABCD.part", "not ours: upper case");
    s.write("d/.zorvik-0123abc.part", "not ours: seven digits");
    s.write("d/x.zorvik-0123abcd.part", "not ours");
    s.write("d/.zorvik-0123abcd.part.mp3", "not ours");
    s.write("d/歌.mp3", "song");
    s.makeFolder("d/.zorvik-44444444.part");  // a folder is never taken
    EXPECT_EQ(removeStationTemporaries(s.drives(), s.at("d")), 1);
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(s.at("d"))) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{".zorvik-0123abc.part", ".zorvik-0123abcd.part.mp3", ".zorvik-44444444.part",
                                              ".zorvik-89efABCD.part", "x.zorvik-0123abcd.part", "歌.mp3"}));
}

TEST(FileOps, ASpecialFileIsNeverOpenedForCopyingOrReading) {
    Scratch s;
    ASSERT_EQ(::mkfifo(s.at("fifo.mp3").c_str(), 0644), 0);
    // Both the helper process and the copy in this thread.
    EXPECT_EQ(copyFileChecked(s.drives(), s.at("fifo.mp3"), s.at("copy.mp3")).failure, CopyFailure::NotAFile);
    EXPECT_EQ(copyNativeFile(s.at("fifo.mp3"), s.at("copy.mp3")).failure, CopyFailure::NotAFile);
    EXPECT_EQ(copyNativeFile(s.at("gone.mp3"), s.at("copy.mp3")).failure, CopyFailure::SourceGone);
    EXPECT_FALSE(readWholeFile(s.at("fifo.mp3")));
    EXPECT_EQ(fileSize(s.drives(), s.at("fifo.mp3")), -1);
    EXPECT_FALSE(testing::exists(s.at("copy.mp3")));
}

TEST(FileOps, CopyOntoAFullDiskLeavesNoPartialFile) {
    Scratch s;
    std::string mount = s.makeFolder("small");
    testing::TmpfsOver small(mount, 1);
    if (!small.ok()) GTEST_SKIP() << small.whyNot();
    std::string src = s.write("big.bin", std::string(3 << 20, 'b'));
    EXPECT_FALSE(copyFile(s.drives(), src, mount + "/big.bin"));
    EXPECT_EQ(copyFileChecked(s.drives(), src, mount + "/big.bin").failure, CopyFailure::DeviceFull);
    EXPECT_TRUE(std::filesystem::is_empty(mount));
}

TEST(ErrorText, ReasonsAreInChinese) {
    EXPECT_EQ(errorText(ENOTDIR), "系统找不到指定的路径。");
    EXPECT_EQ(errorText(ENOSPC), "磁盘空间不足。");
    EXPECT_EQ(errorText(EACCES), "拒绝访问。");
    if (locale_t chinese = newlocale(LC_MESSAGES_MASK, "zh_CN.UTF-8", nullptr)) {
        freelocale(chinese);
        for (int error = 1; error < 134; ++error) {
            const std::string text = errorText(error);
            EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](char c) { return c & 0x80; }))
                << error << ": " << text;
        }
    } else {
        GTEST_SKIP() << "the zh_CN.UTF-8 locale is not installed (scripts/install-deps.sh makes it)";
    }
}

TEST(FileOps, AFailureComesBackWithItsResult) {
    Scratch s;
    s.mapDrives({{'E', "e"}});
    s.write("e/x.mp3", "x");
    const auto copied = copyFile(s.drives(), "E:\\x.mp3\\y.mp3", s.at("y.mp3"));  // a file where a folder should be
    EXPECT_FALSE(copied);
    EXPECT_EQ(copied.error(), ENOTDIR);
    EXPECT_EQ(copied.errorText(), "系统找不到指定的路径。");
    const auto gone = readWholeFile(s.drives(), "Q:\\a.txt");  // a drive that is not there
    EXPECT_FALSE(gone);
    EXPECT_EQ(gone.error(), ENOENT);
    EXPECT_EQ(gone.errorText(), "系统找不到指定的路径。");
    const auto none = readWholeFile(s.drives(), "E:\\none.txt");
    EXPECT_EQ(none.error(), ENOENT);
    EXPECT_EQ(none.errorText(), "系统找不到指定的文件。");
    const auto read = readWholeFile(s.drives(), "E:\\x.mp3");
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, "x");
    EXPECT_EQ(read.error(), 0);
    // The program's own files are native paths: a drive path names none of them.
    EXPECT_EQ(readWholeFile("E:\\x.mp3").error(), ENOENT);
    EXPECT_FALSE(writeWholeFile("E:\\x.mp3", "y"));
    EXPECT_EQ(testing::readFile(s.at("e/x.mp3")), "x");
}

std::vector<std::string> stationTemporariesIn(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (isStationTemporary(e.path().filename().string())) found.push_back(e.path().filename());
    return found;
}

// A tmpfs of a given size below `folder`, unmounted however the test ends.
class SmallDisk {
public:
    SmallDisk(const std::string& folder, const char* size) : folder_(folder) {
        mounted_ = ::geteuid() == 0 &&
                   std::system(("mount -t tmpfs -o size=" + std::string(size) + " tmpfs '" + folder + "' 2>/dev/null")
                                   .c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) std::system(("umount '" + folder_ + "'").c_str());
    }
    bool mounted() const { return mounted_; }

private:
    std::string folder_;
    bool mounted_ = false;
};

TEST(FileOps, WholeFileWritesKeepTheModeAndAFullDiskKeepsTheOldFile) {
    Scratch s;
    const std::string kept = s.write("kept.txt", "old");
    ::chmod(kept.c_str(), 0640);
    ASSERT_TRUE(writeWholeFile(kept, "\xD6\xD0\r\n"));
    EXPECT_EQ(testing::readFile(kept), "\xD6\xD0\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(kept.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(writeWholeFile(s.at("new.txt"), "n"));
    ::umask(mask);
    ASSERT_EQ(::stat(s.at("new.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);

    SmallDisk disk(s.makeFolder("small"), "64k");
    if (!disk.mounted()) GTEST_SKIP() << "needs root to mount a small tmpfs";
    s.write("small/清单1.txt", "old list");
    EXPECT_EQ(writeWholeFile(s.at("small/清单1.txt"), std::string(200000, 'x')).errorText(), "磁盘空间不足。");
    EXPECT_EQ(testing::readFile(s.at("small/清单1.txt")), "old list");
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(s.at("small"))) left.push_back(e.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"清单1.txt"});

    // Filled to the last block: a save small enough to sit in a write buffer
    // fails only when it is flushed, and must not leave an empty file.
    {
        const std::string filler = s.at("small/filler");
        int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        const std::string chunk(4096, 'f');
        while (::write(fd, chunk.data(), chunk.size()) > 0) {
        }
        while (::write(fd, "f", 1) > 0) {
        }
        ::close(fd);
    }
    EXPECT_EQ(writeWholeFile(s.at("small/清单1.txt"), "E:\\Brask搜歌库\\1-音乐\\3012.mp3\r\n").errorText(), "磁盘空间不足。");
    EXPECT_EQ(testing::readFile(s.at("small/清单1.txt")), "old list");
    EXPECT_FALSE(writeWholeFile(s.at("small/new.txt"), "n"));
    EXPECT_FALSE(testing::exists(s.at("small/new.txt")));
    EXPECT_TRUE(stationTemporariesIn(s.at("small")).empty());
}

TEST(FileOps, OnlyARegularFileOfModestSizeIsReadOrReplacedAsADataFile) {
    Scratch s;
    ASSERT_EQ(::mkfifo(s.at("播放列表.txt").c_str(), 0644), 0);
    EXPECT_FALSE(writeWholeFile(s.at("播放列表.txt"), "x\r\n"));
    struct stat st {};
    ASSERT_EQ(::lstat(s.at("播放列表.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    s.makeFolder("Corlen.ini");
    EXPECT_EQ(writeWholeFile(s.at("Corlen.ini"), "[PiFu]\r\n").errorText(), "这是一个文件夹，不是文件。");
    EXPECT_TRUE(std::filesystem::is_directory(s.at("Corlen.ini")));
    EXPECT_TRUE(stationTemporariesIn(s.path()).empty());

    // Read through a link to the file, which is replaced and stays a link.
    s.write("real.txt", "old");
    ASSERT_EQ(::symlink(s.at("real.txt").c_str(), s.at("link.txt").c_str()), 0);
    ASSERT_TRUE(writeWholeFile(s.at("link.txt"), "new"));
    EXPECT_EQ(testing::readFile(s.at("real.txt")), "new");
    ASSERT_EQ(::lstat(s.at("link.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    s.write("big.txt", std::string((1 << 20) + 1, 'x'));
    EXPECT_EQ(readTextLines(s.at("big.txt")).errorText(), "文件太大（超过 1 MB），没有读取。");
    EXPECT_FALSE(readFileLines(s.at("big.txt")));
    s.write("fits.txt", std::string(1 << 20, 'x'));
    EXPECT_TRUE(readFileLines(s.at("fits.txt")));
    EXPECT_TRUE(readWholeFile(s.at("big.txt")));  // pictures and sounds are read whole
}

TEST(InstanceGuard, OneHolderAtATimeAndFreedWhenTheHolderDies) {
    Scratch s;
    std::string lock = s.at("guard.lock");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    if (child == 0) {
        InstanceGuard held(lock);
        char ok = held.acquire() ? '1' : '0';
        (void)::write(ready[1], &ok, 1);
        ::pause();
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, '1');
    InstanceGuard second(lock);
    EXPECT_FALSE(second.acquire());

    ::kill(child, SIGKILL);  // a crash, not a clean exit
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(second.acquire());
    struct stat st {};
    ASSERT_EQ(::stat(lock.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666u);  // every user of the machine shares it
}

// The lock lies in a folder everyone may write to: a link planted at its name
// is never followed, and a file found there keeps the mode it has.
TEST(InstanceGuard, NeverFollowsAPlantedLinkAndSetsTheModeOnlyOfItsOwnFile) {
    Scratch s;
    const std::string target = s.write("target", "precious");
    ::chmod(target.c_str(), 0600);
    const std::string lock = s.at("guard.lock");
    std::filesystem::create_symlink(target, lock);
    InstanceGuard linked(lock);
    EXPECT_EQ(linked.claim(), InstanceGuard::Claim::Unusable);
    EXPECT_FALSE(linked.problem().empty());
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(testing::readFile(target), "precious");

    const std::string found = s.write("found.lock");
    ::chmod(found.c_str(), 0644);
    InstanceGuard existing(found);
    EXPECT_EQ(existing.claim(), InstanceGuard::Claim::Held);
    ASSERT_EQ(::stat(found.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);

    ASSERT_EQ(::mkfifo(s.at("fifo.lock").c_str(), 0666), 0);
    InstanceGuard fifo(s.at("fifo.lock"));
    EXPECT_EQ(fifo.claim(), InstanceGuard::Claim::Unusable);  // and no hang on the open
}

// Another user's file at the lock's name that keeps this user out is named as
// such, not taken for a station already running.
TEST(InstanceGuard, ALockFileOfAnotherUserIsNamedAsSuch) {
    if (::geteuid() != 0) GTEST_SKIP() << "making another user's file needs root";
    Scratch s;
    const std::string lock = s.write("guard.lock");
    ASSERT_EQ(::chown(lock.c_str(), 65534, 65534), 0);
    int holder = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);  // as its owner's process would hold it
    InstanceGuard planted(lock);
    EXPECT_EQ(planted.claim(), InstanceGuard::Claim::OwnedByAnother);
    ::close(holder);
    // Not held: it serves as a lock all the same.
    InstanceGuard free(lock);
    EXPECT_EQ(free.claim(), InstanceGuard::Claim::Held);

    // This user's own lock, held: another station runs.
    const std::string own = s.write("own.lock");
    InstanceGuard first(own);
    ASSERT_EQ(first.claim(), InstanceGuard::Claim::Held);
    InstanceGuard second(own);
    EXPECT_EQ(second.claim(), InstanceGuard::Claim::HeldElsewhere);
}

}  // namespace
}  // namespace zorvik::platform
