#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <chrono>
#include <filesystem>

#include "library/listing.h"
#include "library/readylistings.h"
#include "library/hotlist.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "player/cueplayer.h"
#include "search/categorybrowser.h"
#include "search/pinyin.h"
#include "search/searchcontroller.h"
#include "search/singers.h"
#include "support/fixture.h"

namespace zorvik::search {
namespace {

using testing::Scratch;
namespace fs = std::filesystem;

TEST(Pinyin, InitialsOfGbkBytesAtTheRangeBoundaries) {
    struct Case {
        std::string_view gbk;
        std::string_view initials;
    };
    const Case cases[] = {
        {"\xD6\xD0\xB9\xFA\xB7\xE7", "ZGF"},  // 中国风
        {"\xC0\xCF\xB5\xE7\xBB\xB0", "LDH"},  // 老电话
        {"\xB0\xA1", "A"},                    // 啊, the first code
        {"\xB0\xC4", "A"},
        {"\xB0\xC5", "B"},
        {"\xB2\xC0", "B"},
        {"\xB2\xC1", "C"},
        {"\xB2\xCD", "C"},
        {"\xB2\xCE", "S"},  // 参, among the C codes
        {"\xB2\xCF", "C"},
        {"\xB7\xA1", "E"},
        {"\xB7\xA2", "F"},
        {"\xC5\xB6", "O"},
        {"\xC5\xBD", "O"},
        {"\xC5\xBE", "P"},
        {"\xC8\xBA", "Q"},
        {"\xC8\xBB", "R"},
        {"\xC8\xF6", "S"},
        {"\xD7\xF9", "Z"},  // 座
        {"\xD7\xFF", "Z"},
        // A row one letter holds whole takes any trail byte; a row where the
        // letter changes only A1 ... FE.
        {"\xB1\x40", "B"},
        {"\xB0\x40", ""},
        {"\xB0\xFF", ""},
        // Second-level characters and full-width symbols give nothing.
        {"\xD8\xA1", ""},
        {"\xA1\xA1", ""},
        {"Hello", "Hello"},
        {"a", "a"},
        {"", ""},
        {"\xB0", "\xB0"},        // a lone lead byte at the end stays
        {"a\xD6", "a\xD6"},
        {"\xD6\xD0\xB9", "Z\xB9"},
        {"\x9F\xD6\xD0", "\x9FZ"},  // a byte below A0 is copied and the pair after it read
    };
    for (const auto& c : cases)
        EXPECT_EQ(pinyinInitialsOfGbk(c.gbk), c.initials) << QByteArray(c.gbk.data(), static_cast<qsizetype>(c.gbk.size())).toHex().toStdString();
}

TEST(Pinyin, Utf8TextIsReadAsItsGbkBytes) {
    EXPECT_EQ(pinyinInitials("中国风"), "ZGF");
    EXPECT_EQ(pinyinInitials("张学友 Jacky"), "ZXY Jacky");
    EXPECT_EQ(pinyinInitials("𠀀周"), "Z");  // GBK cannot hold the first: nothing, not stray bytes
    EXPECT_EQ(pinyinInitials("S.H.E"), "S.H.E");
}

TEST(ShopOrder, DigitsLatinWithoutCaseThenChineseByPinyinAndNoLineTwice) {
    library::SortedLines lines;
    lines.assign({"周杰伦", "Beyond", "阿杜", "twins", "Twins", "1234", "蔡依林", "阿杜", "beyond2"});
    EXPECT_EQ(lines.lines(), (std::vector<std::string>{"1234", "Beyond", "beyond2", "Twins", "twins", "阿杜", "蔡依林",
                                                       "周杰伦"}));
    EXPECT_EQ(lines.insert("刘德华"), 7);
    EXPECT_EQ(lines.insert("阿杜"), -1);
}

// A search controller over a library on E:, as the station wires it, and
// the singer page on top.
class Singers : public ::testing::Test {
protected:
    void SetUp() override {
        s.mapDrives({{'E', "e"}});
        drives = {"E", "", "", "", "", ""};
    }

    void loadSingers(const std::vector<std::string>& names) {
        platform::writeTextLines(s.at("歌手.txt"), names);
        singers.load(s.at("歌手.txt"));
    }
    std::vector<QString> grid() const {
        std::vector<QString> cells;  // in fill order: column by column
        for (int column = 0; column < kGridColumns; ++column)
            for (int row = 0; row < kGridRows; ++row) cells.push_back(singers.cell(row, column));
        return cells;
    }
    int filled() const {
        int n = 0;
        for (const auto& cell : grid()) n += cell.isEmpty() ? 0 : 1;
        return n;
    }

    Scratch s;
    library::LibraryDrives drives;
    SearchPatterns patterns = SearchPatterns::warmUp();
    library::Listings listings{s.jobs(), s.drives()};
    player::CuePlayer cues{QString::fromStdString(s.at("按键音乐/"))};
    SearchController controller{listings, cues, drives, patterns};
    SingerBrowser singers{controller, s.errors()};
};

TEST_F(Singers, ThirteenZSingersPageForwardForwardAgainAndBack) {
    std::vector<std::string> names{"刘德华", "Beyond"};
    for (const char* name : {"张学友", "周杰伦", "张惠妹", "郑智化", "张信哲", "卓依婷", "张靓颖", "周华健",
                             "张韶涵", "郑钧", "张杰", "赵薇", "周传雄"})
        names.emplace_back(name);
    loadSingers(names);
    EXPECT_EQ(filled(), 12);  // at start the whole list, from its start
    EXPECT_EQ(singers.cell(0, 0), QStringLiteral("Beyond"));  // Latin before Chinese

    singers.setLetters(QStringLiteral("Z"));
    ASSERT_EQ(singers.filtered().size(), 13u);
    const auto first = grid();
    EXPECT_EQ(filled(), 12);
    // Pinyin order, column by column: 张 (zhang) before 赵 (zhao) before 郑 before 周 before 卓.
    EXPECT_EQ(singers.cell(0, 0), QString::fromStdString(singers.filtered()[0]));
    EXPECT_EQ(singers.cell(1, 0), QString::fromStdString(singers.filtered()[1]));
    EXPECT_EQ(singers.cell(0, 1), QString::fromStdString(singers.filtered()[3]));
    EXPECT_TRUE(singers.filtered()[0].starts_with("张"));
    EXPECT_EQ(singers.filtered()[12], "卓依婷");

    singers.nextPage();
    EXPECT_EQ(singers.cell(0, 0), QStringLiteral("卓依婷"));  // the 13th alone in the first cell
    EXPECT_EQ(filled(), 1);
    singers.nextPage();  // nothing more: the same page again
    EXPECT_EQ(singers.cell(0, 0), QStringLiteral("卓依婷"));
    EXPECT_EQ(filled(), 1);
    singers.previousPage();
    EXPECT_EQ(grid(), first);
    singers.previousPage();  // never before the start
    EXPECT_EQ(grid(), first);
}

TEST_F(Singers, LettersMustStartTheInitialsLetterCaseCountsAndBlanksAroundANameAreLeftOut) {
    loadSingers({"中国风", "周末歌", "  中国好声音 ", "", "张学友"});
    singers.setLetters(QStringLiteral("ZG"));
    EXPECT_EQ(singers.filtered(), (std::vector<std::string>{"  中国好声音 ", "中国风"}));
    EXPECT_EQ(singers.cell(1, 0), QStringLiteral("中国风"));
    EXPECT_EQ(singers.cell(0, 0), QStringLiteral("  中国好声音 "));  // shown with its blanks

    singers.setLetters(QStringLiteral("zg"));
    EXPECT_TRUE(singers.filtered().empty());
    singers.setLetters(QStringLiteral("GF"));  // inside the initials, not at their start
    EXPECT_TRUE(singers.filtered().empty());
    singers.setLetters(QString());  // an empty box matches no one
    EXPECT_TRUE(singers.filtered().empty());
    EXPECT_EQ(filled(), 0);
}

TEST_F(Singers, NoSingerFileLeavesTheGridEmpty) {
    singers.load(s.at("歌手.txt"));
    EXPECT_EQ(filled(), 0);
    singers.setLetters(QStringLiteral("Z"));
    singers.nextPage();
    EXPECT_EQ(filled(), 0);
}

TEST_F(Singers, AGridClickSearchesAsTheSearchButtonDoesOnTheSelectedTab) {
    for (const char* name : {"1-音乐/中国风-好日子.mp3", "1-音乐/中华国际风云.mp3", "1-音乐/中国风.wma",
                             "2-MTV/中国风.3gp", "1-音乐/别的.mp3"})
        s.write(std::string("e/Brask搜歌库/") + name);
    loadSingers({"中国风"});
    QSignalSpy text(&controller, &SearchController::textChanged);
    QSignalSpy done(&controller, &SearchController::finished);

    controller.selectTab(0);
    EXPECT_FALSE(singers.choose(0, 1));  // an empty cell does nothing
    ASSERT_TRUE(singers.choose(0, 0));
    ASSERT_TRUE(done.wait(3000));
    EXPECT_EQ(text.last()[0].toString(), QStringLiteral("中国风"));  // the name is in the search box
    ASSERT_EQ(listings.results().count(), 2);
    EXPECT_EQ(listings.results().path(0), "E:\\Brask搜歌库\\1-音乐\\中华国际风云.mp3");
    EXPECT_EQ(listings.results().path(1), "E:\\Brask搜歌库\\1-音乐\\中国风-好日子.mp3");
    EXPECT_EQ(controller.history().last(), QStringLiteral("中国风"));

    controller.selectTab(1);
    controller.tabPressed();
    ASSERT_TRUE(singers.choose(0, 0));
    ASSERT_TRUE(done.wait(3000));
    ASSERT_EQ(listings.results().count(), 1);
    EXPECT_EQ(listings.results().path(0), "E:\\Brask搜歌库\\2-MTV\\中国风.3gp");
}

// Listings that browse drives E, F, G and K as library drives 1 to 4.
class Browsing : public ::testing::Test {
protected:
    void SetUp() override { s.mapDrives({{'E', "e"}, {'F', "f"}, {'G', "g"}, {'K', "k"}}); }

    std::vector<std::string> rows() {
        std::vector<std::string> paths;
        for (int i = 0; i < listings.results().count(); ++i) paths.push_back(listings.results().path(i));
        return paths;
    }
    template <typename Listing>
    qint64 wait(Listing& listing) {
        QSignalSpy done(&listing, &Listing::finished);
        EXPECT_TRUE(done.wait(3000));
        return done.isEmpty() ? -1 : done.last()[0].toLongLong();
    }

    Scratch s;
    library::LibraryDrives drives{"", "", "", "", "", ""};
    library::Listings listings{s.jobs(), s.drives()};
    player::CuePlayer cues{QString::fromStdString(s.at("按键音乐/"))};
    library::HotList hot{s.jobs(), s.errors()};
};

TEST_F(Browsing, ACategoryButtonWithOnlyDrive4ListsNothingThoughTheFoldersWereMadeThere) {
    drives[3] = "K";
    CategoryBrowser browser(s.jobs(), listings, cues, drives);
    s.write("k/Brask搜歌库/12-其它/AVI格式/片.avi");
    browser.openPanel();
    EXPECT_EQ(cues.pending(), core::Cues::Select);
    for (int i = 0; i < 200 && browser.makingFolders(); ++i) QTest::qWait(5);
    EXPECT_TRUE(fs::is_directory(s.at("k/Brask搜歌库/1-音乐/分类歌曲/戏曲音乐")));
    EXPECT_TRUE(fs::is_directory(s.at("k/Brask搜歌库/11-铃声/特色铃声")));
    EXPECT_FALSE(fs::exists(s.at("e/Brask搜歌库")));  // an empty box makes nothing

    browser.browse(OtherPage, QStringLiteral("AVI格式"));
    EXPECT_EQ(wait(browser), 0);
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(cues.pending(), core::Cues::Error);
    EXPECT_EQ(browser.subcategory(), QStringLiteral("AVI格式"));
}

TEST_F(Browsing, ACategoryButtonWalksItsPagesFolderOnDrives1To3InOrder) {
    drives = {"E", "", "G", "K", "", ""};
    s.write("e/Brask搜歌库/7-游戏/jar格式/b.jar");
    s.write("e/Brask搜歌库/7-游戏/jar格式/旧/a.jar");
    s.write("e/Brask搜歌库/7-游戏/sis格式/c.sis");
    s.write("g/Brask搜歌库/7-游戏/jar格式/a.jar");
    s.write("k/Brask搜歌库/7-游戏/jar格式/k.jar");
    CategoryBrowser browser(s.jobs(), listings, cues, drives);
    const int cueBefore = cues.pending();
    browser.browse(GamesPage, QStringLiteral("jar格式"));
    EXPECT_TRUE(listings.searchEnabled());  // browsing never takes the search away
    EXPECT_EQ(wait(browser), 3);
    EXPECT_EQ(rows(), (std::vector<std::string>{"E:\\Brask搜歌库\\7-游戏\\jar格式\\b.jar",
                                                "E:\\Brask搜歌库\\7-游戏\\jar格式\\旧\\a.jar",
                                                "G:\\Brask搜歌库\\7-游戏\\jar格式\\a.jar"}));
    EXPECT_EQ(cues.pending(), cueBefore);  // no cue on success
    EXPECT_EQ(categoryPage(MusicPage).base, "1-音乐\\分类歌曲\\");
    EXPECT_EQ(categoryPage(MusicPage).buttons.size(), 16u);
}

TEST_F(Browsing, NewArrivalsOfFilmsWithDrive2EmptyMakeTheFoldersAndListDrive1First) {
    drives = {"E", "", "G", "K", "", ""};
    s.write("g/Brask搜歌库/3-电影/新增电影/乙.mp4");
    s.write("e/Brask搜歌库/3-电影/新增电影/甲.avi");
    s.write("e/Brask搜歌库/3-电影/新增电影/续集/丙.rmvb");
    s.write("e/Brask搜歌库/3-电影/旧片.avi");
    s.write("k/Brask搜歌库/3-电影/新增电影/丁.mp4");  // drive 4 holds no new arrivals
    library::ReadyListings ready(listings, cues, drives, hot);
    ready.showNewArrivals(1);  // "电影"
    EXPECT_EQ(wait(ready), 3);
    EXPECT_EQ(rows(), (std::vector<std::string>{"E:\\Brask搜歌库\\3-电影\\新增电影\\甲.avi",
                                                "E:\\Brask搜歌库\\3-电影\\新增电影\\续集\\丙.rmvb",
                                                "G:\\Brask搜歌库\\3-电影\\新增电影\\乙.mp4"}));
    EXPECT_NE(cues.pending(), core::Cues::Error);

    // Music: the folders are made on drives 1 and 3 where missing, and an
    // empty listing asks for the error cue.
    ready.showNewArrivals(0);
    EXPECT_EQ(wait(ready), 0);
    EXPECT_TRUE(fs::is_directory(s.at("e/Brask搜歌库/1-音乐/新增歌曲")));
    EXPECT_TRUE(fs::is_directory(s.at("g/Brask搜歌库/1-音乐/新增歌曲")));
    EXPECT_FALSE(fs::exists(s.at("k/Brask搜歌库/1-音乐/新增歌曲")));
    EXPECT_EQ(cues.pending(), core::Cues::Error);
}

TEST_F(Browsing, ASearchStartedDuringABrowseTakesTheListOver) {
    drives = {"E", "", "", "", "", ""};
    s.write("e/Brask搜歌库/12-其它/MP4格式/片.mp4");
    s.write("e/Brask搜歌库/1-音乐/3021歌.mp3");
    SearchPatterns patterns;
    SearchController controller(listings, cues, drives, patterns);
    CategoryBrowser browser(s.jobs(), listings, cues, drives);
    QSignalSpy browsed(&browser, &CategoryBrowser::finished);
    browser.browse(OtherPage, QStringLiteral("MP4格式"));
    controller.selectTab(0);
    controller.setText(QStringLiteral("3021"));
    ASSERT_TRUE(controller.start());
    QSignalSpy searched(&controller, &SearchController::finished);
    ASSERT_TRUE(searched.wait(3000));
    // The browse's late batches and its finish are posted before its job ends.
    ASSERT_TRUE(listings.waitUntil(std::chrono::steady_clock::now() + std::chrono::seconds(3)));
    QCoreApplication::processEvents();
    EXPECT_EQ(rows(), std::vector<std::string>{"E:\\Brask搜歌库\\1-音乐\\3021歌.mp3"});
    EXPECT_TRUE(browsed.isEmpty());  // the browse's end no longer counts
    EXPECT_TRUE(listings.searchEnabled());
}

}  // namespace
}  // namespace zorvik::search
