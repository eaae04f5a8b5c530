#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <sys/stat.h>

#include "app/station.h"
#include "platform/defaultapp.h"
#include "platform/drives.h"
#include "support/fixture.h"

namespace zorvik::platform {
namespace {

using testing::Scratch;

// A desktop of the test's own: one player registered for MP4 video whose
// program writes down the arguments it was given, one registered for AVI
// whose program is not there, nothing for FLV. GIO reads the folders once
// per process, so every case runs against this one desktop.
TEST(DefaultApplication, GetsTheFileAsItsOneArgumentOrIsNotFound) {
    Scratch s;
    const std::string log = s.at("arguments.txt");
    const std::string recorder = s.write("bin/recorder", "#!/bin/sh\nfor a in \"$@\"; do printf '<%s>\\n' \"$a\"; done >'" +
                                                              log + ".part' && mv '" + log + ".part' '" + log + "'\n");
    ::chmod(recorder.c_str(), 0755);
    s.write("data/applications/recorder.desktop",
            "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + recorder + " %f\nMimeType=video/mp4;\n");
    s.write("data/applications/ghost.desktop",
            "[Desktop Entry]\nType=Application\nName=Ghost\nExec=" + s.at("bin/ghost") +
                " %f\nMimeType=video/x-msvideo;\n");
    s.write("config/mimeapps.list",
            "[Default Applications]\nvideo/mp4=recorder.desktop\nvideo/x-msvideo=ghost.desktop\n");
    // The system's MIME types, but none of its applications.
    s.makeFolder("system");
    std::filesystem::create_directory_symlink("/usr/share/mime", s.at("system/mime"));
    const testing::ScopedEnv dataHome("XDG_DATA_HOME", s.at("data")), dataDirs("XDG_DATA_DIRS", s.at("system")),
        configHome("XDG_CONFIG_HOME", s.at("config")), configDirs("XDG_CONFIG_DIRS", s.at("config"));

    // Blanks, quotes, a dollar sign and Chinese stay one argument: no shell sees it.
    const std::string video = s.write("lib/a b/\"x'$y 视频.mp4", "film");
    ASSERT_TRUE(openWithDefaultApplication(s.drives(), video));
    ASSERT_TRUE(QTest::qWaitFor([&] { return testing::exists(log); }, 5000));
    EXPECT_EQ(testing::readFile(log), "<" + video + ">\n");

    EXPECT_FALSE(openWithDefaultApplication(s.drives(), s.write("lib/clip.avi", "film")));  // its program is missing
    EXPECT_FALSE(openWithDefaultApplication(s.drives(), s.write("lib/clip.flv", "film")));  // nothing registered
    EXPECT_FALSE(openWithDefaultApplication(s.drives(), "Q:\\no such drive\\clip.mp4"));

    // The station's "播放" on a prefixed film hands over its decoded copy;
    // a type without a player says so.
    std::filesystem::remove(log);
    s.write("prog/数据文件/Corlen.ini", "[Drives]\r\nE=" + s.makeFolder("e") + "\r\n");
    s.write("e/Brask搜歌库/3-电影/电影bk2009.mp4", std::string(407552, 'L') + "FILM");
    app::Station station(core::ProgramFolders::at(s.at("prog")));
    QSignalSpy said(&station, &app::Station::messageRequested);
    station.create();
    station.setCurrentItem("E:\\Brask搜歌库\\3-电影\\电影bk2009.mp4");
    station.preview().requestPlay();
    ASSERT_TRUE(QTest::qWaitFor([&] { return testing::exists(log); }, 5000));
    EXPECT_EQ(testing::readFile(log), "<" + s.at("prog/数据文件/电影.mp4") + ">\n");
    s.write("e/Brask搜歌库/3-电影/片.flv", std::string(2000, 'F'));
    station.setCurrentItem("E:\\Brask搜歌库\\3-电影\\片.flv");
    station.preview().requestPlay();
    ASSERT_TRUE(said.wait(2000));
    EXPECT_EQ(said[0][0].toString(), player::kNoPlayerMessage);
}

}  // namespace
}  // namespace zorvik::platform
