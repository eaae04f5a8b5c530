#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/folders.h"
#include "core/settings.h"
#include "platform/textcodec.h"
#include "support/fixture.h"

namespace zorvik::core {
namespace {

using testing::Scratch;

TEST(Settings, ReadsWithoutRegardToCaseTrimmedAndAbsentAsEmpty) {
    Scratch s;
    s.write("Corlen.ini", platform::utf8ToGb18030(
                              "; shop settings\r\n"
                              "[PanFu3]\r\n"
                              "PanFu3 =  E  \r\n"
                              "[TongBuXZ]\r\n"
                              "TongBuXZ=True\r\n"
                              "[PanFu1]\r\n"
                              "PanFu1= \r\n"
                              "[DanJa]\n"
                              "yy=0.1\n"
                              "yy=9\n"
                              "[ShuRuFa]\r\n"
                              "shurufa1=中文 - 拼音\r\n"));
    Settings settings(s.at("Corlen.ini"), s.errors());
    EXPECT_EQ(settings.read("Panfu3", "Panfu3"), "E");
    EXPECT_EQ(settings.read("PANFU3", "panfu3"), "E");
    EXPECT_EQ(settings.read("TongBuXZ", "TongBuXZ"), "True");  // "True" is not "true": callers compare
    EXPECT_EQ(settings.read("Panfu1", "Panfu1"), "");          // a single blank reads as empty
    EXPECT_EQ(settings.read("DanJa", "yy"), "0.1");            // the first of two wins
    EXPECT_EQ(settings.read("ShuRuFa", "shurufa1"), "中文 - 拼音");
    EXPECT_EQ(settings.read("PiFu", "PiFu"), "");
    EXPECT_EQ(settings.read("PanFu3", "PiFu"), "");
    EXPECT_EQ(Settings(s.at("none.ini"), s.errors()).read("PanFu3", "PanFu3"), "");
}

TEST(Settings, WritesChangeOneLineAndKeepTheRest) {
    Scratch s;
    const std::string original =
        "; written by hand\r\n"
        "[PanFu1]\r\n"
        "PanFu1=E\r\n"
        "\r\n"
        "[Drives]\r\n"
        "E = /srv/lib\r\n"
        "a line that is no key\r\n"
        "\r\n"
        "[PanFu2]\r\n"
        "Panfu2=F\r\n"
        "; trailing note\r\n";
    s.write("Corlen.ini", original);
    Settings settings(s.at("Corlen.ini"), s.errors());

    ASSERT_TRUE(settings.write("PanFu2", "PanFu2", "G"));
    ASSERT_TRUE(settings.write("drives", "F", "/mnt/f"));
    ASSERT_TRUE(settings.write("PiFu", "PiFu", "3"));
    EXPECT_EQ(testing::readFile(s.at("Corlen.ini")),
              "; written by hand\r\n"
              "[PanFu1]\r\n"
              "PanFu1=E\r\n"
              "\r\n"
              "[Drives]\r\n"
              "E = /srv/lib\r\n"
              "a line that is no key\r\n"
              "F=/mnt/f\r\n"
              "\r\n"
              "[PanFu2]\r\n"
              "Panfu2=G\r\n"
              "; trailing note\r\n"
              "[PiFu]\r\n"
              "PiFu=3\r\n");
    EXPECT_EQ(settings.read("PanFu2", "PanFu2"), "G");
    auto drives = settings.readSection("Drives");
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[1], (std::pair<std::string, std::string>{"F", "/mnt/f"}));
}

TEST(Settings, LinesThatDoNotDecodeKeepTheirBytesThroughAWrite) {
    Scratch s;
    const std::string bad = "; \xFF\x80 shop note";  // not GB18030
    const std::string path = s.write("Corlen.ini", "[DiZi]\r\n" + bad + "\r\nDiZi1=x\r\n");
    Settings settings(path, s.errors());
    ASSERT_TRUE(settings.write("DiZi", "DiZi1", "y"));
    ASSERT_TRUE(settings.write("DianHua", "DianHua1", "1"));
    ASSERT_TRUE(settings.write("DiZi", "Other", "2"));
    EXPECT_EQ(testing::readFile(path),
              "[DiZi]\r\n" + bad + "\r\nDiZi1=y\r\nOther=2\r\n[DianHua]\r\nDianHua1=1\r\n");
}

TEST(Settings, FirstWriteCreatesTheFileInGb18030) {
    Scratch s;
    Settings settings(s.at("Corlen.ini"), s.errors());
    ASSERT_TRUE(settings.write("ShuRuFa", "shurufa1", "中文𠀀"));
    EXPECT_EQ(testing::readFile(s.at("Corlen.ini")),
              platform::utf8ToGb18030("[ShuRuFa]\r\nshurufa1=中文𠀀\r\n"));
    EXPECT_EQ(settings.read("shurufa", "SHURUFA1"), "中文𠀀");
}

// The key names are the stored files' own, letter case included: a file the
// station writes reads back in the shop's old station and in older versions.
TEST(Settings, EveryNamedKeyIsWrittenAsTheShopsFilesSpellIt) {
    Scratch s;
    Settings settings(s.at("Corlen.ini"), s.errors());
    const keys::Key named[] = {keys::kSkin,         keys::kInputMethod,   keys::kSyncDownload, keys::kNumberSearch,
                               keys::kShopAddress,  keys::kShopTelephone, keys::kHomePage,     keys::kResourcePage};
    for (const auto& key : named) ASSERT_TRUE(settings.write(key, "v"));
    for (int n = 1; n <= 6; ++n) ASSERT_TRUE(settings.write(keys::libraryDrive(n), keys::libraryDrive(n), "E"));
    std::vector<std::pair<std::string, std::string>> prices;
    for (auto key : keys::kPriceKeys) prices.emplace_back(key, "1");
    ASSERT_TRUE(settings.write(keys::kPriceSection, prices));
    ASSERT_TRUE(settings.write(keys::kDrivesSection, "E", "/srv/e"));
    EXPECT_EQ(testing::readFile(s.at("Corlen.ini")),
              "[PiFu]\r\nPiFu=v\r\n[ShuRuFa]\r\nshurufa1=v\r\n[TongBuXZ]\r\nTongBuXZ=v\r\n"
              "[BianHaoCZ]\r\nBianHaoCZ=v\r\n[DiZi]\r\nDiZi1=v\r\n[DianHua]\r\nDianHua1=v\r\n"
              "[WangZhi]\r\nZhuYe=v\r\nZiYuan=v\r\n"
              "[PanFu1]\r\nPanFu1=E\r\n[PanFu2]\r\nPanFu2=E\r\n[PanFu3]\r\nPanFu3=E\r\n"
              "[PanFu4]\r\nPanFu4=E\r\n[PanFu5]\r\nPanFu5=E\r\n[PanFu6]\r\nPanFu6=E\r\n"
              "[DanJa]\r\nyy=1\r\nmtv=1\r\ndy=1\r\nlxj=1\r\ntp=1\r\ndzs=1\r\nyx=1\r\nllp=1\r\nxp=1\r\nych=1\r\n"
              "ls=1\r\nqt=1\r\n[Drives]\r\nE=/srv/e\r\n");
}

TEST(Settings, AFailedWriteIsReportedAndStoresNothing) {
    Scratch s;
    std::string folder = s.makeFolder("ro");
    bool mounted = ::geteuid() == 0 &&
                   std::system(("mount -t tmpfs -o size=1m tmpfs '" + folder + "' 2>/dev/null").c_str()) == 0;
    if (::geteuid() == 0 && !mounted) GTEST_SKIP() << "cannot mount a read-only folder here";
    s.write("ro/Corlen.ini", "[A]\r\nk=1\r\n");
    if (mounted)
        std::system(("mount -o remount,ro '" + folder + "'").c_str());  // root ignores modes
    else
        ::chmod(folder.c_str(), 0555);

    std::string reported;
    QObject::connect(&s.errors(), &core::ErrorReports::reported, &s.errors(), [&reported](const QString& q) { const std::string m = q.toStdString(); reported = m; });
    Settings settings(s.at("ro/Corlen.ini"), s.errors());
    EXPECT_FALSE(settings.write("A", "k", "2"));
    EXPECT_FALSE(reported.empty());
    EXPECT_EQ(settings.read("A", "k"), "1");
    if (mounted)
        std::system(("umount '" + folder + "'").c_str());
    else
        ::chmod(folder.c_str(), 0755);
}

// Only a settings file that is not there starts afresh: one that cannot be
// read is never replaced by a file holding the one new value.
TEST(Settings, AnOldFileThatCannotBeReadIsNeverReplaced) {
    Scratch s;
    const std::string path = s.at("Corlen.ini");
    std::filesystem::create_symlink("Corlen.ini", path);  // a link loop: stat and open fail
    std::string reported;
    QObject::connect(&s.errors(), &core::ErrorReports::reported, &s.errors(), [&reported](const QString& q) { const std::string m = q.toStdString(); reported = m; });
    Settings settings(path, s.errors());
    EXPECT_FALSE(settings.write("PanFu1", "PanFu1", "E"));
    EXPECT_EQ(reported.rfind("无法保存设置文件：" + path + "\n", 0), 0u) << reported;
    EXPECT_TRUE(std::filesystem::is_symlink(path));
}

TEST(Settings, AFailedWriteOnAMissingFolderIsReported) {
    Scratch s;
    std::string reported;
    QObject::connect(&s.errors(), &core::ErrorReports::reported, &s.errors(), [&reported](const QString& q) { const std::string m = q.toStdString(); reported = m; });
    Settings settings(s.at("no/such/folder/Corlen.ini"), s.errors());
    EXPECT_FALSE(settings.write("A", "k", "2"));
    EXPECT_EQ(reported, "无法保存设置文件：" + s.at("no/such/folder/Corlen.ini") + "\n系统找不到指定的路径。");
}

TEST(ProgramFolders, InstalledProgramKeepsItsDataInTheUsersDataFolder) {
    Scratch s;
    EXPECT_TRUE(dataBesideProgram(s.path() + "/"));
    EXPECT_FALSE(dataBesideProgram("/usr/lib/zorvik/"));  // even for root, who may write there
    EXPECT_FALSE(dataBesideProgram(s.path() + "/none/"));

    const auto installed = ProgramFolders::installed("/usr/lib/zorvik", "/home/shop/.local/share");
    EXPECT_EQ(installed.program, "/usr/lib/zorvik/");
    EXPECT_EQ(installed.cueFolder(), "/usr/lib/zorvik/按键音乐/");
    EXPECT_EQ(installed.settingsFile(), "/home/shop/.local/share/zorvik/数据文件/Corlen.ini");

    struct Restore {
        std::string name;
        std::optional<std::string> value;
        ~Restore() { value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str()); }
    };
    auto saved = [](const char* name) {
        const char* v = std::getenv(name);
        return Restore{name, v ? std::optional<std::string>(v) : std::nullopt};
    };
    Restore home = saved("HOME"), xdg = saved("XDG_DATA_HOME");
    ::setenv("HOME", "/home/shop", 1);
    ::setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(userDataHome(), "/srv/data/");
    ::setenv("XDG_DATA_HOME", "relative/data", 1);  // not absolute: ignored, as the XDG rules say
    EXPECT_EQ(userDataHome(), "/home/shop/.local/share/");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(userDataHome(), "/home/shop/.local/share/");
}

}  // namespace
}  // namespace zorvik::core
