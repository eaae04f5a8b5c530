#include <gtest/gtest.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "orders/orderbook.h"
#include "orders/pictureorder.h"
#include "orders/tally.h"
#include "platform/drives.h"
#include "player/cueplayer.h"
#include "support/fixture.h"

namespace zorvik::orders {
namespace {

using testing::Scratch;
namespace fs = std::filesystem;

const std::string kBeauty = "E:\\Brask搜歌库\\5-图片\\大图\\美女\\";

class PictureAdds : public ::testing::Test {
protected:
    void SetUp() override {
        s.mapDrives({{'D', "d"}, {'E', "e"}, {'G', "card"}});
        s.makeFolder("data");
        UnitPriceTable prices{};
        prices[0] = 1000;  // a song 0.1
        prices[4] = 5000;  // a picture 0.5
        tally.setPrices(prices);
    }
    // Adds `path` and waits for its copy when there is one; the copy's outcome.
    bool addAndCopy(PictureOrder& order, const std::string& path, const std::string& folder) {
        QSignalSpy copied(&order, &PictureOrder::copied);
        order.add(path, folder, lane);
        if (copied.isEmpty() && !copied.wait(5000)) return false;
        return copied[0][1].toBool();
    }
    Scratch s;
    player::CuePlayer cues{QString::fromStdString(s.at("cues/"))};
    OrderBook book{s.jobs(), s.drives(), s.errors(), s.at("data") + "/", cues};
    Tally tally;
    CopyLane lane{s.jobs(), s.drives(), 1, cues};  // the active list's
};

TEST_F(PictureAdds, APictureGoesInOnceAndEveryDoubleClickChargesAndSounds) {
    book.add({"E:\\Brask搜歌库\\1-音乐\\歌.mp3", kBeauty + "a.jpg.bak"});
    tally.recompute(1, book.rows().entries(), book.rows().sizes());
    PictureOrder order(book, tally, cues);

    order.add(kBeauty + "a.jpg", std::nullopt, lane);  // the whole path decides: a.jpg.bak is another file
    EXPECT_EQ(book.rows().count(), 3);
    EXPECT_EQ(book.rows().data(book.rows().index(2, OrderRows::Name), Qt::DisplayRole).toString(),
              QStringLiteral("a"));
    EXPECT_EQ(tally.figures().counts[4], 2);
    EXPECT_EQ(tally.entriesText(), QStringLiteral("3"));
    EXPECT_EQ(tally.amount(), QStringLiteral("1.1"));
    EXPECT_EQ(cues.pending(), core::Cues::Copied);

    cues.request(core::Cues::Select);
    order.add(kBeauty + "a.jpg", std::nullopt, lane);  // already listed
    EXPECT_EQ(book.rows().count(), 3);
    EXPECT_EQ(tally.figures().counts[4], 2);
    EXPECT_EQ(tally.amount(), QStringLiteral("1.1"));
    EXPECT_EQ(cues.pending(), core::Cues::Copied);
}

TEST_F(PictureAdds, WithAFolderThePictureIsCopiedAgainOnEveryAdd) {
    s.write("e/Brask搜歌库/5-图片/大图/美女/a.jpg", "first");
    s.makeFolder("card/Photos");
    PictureOrder order(book, tally, cues);
    ASSERT_TRUE(addAndCopy(order, kBeauty + "a.jpg", "G:\\Photos"));
    EXPECT_EQ(testing::readFile(s.at("card/Photos/a.jpg")), "first");

    s.write("e/Brask搜歌库/5-图片/大图/美女/a.jpg", "second");
    ASSERT_TRUE(addAndCopy(order, kBeauty + "a.jpg", "G:\\Photos"));  // listed already, copied all the same
    EXPECT_EQ(testing::readFile(s.at("card/Photos/a.jpg")), "second");
    EXPECT_EQ(book.rows().count(), 1);

    // No such folder: nothing is made, the operator is not held up, and the picture is named.
    QSignalSpy notCopied(&order, &PictureOrder::filesNotCopied);
    EXPECT_FALSE(addAndCopy(order, kBeauty + "a.jpg", "G:\\gone"));
    EXPECT_FALSE(testing::exists(s.at("card/gone")));
    ASSERT_EQ(notCopied.size(), 1);
    const auto failures = notCopied[0][0].value<CopyFailures>();
    ASSERT_EQ(failures.size(), 1);
    EXPECT_EQ(failures[0].name, QStringLiteral("a.jpg"));
}

// A burst of double-clicks: the copies queue on the list's lane and land one
// after another, in the list's record, without touching its tab's counters.
TEST_F(PictureAdds, ABurstOfCopiesQueuesOnTheListsLane) {
    s.makeFolder("card/Photos");
    PictureOrder order(book, tally, cues);
    QSignalSpy copied(&order, &PictureOrder::copied);
    QSignalSpy running(&lane, &CopyLane::runningChanged);
    const std::vector<std::string> names{"a.jpg", "b.jpg", "c.jpg", "d.jpg"};
    for (const auto& name : names) {
        s.write("e/Brask搜歌库/5-图片/大图/美女/" + name, std::string(300000, name[0]));
        order.add(kBeauty + name, "G:\\Photos", lane);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return copied.size() == 4; }, 5000));
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(copied[static_cast<int>(i)][0].toString(), QString::fromStdString("G:\\Photos\\" + names[i]));
        EXPECT_TRUE(copied[static_cast<int>(i)][1].toBool());
        EXPECT_TRUE(lane.copied()->holds("G:\\Photos\\" + names[i], 300000)) << names[i];
    }
    EXPECT_EQ(running.first().first().toBool(), true);  // the list's one job did the work
    EXPECT_EQ(lane.immediateAdded(), 0);
    EXPECT_EQ(book.rows().count(), 4);
}

// A real exFAT card, through FUSE on a loop device, as a phone's card is.
TEST_F(PictureAdds, AFullExfatCardKeepsItsOldPictureWhole) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root for a loop device";
    const std::string image = s.write("card.img");
    fs::resize_file(image, 8 << 20);
    const std::string mount = s.at("card");
    std::string device;
    if (std::system(("mkfs.exfat '" + image + "' >/dev/null 2>&1").c_str()) == 0) {
        FILE* pipe = ::popen(("losetup -f --show '" + image + "' 2>/dev/null").c_str(), "r");
        char line[64] = {};
        if (pipe && std::fgets(line, sizeof line, pipe)) device = std::string(line, std::strcspn(line, "\n"));
        if (pipe) ::pclose(pipe);
    }
    if (device.empty() ||
        std::system(("mount.exfat-fuse '" + device + "' '" + mount + "' >/dev/null 2>&1").c_str()) != 0) {
        if (!device.empty()) std::system(("losetup -d " + device).c_str());
        GTEST_SKIP() << "no exFAT through FUSE here";
    }
    struct Unmount {
        std::string mount, device;
        ~Unmount() { std::system(("umount '" + mount + "' && losetup -d " + device).c_str()); }
    } unmount{mount, device};

    std::string photo(300000, 'p');
    for (size_t i = 0; i < photo.size(); ++i) photo[i] = static_cast<char>(i * 13);
    s.write("e/Brask搜歌库/5-图片/大图/美女/a.jpg", photo);
    fs::create_directory(mount + "/Photos");
    {
        std::FILE* old = std::fopen((mount + "/Photos/a.jpg").c_str(), "wb");
        std::fputs("old picture", old);
        std::fclose(old);
    }
    PictureOrder order(book, tally, cues);
    ASSERT_TRUE(addAndCopy(order, kBeauty + "a.jpg", "G:\\Photos"));  // over the old one
    EXPECT_EQ(testing::readFile(mount + "/Photos/a.jpg"), photo);

    // Fill the card, then bring a picture larger than what is left.
    {
        std::FILE* filler = std::fopen((mount + "/filler").c_str(), "wb");
        std::string block(1 << 16, 'f');
        while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {}
        std::fclose(filler);
        fs::resize_file(mount + "/filler", fs::file_size(mount + "/filler") - 200000);
    }
    s.write("e/Brask搜歌库/5-图片/大图/美女/a.jpg", std::string(600000, 'n'));
    EXPECT_FALSE(addAndCopy(order, kBeauty + "a.jpg", "G:\\Photos"));
    EXPECT_EQ(testing::readFile(mount + "/Photos/a.jpg"), photo);  // the old copy, whole
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(mount + "/Photos")) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"a.jpg"});  // no half-written file left beside it
}

}  // namespace
}  // namespace zorvik::orders
