#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "app/station.h"
#include "library/hotlist.h"
#include "library/listing.h"
#include "library/readylistings.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "player/cueplayer.h"
#include "support/fixture.h"

namespace zorvik::library {
namespace {

using testing::Scratch;
namespace fs = std::filesystem;

std::string fileLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return platform::utf8ToGb18030(text);
}

class Hot : public ::testing::Test {
protected:
    void SetUp() override { s.mapDrives({{'E', "e"}}); }

    std::string file() const { return s.at("热门推荐.txt"); }
    void loadFrom(const std::vector<std::string>& lines) {
        s.write("热门推荐.txt", fileLines(lines));
        hot.load(file());
    }

    Scratch s;
    HotList hot{s.jobs(), s.errors()};
};

// The hot list grows with every file ever copied: a list past the 1 MB of
// the other data files still loads, and is written back.
TEST_F(Hot, AListOfYearsLargerThanTheOtherDataFilesLoads) {
    std::vector<std::string> lines;
    for (int i = 0; i < 25000; ++i)
        lines.push_back("001C,E:\\Brask搜歌库\\1-音乐\\" + std::to_string(100000 + i) + "歌手-歌名.mp3");
    loadFrom(lines);
    ASSERT_EQ(hot.lines().size(), lines.size());
    hot.increment(lines.front().substr(5));
    EXPECT_EQ(platform::readFileLines(file(), std::int64_t{16} << 20)->size(), lines.size());
}

TEST_F(Hot, CountLinesAreWrittenInPlainDigitsAndOldSeparatorsReadAsTheirNumber) {
    EXPECT_EQ(hotLineOf(1, "E:\\a.mp3"), "001C,E:\\a.mp3");
    EXPECT_EQ(hotLineOf(999, "p"), "999C,p");
    EXPECT_EQ(hotLineOf(1000, "p"), "1000C,p");
    EXPECT_EQ(hotCountOf("012C,E:\\C,d.mp3"), 12);
    EXPECT_EQ(hotCountOf("1,203C,E:\\x.mp3"), 1203);
    EXPECT_EQ(hotCountOf("1.203.004C,x"), 1203004);
    const auto parts = splitHotLine("012C,E:\\歌\\C,d.mp3");
    EXPECT_EQ(parts.prefix, "012C,");
    EXPECT_EQ(parts.path, "E:\\歌\\C,d.mp3");
    EXPECT_EQ(splitHotLine("garbled").path, "garbled");

    loadFrom({"1,203C,E:\\x\\old.mp3", "002C,E:\\x\\b.mp3"});
    hot.increment("E:\\x\\old.mp3");
    // On disk at once, before any close.
    EXPECT_EQ(testing::readFile(file()), fileLines({"002C,E:\\x\\b.mp3", "1204C,E:\\x\\old.mp3"}));
}

TEST_F(Hot, TheWholePathDecidesWhichLineCountsUp) {
    // The .bak line stands first; counting a.mp3 must not raise it.
    loadFrom({"002C,E:\\x\\a.mp3", "001C,E:\\x\\a.mp3.bak"});
    ASSERT_EQ(hot.lines().front(), "001C,E:\\x\\a.mp3.bak");
    hot.increment("E:\\x\\a.mp3");
    EXPECT_EQ(hot.lines(), (std::vector<std::string>{"001C,E:\\x\\a.mp3.bak", "003C,E:\\x\\a.mp3"}));
    hot.increment("E:\\x\\a.mp");  // a new file: a new line at its sorted place
    EXPECT_EQ(hot.lines(),
              (std::vector<std::string>{"001C,E:\\x\\a.mp", "001C,E:\\x\\a.mp3.bak", "003C,E:\\x\\a.mp3"}));
    hot.increment("");  // no current item: nothing to count
    EXPECT_EQ(hot.lines().size(), 3u);
}

TEST_F(Hot, AMissingFileIsCreatedEmptyAndADeletedOneIsNotWrittenAgain) {
    hot.load(file());
    ASSERT_TRUE(fs::exists(file()));
    EXPECT_EQ(fs::file_size(file()), 0u);
    EXPECT_TRUE(hot.empty());
    hot.increment("E:\\a.mp3");
    EXPECT_EQ(testing::readFile(file()), fileLines({"001C,E:\\a.mp3"}));
    fs::remove(file());
    hot.increment("E:\\a.mp3");
    EXPECT_TRUE(hot.saveIfFileExists());
    EXPECT_FALSE(fs::exists(file()));
}

TEST_F(Hot, ALineThatDoesNotDecodeKeepsItsBytesThroughEveryCount) {
    const std::string bad = "005C,E:\\\xFF\x80\xFE坏.mp3";  // not GB18030
    s.write("热门推荐.txt", fileLines({"001C,E:\\a.mp3"}) + bad + "\r\n");
    hot.load(file());
    ASSERT_EQ(hot.lines().size(), 2u);
    hot.increment("E:\\a.mp3");
    const std::string written = testing::readFile(file());
    EXPECT_NE(written.find(bad + "\r\n"), std::string::npos);
    EXPECT_NE(written.find(platform::utf8ToGb18030("002C,E:\\a.mp3\r\n")), std::string::npos);
    EXPECT_EQ(written.size(), bad.size() + 2 + platform::utf8ToGb18030("002C,E:\\a.mp3\r\n").size());
}

TEST_F(Hot, ABackgroundLoadSortsAsALoadAndKeepsCountsMadeBeforeItIsIn) {
    const std::vector<std::string> lines = {"002C,E:\\歌\\b.mp3", "", "007C,E:\\歌\\a.mp3", "001C,E:\\z.wma"};
    s.write("热门推荐.txt", fileLines(lines));
    s.write("同样.txt", fileLines(lines));

    // Counted while the job runs: added once the list is in, as if counted after a load.
    hot.loadInBackground(file());
    hot.increment("E:\\歌\\a.mp3");
    hot.increment("E:\\new.mp3");
    QSignalSpy changed(&hot, &HotList::changed);
    if (hot.loading()) {
        ASSERT_TRUE(changed.wait(5000));
    }
    EXPECT_FALSE(hot.loading());
    HotList direct{s.jobs(), s.errors()};
    direct.load(s.at("同样.txt"));
    direct.increment("E:\\歌\\a.mp3");
    direct.increment("E:\\new.mp3");
    const std::vector<std::string> expected = direct.lines();
    ASSERT_EQ(expected.size(), 4u);
    EXPECT_EQ(hot.lines(), expected);
    EXPECT_EQ(testing::readFile(file()), fileLines(expected));

    // A close before the job is done waits for it rather than losing the list or a count.
    HotList closing{s.jobs(), s.errors()};
    closing.loadInBackground(file());
    closing.increment("E:\\z.wma");
    EXPECT_TRUE(closing.saveIfFileExists());
    EXPECT_FALSE(closing.loading());
    EXPECT_EQ(closing.lines().size(), expected.size());
    EXPECT_NE(testing::readFile(file()).find(platform::utf8ToGb18030("002C,E:\\z.wma")), std::string::npos);
}

TEST_F(Hot, BaiSTimerCountsEveryRequestedFileOnceWithOneSaveForABurst) {
    auto* timer = hot.findChild<QTimer*>(QStringLiteral("BaiSTimer"));
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 20);
    EXPECT_TRUE(timer->isSingleShot());
    hot.load(file());
    QSignalSpy changed(&hot, &HotList::changed);
    hot.requestCount(QStringLiteral("E:\\3101.mp3"));
    hot.requestCount(QStringLiteral("E:\\3102.mp3"));
    hot.requestCount(QStringLiteral("E:\\3101.mp3"));
    ASSERT_TRUE(changed.wait(1000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(timer->isActive());  // no second count waits
    EXPECT_EQ(changed.size(), 1);
    // A count stays where its line stood.
    const std::vector<std::string> expected = {"002C,E:\\3101.mp3", "001C,E:\\3102.mp3"};
    EXPECT_EQ(hot.lines(), expected);
    EXPECT_EQ(testing::readFile(file()), fileLines(expected));
}

// A shop that has counted past 999: 1204 ranks above 150, and a count at the
// stated maximum stays there instead of growing a digit.
TEST_F(Hot, CountsStopAtTheirMaximumAndTheRankingOrdersThemAsNumbers) {
    const std::string top = std::to_string(kHotCountMaximum) + "C,E:\\top.mp3";
    loadFrom({"150C,E:\\a.mp3", "1204C,E:\\b.mp3", top, "009C,E:\\d.mp3", "1,300C,E:\\e.mp3",
              "150C,E:\\f.mp3"});
    hot.increment("E:\\top.mp3");
    EXPECT_NE(std::find(hot.lines().begin(), hot.lines().end(), top), hot.lines().end());
    EXPECT_EQ(hotCountOf("123456789012345678901234C,E:\\x.mp3"), kHotCountMaximum);

    Listings listings{s.jobs(), s.drives()};
    player::CuePlayer cues{QString::fromStdString(s.at("按键音乐/"))};
    LibraryDrives drives{"E", "", "", "", "", ""};
    ReadyListings ready(listings, cues, drives, hot);
    ASSERT_TRUE(ready.showHotRanking());
    std::vector<std::string> ranked;
    for (int row = 0; row < listings.results().count(); ++row) ranked.push_back(listings.results().path(row));
    // Equal counts: reverse path order, as before.
    EXPECT_EQ(ranked, (std::vector<std::string>{"E:\\top.mp3", "E:\\e.mp3", "E:\\b.mp3", "E:\\f.mp3",
                                                "E:\\a.mp3", "E:\\d.mp3"}));
}

TEST_F(Hot, TheRankingShowsMostCopiedFirstTiesInReversePathOrder) {
    s.write("e/歌/m.mp3", std::string(6 * 1024, 'x'));  // a 6 KB ringtone
    s.write("e/歌/a.mp3", std::string(30000, 'x'));
    s.write("e/歌/b.wma", "x");
    loadFrom({"002C,E:\\歌\\b.wma", "005C,E:\\歌\\gone.mp3", "002C,E:\\歌\\a.mp3", "", "010C,E:\\歌\\mbk2009.mp3"});
    s.write("e/歌/mbk2009.mp3", std::string(6 * 1024, 'x'));

    Listings listings{s.jobs(), s.drives()};
    player::CuePlayer cues{QString::fromStdString(s.at("按键音乐/"))};
    LibraryDrives drives{"E", "", "", "", "", ""};
    ReadyListings ready(listings, cues, drives, hot);
    ASSERT_TRUE(ready.showHotRanking());
    auto& results = listings.results();
    ASSERT_EQ(results.count(), 4);
    EXPECT_EQ(results.source(), ResultList::Source::HotView);
    auto cellText = [&results](int row, int column) {
        return results.data(results.index(row, column), Qt::DisplayRole).toString();
    };
    const QString names[] = {QStringLiteral("010C,m"), QStringLiteral("005C,gone"), QStringLiteral("002C,b"),
                             QStringLiteral("002C,a")};
    const QString sizes[] = {QStringLiteral("0.00"), QStringLiteral("不存在"), QStringLiteral("0.00"),
                             QStringLiteral("0.02")};
    // Sizes are read on a job once a row is drawn: blank until then.
    for (int row = 0; row < 4; ++row) EXPECT_EQ(cellText(row, ResultList::Size), QString());
    for (int i = 0; i < 500 && cellText(3, ResultList::Size).isEmpty(); ++i) QTest::qWait(10);
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(cellText(row, ResultList::Name), names[row]);
        EXPECT_EQ(cellText(row, ResultList::Size), sizes[row]);
        EXPECT_EQ(cellText(row, ResultList::Number), QString::number(row + 1));
    }
    EXPECT_EQ(cellText(2, ResultList::Type), QStringLiteral("wma"));
    // The path behind a row is the line less its count.
    EXPECT_EQ(results.path(0), "E:\\歌\\mbk2009.mp3");
    EXPECT_EQ(results.line(0), "010C,E:\\歌\\mbk2009.mp3");
    EXPECT_EQ(cues.pending(), core::Cues::Select);

    // Nothing to rank: the message, and the list stays as it was.
    HotList none{s.jobs(), s.errors()};
    ReadyListings empty(listings, cues, drives, none);
    QSignalSpy message(&empty, &ReadyListings::message);
    EXPECT_FALSE(empty.showHotRanking());
    ASSERT_EQ(message.size(), 1);
    EXPECT_EQ(message[0][0].toString(), QStringLiteral("对不起，目前还没有记录"));
    EXPECT_EQ(results.count(), 4);
    EXPECT_EQ(results.source(), ResultList::Source::HotView);

    // The next listing is search results again.
    listings.startListing();
    EXPECT_EQ(results.source(), ResultList::Source::SearchResults);
}

}  // namespace
}  // namespace zorvik::library

namespace zorvik::app {
namespace {

using testing::Scratch;

// A station on a library on E:, copying into the local download folder on D:.
class StationHot : public ::testing::Test {
protected:
    void SetUp() override {
        s.write("e/Brask搜歌库/1-音乐/歌.mp3", std::string(5000, 's'));
        s.write("e/Brask搜歌库/1-音乐/别的.mp3", "y");
        s.write("prog/数据文件/热门推荐.txt",
                platform::utf8ToGb18030("003C,E:\\Brask搜歌库\\1-音乐\\别的.mp3\r\n"));
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

    // True while a count is waiting for BaiSTimer.
    bool countPending() {
        QCoreApplication::processEvents();
        return station.hotList().findChild<QTimer*>(QStringLiteral("BaiSTimer"))->isActive();
    }

    // Waits for the line of `path` to show `count`.
    bool counted(const std::string& path, const std::string& count) {
        for (int i = 0; i < 200; ++i) {
            for (const auto& line : station.hotList().lines())
                if (line == count + "C," + path) return true;
            QTest::qWait(5);
        }
        return false;
    }

    Scratch s;
    Station station{core::ProgramFolders::at(s.at("prog"))};
    const std::string song = "E:\\Brask搜歌库\\1-音乐\\歌.mp3";
};

TEST_F(StationHot, EachImmediateCopyCountsItsFileAndABatchCountsNothing) {
    auto& lane = station.activeLane();
    station.setCurrentItem(song);
    for (int n = 1; n <= 5; ++n) {
        QSignalSpy done(&lane, &orders::CopyLane::immediateFinished);
        lane.queueImmediate(song);
        ASSERT_TRUE(done.wait(3000));
        ASSERT_TRUE(counted(song, "00" + std::to_string(n))) << n;
        if (n == 1) {
            EXPECT_EQ(testing::readFile(s.at("prog/数据文件/热门推荐.txt")),
                      platform::utf8ToGb18030("001C," + song + "\r\n003C,E:\\Brask搜歌库\\1-音乐\\别的.mp3\r\n"));
        }
    }
    ASSERT_TRUE(std::filesystem::exists(s.at("d/歌曲下载/歌.mp3")));

    const auto before = station.hotList().lines();
    station.orderBook().add({song});
    station.orderBook().selectAll(false);
    QSignalSpy batch(&lane, &orders::CopyLane::batchFinished);
    station.downloadSelected();
    ASSERT_TRUE(batch.wait(3000));
    EXPECT_FALSE(countPending());
    EXPECT_EQ(station.hotList().lines(), before);
}

// Numbers keyed in fast: each is queued while the one before still copies,
// and by the time the copies end another row is current. Each copied file
// counts once; the current item, never copied, not at all.
TEST_F(StationHot, FastNumberEntryCountsTheFilesCopiedNotTheCurrentItem) {
    std::vector<std::string> songs;
    for (int n = 3101; n <= 3104; ++n) {
        songs.push_back("E:\\Brask搜歌库\\1-音乐\\" + std::to_string(n) + ".mp3");
        s.write("e/Brask搜歌库/1-音乐/" + std::to_string(n) + ".mp3", std::string(2 << 20, 'm'));
    }
    auto& lane = station.activeLane();
    QSignalSpy done(&lane, &orders::CopyLane::immediateFinished);
    for (int i = 0; i < 3; ++i) {
        station.setCurrentItem(songs[static_cast<size_t>(i)]);
        lane.queueImmediate(songs[static_cast<size_t>(i)]);
    }
    station.setCurrentItem(songs[3]);
    ASSERT_TRUE(done.wait(10000));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(counted(songs[static_cast<size_t>(i)], "001")) << i;
    EXPECT_FALSE(countPending());
    for (const auto& line : station.hotList().lines()) EXPECT_EQ(line.find(songs[3]), std::string::npos) << line;
}

TEST_F(StationHot, HotViewRowsGiveTheirPathToTheOrderListAndTheCurrentItem) {
    station.hotList().increment(song);  // now 001 for 歌, 003 for 别的
    ASSERT_TRUE(station.readyListings().showHotRanking());
    const std::string other = "E:\\Brask搜歌库\\1-音乐\\别的.mp3";
    EXPECT_EQ(station.currentItem(), other);  // the first hot view line's path
    auto& selection = station.resultSelection();
    selection.select(QItemSelection(station.results().index(0, 0), station.results().index(1, 0)),
                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    station.addSelectedResults();
    ASSERT_EQ(station.orderBook().rows().count(), 2);
    EXPECT_EQ(station.orderBook().rows().entry(0), other);
    EXPECT_EQ(station.orderBook().rows().entry(1), song);
    station.makeResultCurrent(1);
    EXPECT_EQ(station.currentItem(), song);

    // At close the list goes back to its file.
    station.closeQuery();
    EXPECT_EQ(testing::readFile(s.at("prog/数据文件/热门推荐.txt")),
              platform::utf8ToGb18030("001C," + song + "\r\n003C," + other + "\r\n"));
}

// A file deleted for good from the ranking takes its count with it: every
// row below keeps showing its own.
TEST_F(StationHot, DeletingARankedFileLeavesEveryOtherRowItsCount) {
    const std::string fresh = "E:\\Brask搜歌库\\1-音乐\\新.mp3";
    s.write("e/Brask搜歌库/1-音乐/新.mp3", "z");
    station.hotList().increment(song);
    station.hotList().increment(song);
    station.hotList().increment(fresh);  // 003 别的, 002 歌, 001 新
    ASSERT_TRUE(station.readyListings().showHotRanking());
    auto& results = station.results();
    ASSERT_EQ(results.count(), 3);

    QSignalSpy done(&station.fileManager(), &storage::FileManager::changeDone);
    station.resultSelection().select(results.index(0, 0),
                                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    station.deleteResultForGood();
    ASSERT_TRUE(done.wait(2000));
    EXPECT_FALSE(std::filesystem::exists(s.at("e/Brask搜歌库/1-音乐/别的.mp3")));

    const QString names[] = {QStringLiteral("002C,歌"), QStringLiteral("001C,新")};
    const std::string lines[] = {"002C," + song, "001C," + fresh};
    ASSERT_EQ(results.count(), 2);
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(results.data(results.index(row, library::ResultList::Name), Qt::DisplayRole).toString(),
                  names[row]);
        EXPECT_EQ(results.line(row), lines[row]);
    }
}

}  // namespace
}  // namespace zorvik::app
