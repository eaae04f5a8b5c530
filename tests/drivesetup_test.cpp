#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "core/settings.h"
#include "library/drivemap.h"
#include "library/drivesetup.h"
#include "library/layout.h"
#include "platform/drives.h"
#include "support/fixture.h"

namespace zorvik::library {
namespace {

namespace fs = std::filesystem;
using testing::Scratch;

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    if (!fs::is_directory(folder)) return names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

// Runs the test with the scratch folder as the working folder, so that a
// drive path mistaken for a relative native path would land where it shows.
class DriveSetup : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        fs::current_path(scratch.path());
    }
    void TearDown() override {
        fs::current_path(previous_);
    }

    Scratch scratch;

private:
    fs::path previous_;
};

TEST_F(DriveSetup, TheBoxListIsABlankThenDToZ) {
    ASSERT_EQ(kDriveBoxItems.size(), 24u);
    EXPECT_EQ(kDriveBoxItems.front(), " ");
    char expected = 'D';
    for (size_t i = 1; i < kDriveBoxItems.size(); ++i, ++expected)
        EXPECT_EQ(kDriveBoxItems[i], std::string(1, expected)) << i;
    EXPECT_EQ(expected, 'Z' + 1);
}

TEST_F(DriveSetup, TheTwelveCategoryFoldersAreMadeOnAMappedDriveAndExistingOnesKept) {
    scratch.mapDrives({{'E', "e"}, {'F', "f"}});
    // A half-set-up library: one category already holds the shop's files.
    const std::string kept = scratch.write("e/Brask搜歌库/3-电影/film.avi", "film");

    EXPECT_TRUE(createCategoryFolders(scratch.drives(), "E"));
    std::set<std::string> expected;
    for (const auto& c : kCategories) expected.insert(std::string(c.folder));
    EXPECT_EQ(namesIn(scratch.at("e/Brask搜歌库")), expected);
    EXPECT_EQ(testing::readFile(kept), "film");
    EXPECT_TRUE(namesIn(scratch.at("e/Brask搜歌库/1-音乐")).empty());

    EXPECT_TRUE(createCategoryFolders(scratch.drives(), "E"));  // again: nothing to do, nothing lost
    EXPECT_EQ(testing::readFile(kept), "film");

    EXPECT_TRUE(createCategoryFolders(scratch.drives(), "f"));  // a typed small letter names the same drive
    EXPECT_EQ(namesIn(scratch.at("f/Brask搜歌库")), expected);
}

TEST_F(DriveSetup, NothingIsMadeForATextThatNamesNoDriveOrForAMissingDrive) {
    scratch.mapDrives({{'E', "e"}});
    ASSERT_EQ(scratch.drives().type('Y'), platform::DriveType::None);
    const char* texts[] = {"", " ", "GH", "EE", "E:", "1", "中", "/tmp/x", "..", "Y"};
    for (const char* text : texts) {
        EXPECT_FALSE(createCategoryFolders(scratch.drives(), text)) << '"' << text << '"';
        EXPECT_EQ(namesIn(scratch.path()), std::set<std::string>{"e"}) << '"' << text << '"';
        EXPECT_TRUE(namesIn(scratch.at("e")).empty()) << '"' << text << '"';
    }
}

TEST_F(DriveSetup, ATypedLetterReplacesTheOneTheBoxHeld) {
    struct Case {
        const char* edited;
        size_t cursor;
        std::optional<std::string> kept;
    };
    const Case cases[] = {
        {"", 0, ""},          // emptied by hand
        {"e", 1, "E"},        // letters come out upper case
        {" ", 1, " "},        // the blank entry
        {"C", 1, "C"},        // not in the list, but a drive all the same
        {"GH", 2, "H"},       // H typed after G
        {"HG", 1, "H"},       // H typed before G
        {"Gh", 2, "H"},
        {"G ", 2, " "},       // a blank typed over a letter
        {" G", 2, "G"},
        {"1", 1, std::nullopt},
        {"G1", 2, std::nullopt},
        {"G:", 2, std::nullopt},
        {"GHK", 3, std::nullopt},  // pasted text
        {"GH", 0, std::nullopt},   // no typed character to keep
        {"中", 3, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(driveBoxEdit(c.edited, c.cursor), c.kept) << '"' << c.edited << "\" at " << c.cursor;
}

TEST_F(DriveSetup, TheDriveABoxTextNames) {
    struct Case {
        const char* text;
        std::optional<char> drive;
    };
    const Case cases[] = {{"E", 'E'}, {"e", 'E'}, {"Z", 'Z'}, {"C", 'C'}, {"", std::nullopt},
                          {" ", std::nullopt}, {"GH", std::nullopt}, {"E:", std::nullopt}, {"1", std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(driveOfBoxText(c.text), c.drive) << '"' << c.text << '"';
}

TEST_F(DriveSetup, EachDriveIsStoredUnderItsOwnSectionAndKey) {
    core::Settings settings(scratch.at("Corlen.ini"), scratch.errors());
    ASSERT_TRUE(storeLibraryDrive(settings, 1, "E"));
    ASSERT_TRUE(storeLibraryDrive(settings, 6, "K"));
    ASSERT_TRUE(storeLibraryDrive(settings, 2, " "));
    EXPECT_EQ(settings.read("PanFu1", "PanFu1"), "E");
    EXPECT_EQ(settings.read("Panfu6", "panfu6"), "K");  // names ignore case, as the shop's files expect
    EXPECT_EQ(settings.read("PanFu2", "PanFu2"), "");   // a blank names no drive
    EXPECT_EQ(testing::readFile(scratch.at("Corlen.ini")),
              "[PanFu1]\r\nPanFu1=E\r\n[PanFu6]\r\nPanFu6=K\r\n[PanFu2]\r\nPanFu2= \r\n");

    ASSERT_TRUE(storeLibraryDrive(settings, 1, "F"));  // a change rewrites the one line
    EXPECT_EQ(settings.read("PanFu1", "PanFu1"), "F");
    EXPECT_EQ(settings.read("PanFu6", "PanFu6"), "K");
}

TEST(DriveMap, DataDisksNewToTheTableGetTheNextFreeLettersFromE) {
    using platform::Drive;
    using platform::DriveType;
    const Drive c{'C', "/", DriveType::Fixed}, d{'D', "/home/shop", DriveType::Fixed};
    struct Case {
        const char* what;
        std::vector<Drive> table;
        std::vector<std::string> disks;
        DriveFolders expected;
    };
    const Case cases[] = {
        {"two disks", {c, d}, {"/mnt/a", "/srv/b"}, {{'E', "/mnt/a"}, {'F', "/srv/b"}}},
        {"taken letters are passed over",
         {c, d, {'E', "/data", DriveType::Fixed}, {'G', "/media/u/X", DriveType::Removable}},
         {"/mnt/a", "/mnt/b"},
         {{'F', "/mnt/a"}, {'H', "/mnt/b"}}},
        {"a drive on the disk already reaches it", {c, d, {'K', "/mnt/a/library", DriveType::Fixed}},
         {"/mnt/a", "/mnt/ab"}, {{'E', "/mnt/ab"}}},
        {"a card's folder on it does not", {c, d, {'G', "/mnt/a/x", DriveType::Removable}}, {"/mnt/a"},
         {{'E', "/mnt/a"}}},
        {"no disks", {c, d}, {}, {}},
    };
    for (const auto& k : cases) EXPECT_EQ(lettersForNewDisks(k.table, k.disks), k.expected) << k.what;

    std::vector<Drive> full{c, d};
    for (char l = 'E'; l <= 'Y'; ++l) full.push_back({l, std::string("/x/") + l, DriveType::Fixed});
    EXPECT_EQ(lettersForNewDisks(full, {"/mnt/a", "/mnt/b"}), (DriveFolders{{'Z', "/mnt/a"}}));  // out of letters
}

TEST_F(DriveSetup, NewDisksKeepTheirLettersFromStartToStart) {
    core::Settings settings(scratch.at("Corlen.ini"), scratch.errors());
    const std::string a = scratch.makeFolder("a"), b = scratch.makeFolder("b");
    ASSERT_TRUE(settings.write("Drives", "E", scratch.makeFolder("e")));
    applyDriveSection(scratch.drives(), settings);
    EXPECT_EQ(letterNewDisks(scratch.drives(), settings, {a}), (DriveFolders{{'F', a}}));
    EXPECT_EQ(settings.read("Drives", "F"), a);
    EXPECT_EQ(scratch.drives().toNative("F:\\x"), a + "/x");

    // The next start finds a second disk mounted before the first: the first keeps F.
    applyDriveSection(scratch.drives(), settings);
    EXPECT_EQ(letterNewDisks(scratch.drives(), settings, {b, a}), (DriveFolders{{'G', b}}));
    EXPECT_EQ(scratch.drives().toNative("F:\\x"), a + "/x");
    EXPECT_EQ(scratch.drives().toNative("G:\\x"), b + "/x");
}

}  // namespace
}  // namespace zorvik::library
