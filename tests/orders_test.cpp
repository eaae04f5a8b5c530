#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "core/prefixed.h"
#include "orders/copyjob.h"
#include "orders/copylane.h"
#include "orders/orderbook.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "player/cueplayer.h"
#include "support/devices.h"
#include "support/fixture.h"

namespace zorvik::orders {
namespace {

using testing::Scratch;
namespace fs = std::filesystem;

class Orders : public ::testing::Test {
protected:
    void SetUp() override { s.mapDrives({{'D', "d"}, {'E', "e"}, {'G', "phone"}}); }
    std::string data() const { return s.at("data") + "/"; }
    std::vector<std::string> paths(int n, const char* stem = "E:\\Brask搜歌库\\1-音乐\\") const {
        std::vector<std::string> out;
        for (int i = 0; i < n; ++i) out.push_back(stem + std::to_string(3000 + i) + ".mp3");
        return out;
    }
    Scratch s;
    player::CuePlayer cues{QString::fromStdString(s.at("cues/"))};
};

TEST_F(Orders, AddTakesUpTo200AtOnceAndTheWholePathDecidesDuplicates) {
    s.makeFolder("data");
    OrderBook book(s.jobs(), s.drives(), s.errors(), data(), cues);
    QSignalSpy message(&book, &OrderBook::message);
    EXPECT_EQ(book.add(paths(201)), OrderBook::AddResult::TooMany);
    EXPECT_EQ(message.size(), 1);
    EXPECT_EQ(message[0][0].toString(), QStringLiteral("对不起，一次下载的数量不能大于200"));
    EXPECT_EQ(book.rows().count(), 0);

    EXPECT_EQ(book.add(paths(200)), OrderBook::AddResult::Added);
    EXPECT_EQ(book.rows().count(), 200);
    EXPECT_EQ(cues.pending(), core::Cues::Copied);
    EXPECT_EQ(book.add({paths(1)[0]}), OrderBook::AddResult::NothingNew);
    // a.mp3 is a file of its own even when a.mp3.bak beside it is listed.
    book.add({"E:\\x\\a.mp3.bak"});
    EXPECT_EQ(book.add({"E:\\x\\a.mp3"}), OrderBook::AddResult::Added);
    EXPECT_EQ(book.rows().count(), 202);
}

TEST_F(Orders, RowsShowNameTypeAndSizeAlikeWhenAddedAndWhenLoaded) {
    s.write("e/film.rmvb", std::string(20480, 'f'));
    s.makeFolder("data");
    auto check = [](OrderRows& rows) {
        // The sizes come from a job.
        for (int i = 0; i < 500 && rows.sizing(); ++i) QTest::qWait(10);
        EXPECT_EQ(rows.data(rows.index(0, OrderRows::Name), Qt::DisplayRole).toString(), QStringLiteral("film"));
        EXPECT_EQ(rows.data(rows.index(0, OrderRows::Type), Qt::DisplayRole).toString(), QStringLiteral("rmvb"));
        EXPECT_EQ(rows.data(rows.index(0, OrderRows::Size), Qt::DisplayRole).toString(), QStringLiteral("0.02"));
        EXPECT_EQ(rows.data(rows.index(1, OrderRows::Size), Qt::DisplayRole).toString(), QStringLiteral("0.00"));
    };
    {
        OrderBook book(s.jobs(), s.drives(), s.errors(), data(), cues);
        book.loadFirstList();
        book.add({"E:\\film.rmvb", "E:\\gone歌.mp3"});
        check(book.rows());
    }  // the add saved the list
    EXPECT_EQ(testing::readFile(s.at("data/清单1.txt")),
              platform::utf8ToGb18030("E:\\film.rmvb\r\nE:\\gone歌.mp3\r\n"));
    OrderBook restarted(s.jobs(), s.drives(), s.errors(), data(), cues);
    restarted.loadFirstList();
    check(restarted.rows());

    // Closed, or a search started, before the start-up timer read the list: the file stays.
    OrderBook early(s.jobs(), s.drives(), s.errors(), data(), cues);
    ASSERT_TRUE(early.saveActiveIfItHasAFile());
    ASSERT_TRUE(early.saveActive());
    EXPECT_EQ(testing::readFile(s.at("data/清单1.txt")),
              platform::utf8ToGb18030("E:\\film.rmvb\r\nE:\\gone歌.mp3\r\n"));
}

TEST_F(Orders, SwitchingSavesTheListLeftAndLoadsTheOneChosen) {
    s.makeFolder("data");
    OrderBook book(s.jobs(), s.drives(), s.errors(), data(), cues);
    book.loadFirstList();
    book.add(paths(2));
    QSignalSpy tally(&book, &OrderBook::tallyRequested);
    book.switchTo(3);
    EXPECT_EQ(book.active(), 3);
    EXPECT_EQ(book.rows().count(), 0);  // no file: an empty list, and no file made yet
    EXPECT_FALSE(fs::exists(s.at("data/清单3.txt")));
    EXPECT_EQ(cues.pending(), core::Cues::Select);
    ASSERT_TRUE(tally.wait(200));
    book.switchTo(1);
    EXPECT_TRUE(fs::exists(s.at("data/清单3.txt")));  // left behind: saved, empty
    EXPECT_EQ(testing::readFile(s.at("data/清单3.txt")), "");
    EXPECT_EQ(book.rows().entries(), paths(2));
}

// Each change reaches the list file at once; a list file whose list did not
// change is never written, and lines that do not decode keep their bytes.
TEST_F(Orders, EveryChangeIsSavedAtOnceAndUndecodableLinesKeepTheirBytes) {
    const std::string bad = "E:\\\xFF\x80\xFE坏.mp3";  // not GB18030
    const std::string original = platform::utf8ToGb18030("E:\\一.mp3\r\n") + bad + "\r\n";
    const std::string file = s.write("data/清单1.txt", original);
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    auto inode = [&file] {
        struct stat st {};
        ::stat(file.c_str(), &st);
        return st.st_ino;
    };
    OrderBook book(s.jobs(), s.drives(), s.errors(), data(), cues);
    book.loadFirstList();
    ASSERT_EQ(book.rows().count(), 2);
    EXPECT_TRUE(book.saveActive());  // a search: nothing changed, nothing written
    EXPECT_TRUE(book.saveActiveIfItHasAFile());  // the close
    EXPECT_EQ(inode(), before.st_ino);
    EXPECT_EQ(testing::readFile(file), original);

    book.add({"E:\\二.mp3"});
    EXPECT_EQ(testing::readFile(file), original + platform::utf8ToGb18030("E:\\二.mp3\r\n"));
    book.selection().select(book.rows().index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    book.deleteSelected([](const std::string&) { return std::string(); }, nullptr);
    EXPECT_EQ(testing::readFile(file), bad + "\r\n" + platform::utf8ToGb18030("E:\\二.mp3\r\n"));
    book.clear();
    EXPECT_EQ(testing::readFile(file), "");
}

TEST_F(Orders, ClearAndDeleteSelected) {
    s.makeFolder("data");
    OrderBook book(s.jobs(), s.drives(), s.errors(), data(), cues);
    QSignalSpy tally(&book, &OrderBook::tallyRequested);
    book.clear();  // nothing there: still the cue and the tally
    EXPECT_EQ(cues.pending(), core::Cues::Deleted);
    ASSERT_TRUE(tally.wait(200));

    book.add({"E:\\a\\歌.mp3", "E:\\a\\片.mp4", "E:\\a\\客.mp3", "E:\\a\\换.mp3", "E:\\a\\留.mp3"});
    s.write("phone/Music/歌.mp3", "copy");
    s.write("phone/Music/歌.lrc", "lyrics");
    s.write("phone/Video/片.mp4", "film");
    s.write("phone/Music/客.mp3", "the customer's own");
    s.write("phone/Music/换.mp3", "replaced since");
    s.write("phone/Music/留.mp3");
    // What the list's copies wrote; 客.mp3 was on the phone before.
    auto copied = std::make_shared<CopiedFiles>();
    copied->add("G:\\Music\\歌.mp3", 4);
    copied->add("G:\\Music\\歌.lrc", 6);
    copied->add("G:\\Video\\片.mp4", 4);
    copied->add("G:\\Music\\换.mp3", 4);
    for (int row : {0, 1, 2, 3})
        book.selection().select(book.rows().index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QSignalSpy deleted(&book, &OrderBook::diskSpaceRefreshRequested);
    QSignalSpy message(&book, &OrderBook::message);
    book.deleteSelected(
        [](const std::string& entry) {
            return std::string(entry.ends_with(".mp3") ? "G:\\Music\\" : "G:\\Video\\") +
                   entry.substr(entry.rfind('\\') + 1);
        },
        copied);
    EXPECT_EQ(book.rows().entries(), (std::vector<std::string>{"E:\\a\\留.mp3"}));
    ASSERT_TRUE(deleted.wait(2000));  // the space line follows the deletions on the device
    EXPECT_FALSE(fs::exists(s.at("phone/Music/歌.mp3")));
    EXPECT_FALSE(fs::exists(s.at("phone/Music/歌.lrc")));
    EXPECT_FALSE(fs::exists(s.at("phone/Video/片.mp4")));
    EXPECT_EQ(testing::readFile(s.at("phone/Music/客.mp3")), "the customer's own");
    EXPECT_EQ(testing::readFile(s.at("phone/Music/换.mp3")), "replaced since");
    EXPECT_TRUE(fs::exists(s.at("phone/Music/留.mp3")));
    ASSERT_EQ(message.size(), 1);
    EXPECT_EQ(message[0][0].toString(), leftAloneText(2));
    EXPECT_FALSE(copied->holds("G:\\Music\\歌.mp3", 4));
    book.clear();
    EXPECT_EQ(book.rows().count(), 0);
}

// A library on E:, a phone on G:, the staging folders on D:.
class Lanes : public Orders {
protected:
    void SetUp() override {
        Orders::SetUp();
        for (int n = 1; n <= 5; ++n) s.makeFolder("d/歌曲下载/清单" + std::to_string(n));
        for (const char* f : {"Music", "Video", "Photos", "Games", "Ebook"}) s.makeFolder(std::string("phone/") + f);
    }
    std::unique_ptr<CopyLane> lane(int list) {
        auto l = std::make_unique<CopyLane>(s.jobs(), s.drives(), list, cues);
        l->setFolders({"G:\\Music", "G:\\Video", "G:\\Photos", "G:\\Games", "G:\\Ebook"});
        return l;
    }
    static void waitForBatch(CopyLane& l) {
        QSignalSpy finished(&l, &CopyLane::batchFinished);
        ASSERT_TRUE(finished.wait(5000));
    }
    std::string prefixedSong() {
        std::string content(500000, '\0');
        for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i % 253);
        s.write("e/歌bk2009.mp3", content);
        s.write("e/歌.lrc", "[00:01.00]词");
        return content.substr(407552);
    }
};

TEST_F(Lanes, ABatchCopiesWhatTheDeviceLacksAndLeavesTheRest) {
    s.write("e/一.mp3", "1");
    s.write("e/二.mp3", "2-library");
    s.write("e/三.mp4", "3");
    s.write("phone/Music/二.mp3", "2-on-phone");
    auto l = lane(1);
    QSignalSpy files(l.get(), &CopyLane::fileStarted);
    QSignalSpy failures(l.get(), &CopyLane::filesNotCopied);
    l->startBatch({"E:\\一.mp3", "E:\\二.mp3", "E:\\三.mp4"});
    waitForBatch(*l);
    EXPECT_EQ(testing::readFile(s.at("phone/Music/一.mp3")), "1");
    EXPECT_EQ(testing::readFile(s.at("phone/Music/二.mp3")), "2-on-phone");  // never overwritten
    EXPECT_EQ(testing::readFile(s.at("phone/Video/三.mp4")), "3");
    ASSERT_EQ(files.size(), 3);  // i of T for all three, the one left alone too
    for (int i = 0; i < 3; ++i) {
        auto p = files[i][0].value<CopyProgress>();
        EXPECT_FALSE(p.immediate);
        EXPECT_EQ(p.index, i + 1);
        EXPECT_EQ(p.total, 3);
        EXPECT_EQ(p.name, (QStringList{QStringLiteral("一.mp3"), QStringLiteral("二.mp3"), QStringLiteral("三.mp4")}[i]));
    }
    EXPECT_TRUE(l->doneShown());
    EXPECT_FALSE(l->progress());
    // The file the device already had is named: it may be the customer's own.
    ASSERT_EQ(failures.size(), 1);
    const auto named = failures[0][0].value<CopyFailures>();
    ASSERT_EQ(named.size(), 1);
    EXPECT_EQ(named[0].name, QStringLiteral("二.mp3"));
    EXPECT_EQ(named[0].reason, platform::CopyFailure::AlreadyThere);
    EXPECT_EQ(cues.pending(), core::Cues::Copied);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !l->running(); }, 2000));

    // Again: what the list copied itself is there as it should be; only the
    // phone's own file is named once more.
    failures.clear();
    l->startBatch({"E:\\一.mp3", "E:\\二.mp3", "E:\\三.mp4"});
    waitForBatch(*l);
    ASSERT_EQ(failures.size(), 1);
    const auto again = failures[0][0].value<CopyFailures>();
    ASSERT_EQ(again.size(), 1);
    EXPECT_EQ(again[0].name, QStringLiteral("二.mp3"));
}

TEST_F(Lanes, PrefixedSongsLandPlainWithTheirLyricsWithoutPassingThroughTheStagingFolder) {
    const std::string plain = prefixedSong();
    s.write("e/片.mp4", "v");
    s.write("e/片.lrc", "not for videos");
    auto l = lane(2);
    l->setLyrics(true);
    l->startBatch({"E:\\歌bk2009.mp3", "E:\\片.mp4"});
    EXPECT_EQ(cues.pending(), core::Cues::Select);  // lists 2 to 5 acknowledge the start
    waitForBatch(*l);
    EXPECT_EQ(testing::readFile(s.at("phone/Music/歌.mp3")), plain);
    EXPECT_EQ(plain.size(), 92448u);
    EXPECT_EQ(testing::readFile(s.at("phone/Music/歌.lrc")), "[00:01.00]词");
    EXPECT_FALSE(fs::exists(s.at("phone/Video/片.lrc")));
    EXPECT_TRUE(fs::is_empty(s.at("d/歌曲下载/清单2")));
}

TEST_F(Lanes, FilesThatCannotBeCopiedAreNamedOnceAtTheEndAndNothingOfThemIsLeft) {
    // A prefixed file shorter than its block, a FIFO (it would block an
    // ordinary open for ever), a file gone from the library, and a name of
    // 255 bytes, which copies: the temporary name beside it is short.
    s.write("e/短bk2009.mp3", "far shorter than the leading block");
    ASSERT_EQ(::mkfifo(s.at("e/管道.mp3").c_str(), 0644), 0);
    const std::string longName = [] {
        std::string n;
        while (n.size() < 249) n += "歌";
        return n + "ab.mp3";
    }();
    ASSERT_EQ(longName.size(), 255u);
    s.write("e/" + longName, "long");
    auto l = lane(3);
    QSignalSpy failures(l.get(), &CopyLane::filesNotCopied);
    l->startBatch({"E:\\短bk2009.mp3", "E:\\管道.mp3", "E:\\没有.mp3", "E:\\" + longName});
    waitForBatch(*l);
    EXPECT_EQ(testing::readFile(s.at("phone/Music/" + longName)), "long");
    EXPECT_TRUE(l->doneShown());
    ASSERT_EQ(failures.size(), 1);  // one report for the job
    const auto reported = failures[0][0].value<CopyFailures>();
    ASSERT_EQ(reported.size(), 3);
    const std::pair<QString, platform::CopyFailure> expected[] = {
        {QStringLiteral("短.mp3"), platform::CopyFailure::SourceTooShort},
        {QStringLiteral("管道.mp3"), platform::CopyFailure::NotAFile},
        {QStringLiteral("没有.mp3"), platform::CopyFailure::SourceGone},
    };
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(reported[i].name, expected[i].first) << i;
        EXPECT_EQ(reported[i].reason, expected[i].second) << i;
    }
    std::vector<std::string> onPhone;
    for (const auto& e : fs::directory_iterator(s.at("phone/Music"))) onPhone.push_back(e.path().filename().string());
    EXPECT_EQ(onPhone, std::vector<std::string>{longName});
}

TEST_F(Lanes, NoGroupFilesGoToTheLocalFolderFirstThenWhereThePreviousFileWent) {
    s.write("e/说明.doc", "doc");
    s.write("e/后.mp4", "v");
    s.write("e/又.doc", "doc2");
    s.makeFolder("d/歌曲下载");
    auto l = lane(3);
    l->startBatch({"E:\\说明.doc", "E:\\后.mp4", "E:\\又.doc"});
    waitForBatch(*l);
    EXPECT_TRUE(fs::exists(s.at("d/歌曲下载/说明.doc")));  // before any other file: the local folder
    EXPECT_TRUE(fs::exists(s.at("phone/Video/又.doc")));     // after one: that file's folder
}

// An order list line climbing out of the library drive copies nothing; the
// rest of the batch goes on.
TEST_F(Lanes, AListLineWithAParentComponentCopiesNothing) {
    s.write("passwd.txt", "root:x:0:0");
    s.write("e/Brask搜歌库/1-音乐/歌.mp3", "song");
    s.makeFolder("d/歌曲下载");
    auto l = lane(4);
    QSignalSpy failures(l.get(), &CopyLane::filesNotCopied);
    l->startBatch({"E:\\Brask搜歌库\\..\\..\\passwd.txt", "E:\\Brask搜歌库\\1-音乐\\歌.mp3"});
    waitForBatch(*l);
    EXPECT_EQ(testing::readFile(s.at("phone/Music/歌.mp3")), "song");
    for (const char* where : {"phone/Ebook/passwd.txt", "d/歌曲下载/passwd.txt", "phone/Music/passwd.txt"})
        EXPECT_FALSE(fs::exists(s.at(where))) << where;
    // The job names the line as not copied.
    ASSERT_EQ(failures.size(), 1);
    const auto named = failures[0][0].value<CopyFailures>();
    ASSERT_EQ(named.size(), 1);
    EXPECT_EQ(named[0].name, QStringLiteral("passwd.txt"));
    EXPECT_EQ(named[0].reason, platform::CopyFailure::SourceGone);
}

TEST_F(Lanes, WhileTheDevicesFoldersAreFoundTheListsCopiesWaitForThem) {
    s.write("e/a.mp3", "a");
    s.makeFolder("phone/Audio");
    auto l = lane(2);
    l->holdFolders();
    QSignalSpy finished(l.get(), &CopyLane::immediateFinished);
    l->queueImmediate("E:\\a.mp3");
    EXPECT_FALSE(finished.wait(200));
    l->setFolders({"G:\\Audio", "G:\\Video", "G:\\Photos", "G:\\Games", "G:\\Ebook"});
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_TRUE(fs::exists(s.at("phone/Audio/a.mp3")));
    EXPECT_FALSE(fs::exists(s.at("phone/Music/a.mp3")));
}

// The card is chosen, "下载" pressed while its folders are found, and the card
// pulled before they are: the list falls back to the local folder, where the
// job copies, but it names every file as not on the device, and where it went.
TEST_F(Lanes, FilesSentToTheLocalFolderAfterTheCardWentAreNamedWithWhereTheyWent) {
    s.write("e/一.mp3", "1");
    s.write("e/二.mp4", "2");
    s.makeFolder("d/歌曲下载");
    auto l = lane(2);
    l->holdFolders("G:\\");
    QSignalSpy failures(l.get(), &CopyLane::filesNotCopied);
    l->startBatch({"E:\\一.mp3", "E:\\二.mp4"});
    l->setFolders(defaultDestinationRecord());
    waitForBatch(*l);
    EXPECT_EQ(testing::readFile(s.at("d/歌曲下载/一.mp3")), "1");
    EXPECT_EQ(testing::readFile(s.at("d/歌曲下载/二.mp4")), "2");
    ASSERT_EQ(failures.size(), 1);
    const auto named = failures[0][0].value<CopyFailures>();
    ASSERT_EQ(named.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(named[i].name, (QStringList{QStringLiteral("一.mp3"), QStringLiteral("二.mp4")}[i]));
        EXPECT_EQ(named[i].storedIn, QStringLiteral("D:\\歌曲下载"));
    }
    EXPECT_EQ(l->notCopied(), 2);

    // Work asked for once the list copies to the local folder goes there as asked.
    s.write("e/三.mp3", "3");
    l->queueImmediate("E:\\三.mp3");
    QSignalSpy immediate(l.get(), &CopyLane::immediateFinished);
    ASSERT_TRUE(immediate.wait(5000));
    EXPECT_EQ(failures.size(), 1);
    EXPECT_EQ(l->notCopied(), 0);
}

TEST_F(Lanes, ImmediateCopiesQueuedTogetherAreOneJob) {
    s.write("e/a.mp3", "a");
    s.write("e/b.mp3", "b");
    auto l = lane(1);
    QSignalSpy running(l.get(), &CopyLane::runningChanged);
    QSignalSpy finished(l.get(), &CopyLane::immediateFinished);
    QSignalSpy trims(l.get(), &CopyLane::historyTrimRequested);
    // The folders held, the first copy cannot end before the second is
    // queued, however fast the worker is.
    l->holdFolders();
    l->queueImmediate("E:\\a.mp3");
    l->queueImmediate("E:\\b.mp3");
    l->setFolders({"G:\\Music", "G:\\Video", "G:\\Photos", "G:\\Games", "G:\\Ebook"});
    ASSERT_TRUE(finished.wait(5000));
    // Nothing of the job reaches the lane after it has stopped running.
    ASSERT_TRUE(QTest::qWaitFor([&] { return running.size() >= 2; }, 5000));
    EXPECT_EQ(finished.size(), 1);  // the done label once, after the second
    EXPECT_EQ(running.size(), 2);   // on, then off: one worker
    EXPECT_EQ(l->immediateAdded(), 2);
    EXPECT_EQ(l->immediateDone(), 3);
    EXPECT_EQ(trims.size(), 2);
    EXPECT_TRUE(fs::exists(s.at("phone/Music/a.mp3")));
    EXPECT_TRUE(fs::exists(s.at("phone/Music/b.mp3")));
    EXPECT_FALSE(l->barShown());  // list 1 hides its bar when its queue is done
}

TEST_F(Lanes, WorkQueuedWhileABatchRunsIsDoneAfterItByTheSameWorker) {
    s.write("e/big.mp4", std::string(32 << 20, 'b'));
    s.write("e/now.mp3", "n");
    s.write("e/next.mp3", "x");
    auto l = lane(4);
    QSignalSpy running(l.get(), &CopyLane::runningChanged);
    QSignalSpy batches(l.get(), &CopyLane::batchFinished);
    l->startBatch({"E:\\big.mp4"});
    l->queueImmediate("E:\\now.mp3");   // would have been dropped
    l->startBatch({"E:\\next.mp3"});   // would have raced the running job
    for (int i = 0; i < 500 && !(batches.size() == 2 && !l->running()); ++i) QTest::qWait(10);
    EXPECT_EQ(batches.size(), 2);
    EXPECT_TRUE(fs::exists(s.at("phone/Video/big.mp4")));
    EXPECT_TRUE(fs::exists(s.at("phone/Music/now.mp3")));
    EXPECT_TRUE(fs::exists(s.at("phone/Music/next.mp3")));
    EXPECT_EQ(running.size(), 2);
}

TEST_F(Lanes, FiveListsCopyAtOnceEachToItsOwnEnd) {
    std::vector<std::unique_ptr<CopyLane>> lanes;
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (int n = 1; n <= 5; ++n) {
        s.write("e/f" + std::to_string(n) + ".mp4", std::string(4 << 20, static_cast<char>('0' + n)));
        lanes.push_back(lane(n));
        spies.push_back(std::make_unique<QSignalSpy>(lanes.back().get(), &CopyLane::batchFinished));
        lanes.back()->startBatch({"E:\\f" + std::to_string(n) + ".mp4"});
    }
    for (int i = 0; i < 500; ++i) {
        bool all = true;
        for (auto& spy : spies) all = all && spy->size() == 1;
        if (all) break;
        QTest::qWait(10);
    }
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(spies[static_cast<size_t>(n - 1)]->size(), 1) << n;
        EXPECT_TRUE(lanes[static_cast<size_t>(n - 1)]->doneShown()) << n;
        EXPECT_EQ(fs::file_size(s.at("phone/Video/f" + std::to_string(n) + ".mp4")), 4u << 20) << n;
    }
}

TEST_F(Lanes, AFullDeviceKeepsNoPartialFileNamesTheFileAndTheJobEndsNormally) {
    const std::string video = s.at("phone/Video");
    testing::TmpfsOver small(video, 1);
    if (!small.ok()) GTEST_SKIP() << small.whyNot();
    s.write("e/big.mp4", std::string(3 << 20, 'b'));
    s.write("e/small.mp4", "s");
    auto l = lane(5);
    QSignalSpy failures(l.get(), &CopyLane::filesNotCopied);
    l->startBatch({"E:\\big.mp4", "E:\\small.mp4"});
    waitForBatch(*l);
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(video)) left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"small.mp4"});
    EXPECT_TRUE(l->doneShown());
    EXPECT_EQ(cues.pending(), core::Cues::Copied);
    ASSERT_EQ(failures.size(), 1);
    const auto reported = failures[0][0].value<CopyFailures>();
    ASSERT_EQ(reported.size(), 1);
    EXPECT_EQ(reported[0].name, QStringLiteral("big.mp4"));
    EXPECT_EQ(reported[0].reason, platform::CopyFailure::DeviceFull);
}

// The one copy every path shares: a prefixed file lands as its media bytes
// under its plain name; a name the destination has is left alone and named,
// unless the record says this station wrote it; a source outside the copy
// sources is named by its whole path.
TEST(CopyJob, PlainNamesTheRecordAndTypedFailures) {
    Scratch s;
    s.mapDrives({{'E', "e"}, {'G', "g"}});
    const std::string block(static_cast<size_t>(core::kPrefixBlockSize), 'b');
    s.write("e/Brask搜歌库/1-音乐/3012情歌bk2009.mp3", block + "song");
    s.write("e/Brask搜歌库/1-音乐/3012情歌.lrc", "lyrics");
    s.write("e/elsewhere/x.mp3", "x");
    auto record = std::make_shared<CopiedFiles>();
    CopyJob job(s.drives(), record);
    const CopyEntry entry{"E:\\Brask搜歌库\\1-音乐\\3012情歌bk2009.mp3", "G:\\mp3", platform::Overwrite::No, true};
    s.makeFolder("g/mp3");

    std::string announced;
    auto first = job.copy(entry, {}, [&](const std::string& name, bool prefixed) { announced = name + (prefixed ? "+" : ""); });
    EXPECT_EQ(announced, "3012情歌.mp3+");
    EXPECT_TRUE(first.landed);
    EXPECT_EQ(first.destination, "G:\\mp3\\3012情歌.mp3");
    EXPECT_TRUE(first.failures().isEmpty());
    EXPECT_EQ(testing::readFile(s.at("g/mp3/3012情歌.mp3")), "song");
    EXPECT_EQ(testing::readFile(s.at("g/mp3/3012情歌.lrc")), "lyrics");

    // Again: ours, so nothing is named; a stranger's record names it.
    EXPECT_TRUE(job.copy(entry, {}).failures().isEmpty());
    auto theirs = CopyJob(s.drives()).copy(entry, {});
    EXPECT_TRUE(theirs.landed);
    ASSERT_EQ(theirs.failures().size(), 1);
    EXPECT_EQ(theirs.failures()[0].name, QStringLiteral("3012情歌.mp3"));
    EXPECT_EQ(theirs.failures()[0].reason, platform::CopyFailure::AlreadyThere);

    platform::setCopySources({"E:\\Brask搜歌库"});
    auto refused = job.copy({"E:\\elsewhere\\x.mp3", "G:\\mp3"}, {});
    platform::clearCopySources();
    EXPECT_FALSE(refused.landed);
    ASSERT_EQ(refused.failures().size(), 1);
    EXPECT_EQ(refused.failures()[0].name, QStringLiteral("E:\\elsewhere\\x.mp3"));
    EXPECT_EQ(refused.failures()[0].reason, platform::CopyFailure::OutsideLibrary);
    EXPECT_FALSE(fs::exists(s.at("g/mp3/x.mp3")));
}

}  // namespace
}  // namespace zorvik::orders
