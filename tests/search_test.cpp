#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <chrono>
#include <filesystem>

#include "app/station.h"
#include "library/listing.h"
#include "library/rename.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "player/cueplayer.h"
#include "search/keyword.h"
#include "search/searchcontroller.h"
#include "support/fixture.h"

namespace zorvik::search {
namespace {

using testing::Scratch;

TEST(Keyword, BarredTexts) {
    for (const char* text : {"12", "7", "2009", "mp3", ".wma", "bk2009", "a", "", "3", "09"})
        EXPECT_TRUE(planKeyword(text).barred) << text;
    for (const char* text : {"MP3", "3021", "中", "ab", "2010", "歌手"})
        EXPECT_FALSE(planKeyword(text).barred) << text;
}

TEST(Keyword, PatternsCutByGbkBytes) {
    struct Case {
        const char* text;
        const char* keyword;
    };
    const Case cases[] = {
        {"中国风", "中*国*风*"},
        {"abc", "ab*"},  // the odd last byte is dropped
        {"3021", "3021"},  // a number is searched whole
        {"MP3", "MP*"},
        {"刘德华", "刘*德*华*"},
        // A piece that would split a character takes the characters that start in it.
        {"a中b", "a中*b*"},
        {"a中", "a中*"},
        {"ab中", "ab*中*"},
        {"𠀀x", "𠀀*"},  // four GB18030 bytes, then an odd byte
    };
    for (const auto& c : cases) EXPECT_EQ(planKeyword(c.text).keyword, c.keyword) << c.text;
}

TEST(Keyword, TabsSearchTheCategoryAtTheirPosition) {
    EXPECT_EQ(categoryOfTab(0), 1);
    EXPECT_EQ(categoryOfTab(9), 10);  // captioned "9戏曲", searches "10-演唱会"
    EXPECT_EQ(categoryOfTab(11), 12);
    EXPECT_EQ(categoryOfTab(kNoTab), 0);
    EXPECT_TRUE(searchesSeriesFolders(3));
    EXPECT_TRUE(searchesSeriesFolders(11));
    EXPECT_FALSE(searchesSeriesFolders(4));
}

TEST(Listings, RowsStreamWhileTheWalkRunsAndLateRowsOfAnOldListingAreDropped) {
    platform::DriveTable drives;
    core::JobRegistry jobs;
    library::Listings listings{jobs, drives};
    std::atomic_bool firstRowSeen{false};
    std::atomic_bool release{false};
    QObject::connect(&listings.results(), &library::ResultList::countChanged, &listings,
                     [&](int rows) { firstRowSeen = firstRowSeen || rows > 0; });
    std::int64_t finishedWith = -1;
    listings.startListing();
    listings.runThreaded(
        QStringLiteral("正 在 搜 索 ..."),
        [&](library::HitSink& sink) {
            sink.add("E:\\a.mp3");
            while (!release) QThread::msleep(1);  // the walk is still running
            sink.add("E:\\late.mp3");
        },
        [&](std::int64_t hits) { finishedWith = hits; });
    EXPECT_FALSE(listings.searchEnabled());
    for (int i = 0; i < 200 && !firstRowSeen; ++i) QTest::qWait(5);
    EXPECT_TRUE(firstRowSeen);  // shown before the walk ended
    EXPECT_EQ(listings.results().count(), 1);

    // A new listing takes over: the old one's rows and its finish no longer count.
    listings.startListing();
    release = true;
    // The walk's last batch and its finish are posted before its job ends.
    ASSERT_TRUE(listings.waitUntil(std::chrono::steady_clock::now() + std::chrono::seconds(2)));
    QCoreApplication::processEvents();
    EXPECT_EQ(listings.results().count(), 0);
    EXPECT_EQ(finishedWith, -1);
}

// A library on two drives and a search controller over it, as the station wires it.
class Search : public ::testing::Test {
protected:
    void SetUp() override {
        s.mapDrives({{'E', "e"}, {'F', "f"}});
        drives = {"E", "F", "", "", "", ""};
        for (const char* name : {"1-音乐/3021歌手-歌名.mp3", "1-音乐/13021x.mp3", "1-音乐/中国风-好日子.mp3",
                                 "1-音乐/中华国际风云.mp3", "1-音乐/中国风.wma", "1-音乐/新增歌曲/3021新歌.mp3",
                                 "2-MTV/中国风.3gp", "2-MTV/中国风.mp3",
                                 "4-连续剧/天龙八部01.mp4", "4-连续剧/天龙八部/天龙八部01.mp4",
                                 "4-连续剧/天龙八部/天龙八部02.rmvb", "4-连续剧/天龙八部/花絮/片花.mp4",
                                 "4-连续剧/其他/天龙.mp4"})
            s.write(std::string("e/Brask搜歌库/") + name);
        s.write("f/Brask搜歌库/1-音乐/3021F盘.mp3");
        s.write("f/Brask搜歌库/4-连续剧/新天龙八部/第1集.mp4");
    }

    std::vector<std::string> run(const QString& text, int tab) {
        controller.selectTab(tab);
        controller.setText(text);
        QSignalSpy done(&controller, &SearchController::finished);
        if (!controller.start()) return {};
        EXPECT_TRUE(done.wait(3000));
        std::vector<std::string> rows;
        for (int i = 0; i < listings.results().count(); ++i) rows.push_back(listings.results().path(i));
        return rows;
    }

    Scratch s;
    library::LibraryDrives drives;
    SearchPatterns patterns = SearchPatterns::warmUp();
    library::Listings listings{s.jobs(), s.drives()};
    player::CuePlayer cues{QString::fromStdString(s.at("按键音乐/"))};
    SearchController controller{listings, cues, drives, patterns};
};

TEST_F(Search, KeywordOnTheMusicTabInWalkOrderAcrossDrives) {
    EXPECT_EQ(run(QStringLiteral("中国风"), 0),
              (std::vector<std::string>{"E:\\Brask搜歌库\\1-音乐\\中华国际风云.mp3",
                                        "E:\\Brask搜歌库\\1-音乐\\中国风-好日子.mp3"}));
    EXPECT_EQ(patterns.walkPattern(), "*中*国*风**.mp3");
    EXPECT_EQ(run(QStringLiteral("3021"), 0),
              (std::vector<std::string>{"E:\\Brask搜歌库\\1-音乐\\13021x.mp3",
                                        "E:\\Brask搜歌库\\1-音乐\\3021歌手-歌名.mp3",
                                        "E:\\Brask搜歌库\\1-音乐\\新增歌曲\\3021新歌.mp3",
                                        "F:\\Brask搜歌库\\1-音乐\\3021F盘.mp3"}));
    EXPECT_EQ(cues.pending(), core::Cues::Found);
    EXPECT_TRUE(run(QStringLiteral("没有这首"), 0).empty());
    EXPECT_EQ(cues.pending(), core::Cues::Error);
}

TEST_F(Search, TheMp3PatternStaysUntilTheTabStripIsPressed) {
    run(QStringLiteral("中国风"), 0);
    // To tab 1 by keyboard: the extension pattern of tab 0 is kept.
    EXPECT_EQ(run(QStringLiteral("中国风"), 1),
              (std::vector<std::string>{"E:\\Brask搜歌库\\2-MTV\\中国风.mp3"}));
    controller.tabPressed();
    EXPECT_EQ(patterns.extension, "*.*");
    EXPECT_EQ(run(QStringLiteral("中国风"), 1),
              (std::vector<std::string>{"E:\\Brask搜歌库\\2-MTV\\中国风.3gp",
                                        "E:\\Brask搜歌库\\2-MTV\\中国风.mp3"}));
}

TEST_F(Search, SeriesFoldersOnTheSeriesTab) {
    EXPECT_EQ(run(QStringLiteral("天龙"), 3),
              (std::vector<std::string>{"E:\\Brask搜歌库\\4-连续剧\\天龙八部\\天龙八部01.mp4",
                                        "E:\\Brask搜歌库\\4-连续剧\\天龙八部\\天龙八部02.rmvb",
                                        "E:\\Brask搜歌库\\4-连续剧\\天龙八部\\花絮\\片花.mp4",
                                        "F:\\Brask搜歌库\\4-连续剧\\新天龙八部\\第1集.mp4"}));
    EXPECT_EQ(patterns.keyword, "天龙");
}

TEST_F(Search, BarredTextsAreRefusedAndLeaveTheControlsIdle) {
    QSignalSpy refused(&controller, &SearchController::refused);
    for (const char* text : {"12", "mp3", "a"}) {
        controller.setText(QString::fromUtf8(text));
        EXPECT_FALSE(controller.start()) << text;
    }
    ASSERT_EQ(refused.size(), 3);
    EXPECT_EQ(refused[0][0].toString(), QStringLiteral("对不起,此字符被禁搜"));
    EXPECT_EQ(listings.results().count(), 0);
    EXPECT_EQ(listings.readyText(), QStringLiteral("就绪！"));
    EXPECT_EQ(listings.seconds(), 0);
    EXPECT_FALSE(listings.findChild<QTimer*>(QStringLiteral("Timer13"))->isActive());
    EXPECT_TRUE(listings.searchEnabled());
    EXPECT_TRUE(controller.history().isEmpty());
}

TEST_F(Search, LabelsCounterAndCountAroundASearch) {
    QSignalSpy ready(&listings, &library::Listings::readyTextChanged);
    QSignalSpy count(&listings.results(), &library::ResultList::countChanged);
    listings.setSeconds(7);
    controller.setText(QStringLiteral("3021"));
    ASSERT_TRUE(controller.start());
    EXPECT_EQ(listings.readyText(), QStringLiteral("正 在 搜 索 ..."));
    EXPECT_EQ(listings.seconds(), 0);
    EXPECT_TRUE(listings.findChild<QTimer*>(QStringLiteral("Timer13"))->isActive());
    EXPECT_FALSE(listings.searchEnabled());
    EXPECT_FALSE(controller.start());  // one search at a time
    QSignalSpy done(&controller, &SearchController::finished);
    ASSERT_TRUE(done.wait(3000));
    EXPECT_EQ(listings.readyText(), QStringLiteral("就绪！"));
    EXPECT_FALSE(listings.findChild<QTimer*>(QStringLiteral("Timer13"))->isActive());
    EXPECT_TRUE(listings.searchEnabled());
    EXPECT_EQ(count.last()[0].toInt(), 4);
    EXPECT_EQ(listings.results().count(), 4);
}

TEST_F(Search, HistoryGrowsInKeywordModeAndATrimTakesBackTheLastKeyword) {
    run(QStringLiteral("中国风"), 0);
    run(QStringLiteral("3021"), 0);
    EXPECT_EQ(controller.history(), (QStringList{QStringLiteral("中国风"), QStringLiteral("3021")}));
    controller.trimHistory();  // a copy followed the last keyword search
    EXPECT_EQ(controller.history(), QStringList{QStringLiteral("中国风")});
    controller.trimHistory();  // the count no longer matches: nothing more goes
    EXPECT_EQ(controller.history(), QStringList{QStringLiteral("中国风")});

    controller.setNumberMode(true);
    EXPECT_EQ(controller.text(), QStringLiteral("这里输入查找编号"));
    run(QStringLiteral("3021"), 0);
    EXPECT_EQ(controller.history().size(), 1);  // number searches are not remembered
    controller.setNumberMode(false);
    EXPECT_EQ(controller.text(), QStringLiteral("这里输入查找关键字"));
}

}  // namespace
}  // namespace zorvik::search

namespace zorvik::app {
namespace {

using testing::Scratch;

class StationSearch : public ::testing::Test {
protected:
    void SetUp() override {
        s.write("e/Brask搜歌库/1-音乐/3021歌手-歌名bk2009.mp3", "x");
        s.write("e/Brask搜歌库/1-音乐/3021歌手-别的.mp3", "y");
        s.write("prog/数据文件/Corlen.ini",
                platform::utf8ToGb18030("[Drives]\r\nD=" + s.makeFolder("d") + "\r\nE=" + s.at("e") +
                                        "\r\n[PanFu1]\r\nPanFu1=E\r\n"));
        QSignalSpy started(&station, &Station::startupFinished);
        station.create();
        station.firstShow();
        ASSERT_TRUE(started.wait(2000));
        QSignalSpy warm(&station, &Station::warmUpFinished);
        if (station.listings().walking()) {
            ASSERT_TRUE(warm.wait(2000));
        }
    }

    Scratch s;
    Station station{core::ProgramFolders::at(s.at("prog"))};
};

TEST_F(StationSearch, NumberModeSelectsTheFirstHitAndAddsItTenMillisecondsLater) {
    station.search().setNumberMode(true);
    station.search().setText(QStringLiteral("3021"));
    QSignalSpy done(&station.search(), &search::SearchController::finished);
    ASSERT_TRUE(station.search().start());
    ASSERT_TRUE(done.wait(3000));
    EXPECT_EQ(station.resultSelection().selectedRows().size(), 1);
    EXPECT_EQ(station.resultSelection().selectedRows().first().row(), 0);
    EXPECT_EQ(station.currentItem(), station.results().path(0));
    EXPECT_EQ(station.cues().pending(), core::Cues::Select);  // no search cue in number mode
    EXPECT_EQ(station.orderBook().rows().count(), 0);  // not at once: 10 ms later, as a double-click
    for (int i = 0; i < 100 && station.orderBook().rows().count() == 0; ++i) QTest::qWait(5);
    ASSERT_EQ(station.orderBook().rows().count(), 1);
    EXPECT_EQ(station.orderBook().rows().entry(0), station.results().path(0));
    EXPECT_EQ(station.cues().pending(), core::Cues::Copied);
}

TEST_F(StationSearch, SyncDownloadCopiesTheCurrentItemEvenWhenAlreadyListedAndBatchAddTurnsItOff) {
    station.search().setText(QStringLiteral("3021"));
    QSignalSpy done(&station.search(), &search::SearchController::finished);
    ASSERT_TRUE(station.search().start());
    ASSERT_TRUE(done.wait(3000));
    auto& selection = station.resultSelection();
    selection.select(QItemSelection(station.results().index(0, 0), station.results().index(1, 0)),
                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    station.makeResultCurrent(1);

    station.setSyncDownload(true);
    station.addSelectedResults();
    EXPECT_EQ(station.orderBook().rows().count(), 2);
    EXPECT_EQ(station.activeLane().immediateAdded(), 1);  // only the current item goes at once
    station.addSelectedResults();  // both already listed: still copied
    EXPECT_EQ(station.orderBook().rows().count(), 2);
    EXPECT_EQ(station.activeLane().immediateAdded(), 2);

    station.batchAddResults();
    EXPECT_FALSE(station.syncDownload());
    EXPECT_EQ(station.activeLane().immediateAdded(), 2);
    EXPECT_EQ(station.cues().pending(), core::Cues::Copied);  // the add's cue is the one heard
}

TEST_F(StationSearch, RenameKeepsMarkerAndExtensionAndTheRowFollowsTheFile) {
    station.search().setText(QStringLiteral("3021"));
    QSignalSpy done(&station.search(), &search::SearchController::finished);
    ASSERT_TRUE(station.search().start());
    ASSERT_TRUE(done.wait(3000));
    ASSERT_EQ(station.results().count(), 2);
    const int prefixed = station.results().path(0).find("bk2009") != std::string::npos ? 0 : 1;

    auto renamed = station.renameResult(prefixed, "新名");
    ASSERT_TRUE(renamed);
    EXPECT_EQ(*renamed, "E:\\Brask搜歌库\\1-音乐\\新名bk2009.mp3");
    EXPECT_TRUE(std::filesystem::exists(s.at("e/Brask搜歌库/1-音乐/新名bk2009.mp3")));
    EXPECT_EQ(station.results().path(prefixed), *renamed);
    EXPECT_EQ(station.results().data(station.results().index(prefixed, 0), Qt::DisplayRole).toString(),
              QStringLiteral("新名"));

    // Names Windows refused never reach the disk: "..\..\..\x" would have
    // moved the file out of the drive.
    const int other = 1 - prefixed;
    for (const char* refused : {"..\\..\\..\\x", "a/b", "x:y", "two\nlines", "..", ".", "", "\xB8\xE8"})
        EXPECT_FALSE(station.renameResult(other, refused)) << refused;
    EXPECT_EQ(library::renameRefusal("..\\x"), library::kRefusedCharactersMessage);
    EXPECT_EQ(library::renameRefusal(".."), library::kNameMissingMessage);
    EXPECT_EQ(library::renameRefusal("新名 (2)"), "");
    EXPECT_FALSE(std::filesystem::exists(s.at("x.mp3")));
    EXPECT_TRUE(std::filesystem::exists(s.at("e/Brask搜歌库/1-音乐/3021歌手-别的.mp3")));

    // Onto a name that exists: nothing moves, the row keeps naming the file it had.
    const std::string before = station.results().path(other);
    EXPECT_FALSE(station.renameResult(other, "新名bk2009"));
    EXPECT_EQ(station.results().path(other), before);
    EXPECT_TRUE(std::filesystem::exists(s.at("e/Brask搜歌库/1-音乐/3021歌手-别的.mp3")));
}

}  // namespace
}  // namespace zorvik::app
