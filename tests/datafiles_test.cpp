#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <QSignalSpy>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "app/station.h"
#include "core/errors.h"
#include "library/drivesetup.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "support/devices.h"
#include "support/fixture.h"

namespace zorvik::app {
namespace {

using testing::Scratch;
namespace fs = std::filesystem;

// Fills a file system to its last byte.
void fill(const std::string& file) {
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    const std::string chunk(65536, 'f');
    while (::write(fd, chunk.data(), chunk.size()) > 0) {
    }
    while (::write(fd, "f", 1) > 0) {
    }
    ::close(fd);
}

class ErrorBoxes {
public:
    explicit ErrorBoxes(core::ErrorReports& errors) {
        QObject::connect(&errors, &core::ErrorReports::reported, &errors,
                         [this](const QString& m) { shown.push_back(m.toStdString()); });
    }
    std::vector<std::string> shown;
};

// The data folder on a full disk: every save fails, and says so, and every
// data file stays as it was, byte for byte.
TEST(DataFiles, AFullDataDiskLosesNothingAndSaysWhichFileAndWhy) {
    Scratch s;
    const std::string data = s.makeFolder("prog/数据文件");
    testing::TmpfsOver disk(data, 1);
    if (!disk.ok()) GTEST_SKIP() << disk.whyNot();
    const std::string song = "E:\\Brask搜歌库\\1-音乐\\";
    for (const char* name : {"3011老歌.mp3", "3012新歌.mp3", "3013情歌.mp3", "3014.mp3"})
        s.write(std::string("e/Brask搜歌库/1-音乐/") + name, std::string(20000, 'm'));
    std::map<std::string, std::string> files{
        {"Corlen.ini", platform::utf8ToGb18030("[Drives]\r\nD=" + s.makeFolder("d") + "\r\nE=" + s.at("e") +
                                               "\r\n[PanFu1]\r\nPanFu1=E\r\n[PiFu]\r\nPiFu=3\r\n")},
        {"热门推荐.txt", platform::utf8ToGb18030("004C," + song + "3011老歌.mp3\r\n012C," + song + "3012新歌.mp3\r\n")},
        {"清单1.txt", platform::utf8ToGb18030(song + "3011老歌.mp3\r\n" + song + "3012新歌.mp3\r\n" + song +
                                              "3013情歌.mp3\r\n")},
        {"播放列表.txt", platform::utf8ToGb18030(song + "3011老歌.mp3\r\n")},
    };
    for (const auto& [name, bytes] : files) s.write("prog/数据文件/" + name, bytes);
    fill(data + "/filler");

    {
        Station station(core::ProgramFolders::at(s.at("prog")));
        ErrorBoxes errors(station.errors());
        QSignalSpy started(&station, &Station::startupFinished);
        station.create();
        station.firstShow();
        ASSERT_TRUE(started.wait(5000));
        ASSERT_EQ(station.orderBook().rows().count(), 3);
        errors.shown.clear();

        auto unchanged = [&](const char* step) {
            for (const auto& [name, bytes] : files)
                EXPECT_EQ(testing::readFile(data + "/" + name), bytes) << name << " after " << step;
            EXPECT_TRUE(testing::stationTemporariesBelow(data).empty()) << step;
        };
        auto toldAbout = [&](const std::string& name, const char* step) {
            bool told = false;
            for (const auto& m : errors.shown)
                told = told || (m.find(name) != std::string::npos && m.find("磁盘空间不足") != std::string::npos);
            EXPECT_TRUE(told) << name << " after " << step << ": " << ::testing::PrintToString(errors.shown);
            errors.shown.clear();
        };

        // A letter typed into quick drive box 1.
        EXPECT_FALSE(library::storeLibraryDrive(station.settings(), 1, "F"));
        unchanged("a drive letter");
        toldAbout("Corlen.ini", "a drive letter");

        station.orderBook().add({song + "3014.mp3"});
        EXPECT_EQ(station.orderBook().rows().count(), 4);  // the view keeps what the operator did
        unchanged("an add");
        toldAbout("清单1.txt", "an add");

        station.preview().addToPlaylist({{song + "3012新歌.mp3", "3012新歌"}});
        unchanged("a playlist add");
        toldAbout("播放列表.txt", "a playlist add");

        station.hotList().finishLoading();
        station.hotList().increment(song + "3013情歌.mp3");
        unchanged("a hot count");
        toldAbout("热门推荐.txt", "a hot count");

        station.closeQuery();
        station.close();
        unchanged("the close");
        toldAbout("清单1.txt", "the close");
        station.jobsEnded();
    }
}

TEST(DataFiles, ASettingsFileThatCannotBeReadIsNamedAtStartAndNeverReplaced) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
        const char* reason;
    };
    const Case cases[] = {
        {"a folder", [](const std::string& p) { fs::create_directories(p + "/x"); }, "这是一个文件夹，不是文件。"},
        {"over 1 MB",
         [](const std::string& p) {
             std::ofstream(p, std::ios::binary) << "[PiFu]\r\nPiFu=2\r\n" << std::string(3 << 20, ';');
         },
         "文件太大（超过 1 MB），没有读取。"},
    };
    for (const auto& c : cases) {
        Scratch s;
        const std::string ini = s.makeFolder("prog/数据文件") + "/Corlen.ini";
        c.make(ini);
        const auto before = fs::is_directory(ini) ? std::string() : testing::readFile(ini);
        Station station(core::ProgramFolders::at(s.at("prog")));
        ErrorBoxes errors(station.errors());
        station.create();
        ASSERT_FALSE(errors.shown.empty()) << c.what;
        EXPECT_NE(errors.shown.front().find("无法读取设置文件：" + ini), std::string::npos) << errors.shown.front();
        EXPECT_NE(errors.shown.front().find(c.reason), std::string::npos) << errors.shown.front();
        errors.shown.clear();
        EXPECT_FALSE(station.settings().write("PiFu", "PiFu", "4")) << c.what;
        ASSERT_EQ(errors.shown.size(), 1u) << c.what;
        EXPECT_NE(errors.shown.front().find("无法保存设置文件：" + ini), std::string::npos) << errors.shown.front();
        if (before.empty())
            EXPECT_TRUE(fs::is_directory(ini));
        else
            EXPECT_EQ(testing::readFile(ini), before);
        station.jobsEnded();
    }
}

}  // namespace
}  // namespace zorvik::app
