#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/mediafiles.h"
#include "core/prefixed.h"
#include "library/cacheclean.h"
#include "library/layout.h"
#include "library/walk.h"
#include "platform/drives.h"
#include "support/fixture.h"

namespace zorvik::library {
namespace {

using testing::Scratch;
using namespace core;  // media naming

TEST(Layout, MediaGroupsBySubstringWithTheLastListWinning) {
    struct Case {
        const char* ext;
        std::optional<int> group;
    };
    const Case cases[] = {
        {".mp3", Audio}, {".MP3", Audio}, {".wav", Audio},  {".mid", Audio},  {".3gp", Video},
        {".rmvb", Video}, {".rm", Video}, {".m", Video},   {".jpg", Picture}, {".GIF", Picture},
        {".jar", Game},   {".a", Game},   {".g", Game},    {".apk", Game},    {".txt", EBook},
        {".", EBook},     {"", std::nullopt}, {".lrc", std::nullopt}, {".doc", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(mediaGroupOf(c.ext), c.group) << c.ext;
    EXPECT_EQ(iconOf("E:\\x\\readme"), 0);  // no group shows icon 0
    EXPECT_EQ(iconOf("E:\\x\\a.3GP"), Video);
}

TEST(Layout, CategoryOfAPath) {
    struct Case {
        const char* path;
        int category;
    };
    const Case cases[] = {
        {"E:\\Brask搜歌库\\1-音乐\\x.mp3", 1},
        {"E:\\Brask搜歌库\\10-演唱会\\x.mpg", 10},
        {"E:\\Brask搜歌库\\11-铃声\\mp3铃声\\x.mp3", 11},
        {"F:\\Brask搜歌库\\12-其它", 12},
        {"E:\\other\\1-音乐\\x.mp3", 0},
        {"E:\\brask搜歌库\\1-音乐\\x.mp3", 0},  // letter case counts
        {"E:\\Brask搜歌库\\", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(categoryOf(c.path), c.category) << c.path;
}

TEST(Layout, NamesTypesAndSizeTexts) {
    struct Case {
        const char* path;
        const char* display;
        const char* type;
    };
    const Case cases[] = {
        {"E:\\Brask搜歌库\\1-音乐\\歌名bk2009.mp3", "歌名", "mp3"},
        {"E:\\a\\a.b.MP3", "a.b", "MP3"},
        {"E:\\a\\readme", "readme", ""},
        {"E:\\a\\3021歌手-歌名.mp3", "3021歌手-歌名", "mp3"},
        {"E:\\a\\x.mp3.mp3", "x.mp3", "mp3"},  // the first occurrence goes
        {"E:\\a.dir\\noext", "noext", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(displayName(c.path), c.display) << c.path;
        EXPECT_EQ(typeTextOf(c.path), c.type) << c.path;
    }
    EXPECT_EQ(plainNameOf("E:\\bk2009\\歌名bk2009.mp3"), "E:\\bk2009\\歌名.mp3");
    EXPECT_TRUE(isPrefixed("E:\\a\\xbk2009y.3gp"));
    EXPECT_FALSE(isPrefixed("E:\\bk2009\\a.mp3"));
    EXPECT_FALSE(isPrefixed("E:\\a\\BK2009.mp3"));

    const std::pair<std::int64_t, const char*> sizes[] = {
        {0, "0.00"},          {10239, "0.00"},          {10240, "0.01"},
        {4500000, "4.39"},    {-1, "0.00"},             {1024000, "1.00"},
        {3221225472LL, "3145.72"},  // 3 GiB: past 32 bits
        {5000000000LL, "4882.81"},
    };
    for (const auto& [bytes, text] : sizes) EXPECT_EQ(sizeText(bytes), text) << bytes;
}

TEST(Layout, SearchRootsFollowTheConfiguredDrives) {
    LibraryDrives drives{"E", "", "F", "", "", ""};
    EXPECT_EQ(searchRoots(drives, 0),
              (std::vector<std::string>{"E:\\Brask搜歌库\\", "F:\\Brask搜歌库\\"}));
    EXPECT_EQ(searchRoots(drives, 10),
              (std::vector<std::string>{"E:\\Brask搜歌库\\10-演唱会\\", "F:\\Brask搜歌库\\10-演唱会\\"}));
    EXPECT_TRUE(searchRoots(LibraryDrives{}, 1).empty());
}

TEST(PrefixedFile, PlainCopyDropsTheLeadingBlock) {
    Scratch s;
    s.mapDrives({{'E', "e"}});
    std::string content(500000, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i % 251);
    s.write("e/歌名bk2009.mp3", content);

    ASSERT_TRUE(copyPlain(s.drives(), "E:\\歌名bk2009.mp3", "E:\\歌名.mp3"));
    std::string plain = testing::readFile(s.at("e/歌名.mp3"));
    EXPECT_EQ(plain.size(), 92448u);
    EXPECT_EQ(plain, content.substr(407552));

    // Shorter than the block: failure, and nothing left where the copy was to go.
    s.write("e/shortbk2009.mp3", std::string(1000, 'x'));
    EXPECT_FALSE(copyPlain(s.drives(), "E:\\shortbk2009.mp3", "E:\\short.mp3"));
    EXPECT_FALSE(testing::exists(s.at("e/short.mp3")));
    EXPECT_FALSE(copyPlain(s.drives(), "E:\\missingbk2009.mp3", "E:\\missing.mp3"));
}

class Walk : public ::testing::Test {
protected:
    void SetUp() override { s.mapDrives({{'E', "e"}, {'F', "f"}}); }
    Scratch s;
};

TEST_F(Walk, FilesOfAFolderComeBeforeEverythingBelowIt) {
    s.write("e/F/x.mp3");
    s.write("e/F/y/z.mp3");
    s.write("e/F/B.MP3");
    s.write("e/F/a/deep/c.mp3");
    s.write("e/F/a/d.wma");
    s.write("e/F/a/e.mp3");
    EXPECT_EQ(walkToList(s.drives(), "E:\\F\\", "*.mp3"),
              (std::vector<std::string>{"E:\\F\\B.MP3", "E:\\F\\x.mp3", "E:\\F\\a\\e.mp3",
                                        "E:\\F\\a\\deep\\c.mp3", "E:\\F\\y\\z.mp3"}));
    // The folder may be given without its separator.
    EXPECT_EQ(walkToList(s.drives(), "E:\\F\\a", "*d*").size(), 1u);
}

TEST_F(Walk, HiddenLinkedAndSpecialEntries) {
    s.write("e/L/.hidden.mp3");            // hidden files are found
    s.write("e/L/.secret/in.mp3");         // hidden folders are not entered
    s.write("e/L/real/song.mp3");
    s.makeFolder("e/L/folder.mp3");        // a folder is never listed as a file
    std::filesystem::create_directory_symlink(s.at("e/L"), s.at("e/L/real/loop"));  // no loop
    std::filesystem::create_symlink(s.at("e/L/real/song.mp3"), s.at("e/L/link.mp3"));
    EXPECT_EQ(walkToList(s.drives(), "E:\\L\\", "*.mp3"),
              (std::vector<std::string>{"E:\\L\\.hidden.mp3", "E:\\L\\link.mp3",
                                        "E:\\L\\real\\song.mp3"}));
}

// Names a Windows disk or a FAT card cannot hold are never listed, so no list
// file line or copy ever has to carry them.
TEST_F(Walk, NamesThatCannotLiveOnWindowsDisksAreNotListed) {
    s.write("e/N/ok 歌名😀.mp3");
    s.write("e/N/two\nlines.mp3");
    s.write("e/N/tab\t.mp3");
    for (char c : std::string_view(":*?\"<>|")) s.write(std::string("e/N/bad") + c + ".mp3");
    std::ofstream(s.at("e/N") + "/back\\slash.mp3").put('x');
    s.write("e/N/\xB8\xE8.mp3");        // GBK bytes, not UTF-8
    s.write("e/N/\xED\xA0\x80.mp3");   // a UTF-8 surrogate
    s.write("e/N/a:b/inside.mp3");      // a folder that cannot be named is not entered
    s.write("e/N/sub/in.mp3");
    EXPECT_EQ(walkToList(s.drives(), "E:\\N\\", "*.mp3"),
              (std::vector<std::string>{"E:\\N\\ok 歌名😀.mp3", "E:\\N\\sub\\in.mp3"}));
    std::filesystem::remove_all(s.at("e/N"));  // Qt cannot remove names that are not UTF-8
}

TEST_F(Walk, BlankPatternsMissingFoldersAndStops) {
    s.write("e/M/a.mp3");
    s.write("e/M/b.mp3");
    EXPECT_TRUE(walkToList(s.drives(), "E:\\M\\", "").empty());
    EXPECT_TRUE(walkToList(s.drives(), "E:\\M\\", "   ").empty());
    EXPECT_TRUE(walkToList(s.drives(), "E:\\Nowhere\\", "*.*").empty());
    EXPECT_TRUE(walkToList(s.drives(), "Q:\\M\\", "*.*").empty());  // unmapped drive
    EXPECT_TRUE(walkToList(s.drives(), ":\\Brask搜歌库\\", "*.*").empty());  // empty drive box

    int seen = 0;
    auto count = walk(s.drives(), "E:\\M\\", "*.mp3", [&seen](std::string_view) { return ++seen < 1; });
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(count, 1);
}

TEST_F(Walk, AcrossTwoDrivesInRootOrder) {
    s.write("f/Brask搜歌库/1-音乐/3021歌手-中国.mp3");
    s.write("e/Brask搜歌库/1-音乐/新增歌曲/3022中国风.mp3");
    s.write("e/Brask搜歌库/1-音乐/3021中国.mp3");
    std::vector<std::string> hits;
    for (const auto& root : searchRoots({"E", "F", "", "", "", ""}, 1)) {
        auto part = walkToList(s.drives(), root, "*中国*.mp3");
        hits.insert(hits.end(), part.begin(), part.end());
    }
    EXPECT_EQ(hits, (std::vector<std::string>{"E:\\Brask搜歌库\\1-音乐\\3021中国.mp3",
                                              "E:\\Brask搜歌库\\1-音乐\\新增歌曲\\3022中国风.mp3",
                                              "F:\\Brask搜歌库\\1-音乐\\3021歌手-中国.mp3"}));
}

TEST_F(Walk, FolderTreeListsParentsBeforeChildren) {
    s.makeFolder("e/T/b/b1");
    s.makeFolder("e/T/A/a2");
    s.makeFolder("e/T/A/a1/x");
    s.makeFolder("e/T/.hidden/h");
    s.write("e/T/file.txt");
    EXPECT_EQ(folderTree(s.drives(), "E:\\T\\"),
              (std::vector<std::string>{"E:\\T\\A", "E:\\T\\A\\a1", "E:\\T\\A\\a1\\x", "E:\\T\\A\\a2",
                                        "E:\\T\\b", "E:\\T\\b\\b1"}));
}

TEST(CacheCleanUp, RemovesMediaFilesDirectlyInTheFolderOnly) {
    Scratch s;
    s.mapDrives({{'D', "d"}});
    for (const char* name : {"a.mp3", "b.AVI", "c.rmvb", "Corlen.ini", "清单1.txt", "Brask搜歌.gif",
                             "noext", "d.wma", "sub/e.mp3"})
        s.write(std::string("d/cache/") + name);
    cleanCachedMedia(s.drives(), "D:\\cache\\");
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::recursive_directory_iterator(s.at("d/cache")))
        if (e.is_regular_file()) left.push_back(e.path().lexically_relative(s.at("d/cache")).string());
    std::sort(left.begin(), left.end());
    // .wma is not among the cached media kinds.
    EXPECT_EQ(left, (std::vector<std::string>{"Brask搜歌.gif", "Corlen.ini", "d.wma", "noext",
                                              "sub/e.mp3", "清单1.txt"}));
}

}  // namespace
}  // namespace zorvik::library
