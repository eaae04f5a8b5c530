#include <gtest/gtest.h>

#include <QSignalSpy>
#include <filesystem>

#include "orders/orderrows.h"
#include "orders/tally.h"
#include "platform/drives.h"
#include "support/fixture.h"

namespace zorvik::orders {
namespace {

using testing::Scratch;

// 0.1, 0.2, 1, 0.2, 0.1, 0.5, 5, 1, 1, 1, 0.1, 1 yuan
const UnitPriceTable kPrices{1000, 2000, 10000, 2000, 1000, 5000, 50000, 10000, 10000, 10000, 1000, 10000};

TEST(Tally, CountsByLibraryFolderNotByExtension) {
    const auto figures = countEntries({
        "E:\\Brask搜歌库\\1-音乐\\a.mp3",
        "E:\\Brask搜歌库\\11-铃声\\mp3铃声\\b.mp3",  // a song among the ringtones is a ringtone
        "E:\\Brask搜歌库\\10-演唱会\\c.mp4",          // not music
        "E:\\somewhere\\d.mp3",                       // outside the library: a picture
        "F:\\Brask搜歌库\\7-游戏\\jar格式\\e.jar",
        "F:\\Brask搜歌库\\7-游戏\\f.jar",
        "E:\\Brask搜歌库\\6-电子书\\g.txt",
    }, {});
    const std::array<int, 12> expected{1, 0, 0, 0, 1, 1, 2, 0, 0, 1, 1, 0};
    EXPECT_EQ(figures.counts, expected);
    EXPECT_EQ(figures.entries, 7);
}

TEST(Tally, AmountsAreExactAndShownInGeneralFormat) {
    TallyFigures songs;
    songs.counts[0] = 3;
    EXPECT_EQ(amountText(amountDue(songs, kPrices)), "0.3");
    TallyFigures games;
    games.counts[6] = 2;
    games.counts[5] = 1;
    EXPECT_EQ(amountText(amountDue(games, kPrices)), "10.5");
    EXPECT_EQ(amountText(amountDue(TallyFigures{}, kPrices)), "0");
    const std::pair<std::int64_t, const char*> texts[] = {
        {1, "0.0001"}, {10000, "1"}, {123456789, "12345.6789"}, {5000, "0.5"},
        {1234567890123456789LL, "123456789012346"},  // 15 significant digits, rounded
        {99999999999999999LL, "10000000000000"},
    };
    for (const auto& [value, text] : texts) EXPECT_EQ(amountText(value), text) << value;
}

TEST(Tally, SizesAreTruncatedPerFileAndTheListTotalOutlivesAClear) {
    Tally tally;
    tally.setPrices(kPrices);
    QSignalSpy totals(&tally, &Tally::listTotalChanged);

    tally.recompute(2, {"E:\\Brask搜歌库\\1-音乐\\a.mp3", "E:\\Brask搜歌库\\1-音乐\\b.mp3",
                        "E:\\Brask搜歌库\\1-音乐\\c.mp3"},
                    {5000, 5000, 5000});
    EXPECT_EQ(tally.sizeText(), QStringLiteral("0.00"));  // three files of 5,000 bytes add nothing
    EXPECT_EQ(tally.amount(), QStringLiteral("0.3"));
    EXPECT_EQ(tally.entriesText(), QStringLiteral("3"));

    // 2,500 MB in one film: past 32 bits, and units of 10,240 bytes; a song
    // not there, and one whose size is still being read, add nothing.
    tally.recompute(2,
                    {"E:\\Brask搜歌库\\3-电影\\film.mkv", "E:\\Brask搜歌库\\1-音乐\\gone.mp3",
                     "E:\\Brask搜歌库\\1-音乐\\slow.mp3"},
                    {2500LL * 1024 * 1024, -1, OrderRows::kSizeUnknown});
    EXPECT_EQ(tally.sizeText(), QStringLiteral("2560.00"));  // 2,621,440,000 bytes / 10,240 = 256,000 units
    EXPECT_EQ(tally.listTotal(2), QStringLiteral("2560.00"));
    EXPECT_EQ(tally.amount(), QStringLiteral("1.2"));  // the missing songs still count

    tally.recompute(2, {}, {});
    EXPECT_EQ(tally.sizeText(), QStringLiteral("0"));
    EXPECT_EQ(tally.entriesText(), QStringLiteral("0"));
    EXPECT_EQ(tally.amount(), QStringLiteral("0"));
    EXPECT_EQ(tally.listTotal(2), QStringLiteral("2560.00"));  // kept for the copy engine's bar
    EXPECT_EQ(tally.listTotal(1), QStringLiteral("0"));
    EXPECT_EQ(totals.size(), 2);
}

}  // namespace
}  // namespace zorvik::orders
