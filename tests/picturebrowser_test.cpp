#include <gtest/gtest.h>

#include <QSignalSpy>
#include <set>

#include "library/picturebrowser.h"
#include "platform/drives.h"
#include "support/fixture.h"

namespace zorvik::library {
namespace {

using testing::Scratch;

const std::string kTheme = "E:\\Brask搜歌库\\5-图片\\大图\\美女\\";

// A browser over a theme of `count` pictures on drive E, paged by hand.
class Pictures : public ::testing::Test {
protected:
    void SetUp() override { s.mapDrives({{'E', "e"}, {'F', "f"}}); }
    std::string data() const { return s.at("data") + "/"; }
    void theme(int count, std::string_view drive = "e", std::string_view folder = "大图/美女") const {
        for (int i = 0; i < count; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "p%02d.jpg", i);
            s.write(std::string(drive) + "/Brask搜歌库/5-图片/" + std::string(folder) + "/" + name, "x");
        }
    }
    static std::string picture(int i) {
        char name[16];
        std::snprintf(name, sizeof name, "p%02d.jpg", i);
        return kTheme + name;
    }
    // The six panes as indices into the theme; -1 for anything else.
    static std::vector<int> panes(const PictureBrowser& b) {
        std::vector<int> shown;
        for (int k = 0; k < kPicturePaneCount; ++k) {
            const std::string& p = b.panePath(k);
            shown.push_back(p.starts_with(kTheme) ? std::stoi(p.substr(kTheme.size() + 1, 2)) : -1);
        }
        return shown;
    }
    static LibraryDrives driveE() { return {"E", "", "", "", "", ""}; }
    Scratch s;
};

TEST_F(Pictures, FourteenPicturesPageForwardToTheEndAndBackToTheStart) {
    theme(14);
    PictureBrowser b(s.drives(), data());
    b.setCursor(0);
    QSignalSpy ends(&b, &PictureBrowser::endReached);
    b.show(driveE());
    EXPECT_TRUE(b.previousEnabled());

    struct Step {
        bool forward;
        std::vector<int> panes;
        const char* label;
        bool cue;
    };
    const Step steps[] = {
        {true, {0, 1, 2, 3, 4, 5}, "", false},  // the listing's own page
        {true, {6, 7, 8, 9, 10, 11}, "", false},
        {true, {12, 13, 8, 9, 10, 11}, "已到最后", true},  // the panes after the last keep theirs
        {true, {12, 13, 8, 9, 10, 11}, "已到最后", true},  // nothing further
        {false, {8, 9, 10, 11, 12, 13}, "", false},
        {false, {2, 3, 4, 5, 6, 7}, "", false},
        {false, {2, 3, 4, 5, 0, 1}, "已到最前", true},
        {true, {0, 1, 2, 3, 4, 5}, "", false},
    };
    int step = 0;
    for (const auto& st : steps) {
        const auto before = ends.size();
        if (step > 0) st.forward ? b.nextPage() : b.previousPage();
        EXPECT_EQ(panes(b), st.panes) << "step " << step;
        EXPECT_EQ(b.positionText(), QString::fromUtf8(st.label)) << "step " << step;
        EXPECT_EQ(ends.size() - before, st.cue ? 1 : 0) << "step " << step;
        ++step;
    }
}

TEST_F(Pictures, AOnePictureThemeShowsItsPictureBothWays) {
    theme(1);
    PictureBrowser b(s.drives(), data());
    b.setCursor(0);
    QSignalSpy ends(&b, &PictureBrowser::endReached);
    b.show(driveE());
    EXPECT_EQ(b.panePath(0), picture(0));
    EXPECT_EQ(b.positionText(), QStringLiteral("已到最后"));
    b.previousPage();
    EXPECT_EQ(b.panePath(5), picture(0));
    EXPECT_EQ(b.positionText(), QStringLiteral("已到最后"));  // at the first and the last at once
    EXPECT_EQ(ends.size(), 2);
}

TEST_F(Pictures, EveryPictureIsReachedFromAStartPastTheEnd) {
    theme(4);
    PictureBrowser b(s.drives(), data());
    b.setCursor(15);  // the random start may lie past a short theme
    std::set<QString> seen;
    QObject::connect(&b, &PictureBrowser::paneChanged, &b, [&](int, const QString& path) { seen.insert(path); });
    b.show(driveE());
    EXPECT_TRUE(seen.empty());  // nothing new: the theme ends before the cursor
    EXPECT_EQ(b.positionText(), QStringLiteral("已到最后"));
    b.previousPage();
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_EQ(panes(b), (std::vector<int>{-1, -1, 0, 1, 2, 3}));
    EXPECT_EQ(b.positionText(), QStringLiteral("已到最前"));

    // The start itself is random within the first twenty.
    std::set<int> starts;
    for (int i = 0; i < 40; ++i) starts.insert(PictureBrowser(s.drives(), data()).cursor());
    EXPECT_GT(starts.size(), 1u);
    EXPECT_GE(*starts.begin(), 0);
    EXPECT_LT(*starts.rbegin(), kPictureStartLimit);
}

TEST_F(Pictures, AThemeListsDrivesOneToFourOnceEachWithEveryEntry) {
    theme(2, "e");
    theme(1, "f");
    s.makeFolder("e/Brask搜歌库/5-图片/大图/美女/子目录");  // a subfolder is an entry too
    s.write("e/Brask搜歌库/5-图片/大图/美女/Thumbs.db", "x");
    for (char letter : {'G', 'H'}) s.write(std::string("g/Brask搜歌库/5-图片/大图/美女/") + letter + ".jpg");
    s.mapDrives({{'E', "e"}, {'F', "f"}, {'G', "g"}});
    PictureBrowser b(s.drives(), data());
    b.setCursor(0);
    // Drive 2 empty, drive 3 without the theme folder, drives 5 and 6 hold pictures.
    const LibraryDrives drives{"E", "", "F", "", "G", "G"};
    b.show(drives);
    b.show(drives);  // opening the window again lists afresh, not twice
    const std::string f = "F:\\Brask搜歌库\\5-图片\\大图\\美女\\";
    EXPECT_EQ(b.roots(), (std::vector<std::string>{"E:\\Brask搜歌库\\", "F:\\Brask搜歌库\\"}));
    EXPECT_EQ(b.pictures(), (std::vector<std::string>{picture(0), picture(1), kTheme + "Thumbs.db",
                                                      kTheme + "子目录", f + "p00.jpg"}));

    b.listTheme(kSmallBeauties);  // missing everywhere: nothing, and the end is reached
    EXPECT_TRUE(b.pictures().empty());
    EXPECT_EQ(b.positionText(), QStringLiteral("已到最后"));
    QSignalSpy changed(&b, &PictureBrowser::paneChanged);
    b.nextPage();
    b.previousPage();
    EXPECT_EQ(changed.size(), 0);
}

TEST_F(Pictures, TheAnimationFillsThePanesUnlessTheMarkerFileSaysBlank) {
    s.write("data/Brask搜歌.gif", "GIF89a");
    for (bool marker : {false, true}) {
        if (marker) s.write("data/美女.txt");
        PictureBrowser b(s.drives(), data());
        QSignalSpy changed(&b, &PictureBrowser::paneChanged);
        b.show(driveE());  // an empty theme: only the animation could be shown
        EXPECT_EQ(changed.size(), marker ? 0 : kPicturePaneCount) << marker;
        for (int k = 0; k < kPicturePaneCount; ++k) EXPECT_EQ(b.panePath(k), b.placeholder());
    }
}

TEST_F(Pictures, ClicksSelectOnceReadyAndADoubleClickAsksForTheSelectedPicture) {
    theme(8);
    s.write("data/Brask搜歌.gif", "GIF89a");
    PictureBrowser b(s.drives(), data());
    b.setCursor(6);
    QSignalSpy add(&b, &PictureBrowser::addRequested);
    QSignalSpy marked(&b, &PictureBrowser::markedPaneChanged);
    b.show(driveE());  // pictures 6 and 7 in panes 1 and 2, the animation in the rest
    EXPECT_FALSE(b.press(1));  // pane 1 has not loaded yet: the press goes on to the pane
    EXPECT_FALSE(b.doubleClick());
    b.paneLoaded(3);
    EXPECT_FALSE(b.ready());
    b.paneLoaded(0);

    EXPECT_TRUE(b.press(1));
    EXPECT_EQ(b.selected(), picture(7));
    EXPECT_EQ(b.markedPane(), 1);
    EXPECT_TRUE(b.doubleClick());
    ASSERT_EQ(add.size(), 1);
    EXPECT_EQ(add[0][0].toString().toStdString(), picture(7));

    // The animation is not a picture of the library: it selects nothing.
    EXPECT_TRUE(b.press(4));
    EXPECT_EQ(b.selected(), "");
    EXPECT_EQ(b.markedPane(), -1);
    b.doubleClick();
    EXPECT_EQ(add.size(), 1);

    // A pane told to show a new picture drops its mark; the selection stays.
    b.press(0);
    b.previousPage();
    EXPECT_EQ(b.markedPane(), -1);
    EXPECT_EQ(b.selected(), picture(6));
    EXPECT_EQ(marked.last()[0].toInt(), -1);
}

}  // namespace
}  // namespace zorvik::library
