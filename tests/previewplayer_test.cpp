#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "app/station.h"
#include "core/errors.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "player/mediaerrors.h"
#include "player/previewplayer.h"
#include "support/fixture.h"

namespace zorvik::player {
namespace {

using testing::Scratch;
namespace fs = std::filesystem;

// The device as the player sees it; the test says when it has opened a
// file, failed or reached the end.
class FakeDevice final : public MediaDevice {
public:
    enum State { Closed, Stopped, Playing, Paused };
    int open(const QString& nativePath) override {
        files.push_back(nativePath);
        state = Stopped;
        at = 0;
        return ++serial;
    }
    void play() override { state = Playing; }
    void pauseToggle() override {
        if (state == Playing)
            state = Paused;
        else if (state == Paused)
            state = Playing;
    }
    void stop() override { state = Stopped; }
    void seek(qint64 ms) override {
        at = ms;
        seeks.push_back(ms);
    }
    qint64 position() const override { return at; }
    qint64 length() const override { return 0; }

    void reportOpened(qint64 length) { Q_EMIT opened(serial, length); }
    void reportFailed(const QString& text) { Q_EMIT failed(serial, text); }
    void reportEnded(int which = 0) { Q_EMIT ended(which ? which : serial); }

    std::vector<QString> files;
    std::vector<qint64> seeks;
    State state = Closed;
    qint64 at = 0;
    int serial = 0;
};

class Preview : public ::testing::Test {
protected:
    Preview()
        : data(s.makeFolder("prog/数据文件") + "/"),
          player(
              s.jobs(), s.drives(), s.errors(), data,
              [this] {
                  auto made = std::make_unique<FakeDevice>();
                  device = made.get();
                  return made;
              },
              [this](const std::string& path) {
                  handedOut.push_back(path);
                  return externalPlayerFound;
              }) {}

    // A file of `bytes` bytes; a prefixed name gets a leading block before `body`.
    std::string file(const std::string& relative, size_t bytes = 4000, const std::string& body = "song") {
        std::string content = body;
        if (relative.find("bk2009") != std::string::npos) content.insert(0, 407552, 'L');
        if (content.size() < bytes) content.append(bytes - content.size(), 'x');
        return s.write(relative, content);
    }
    // Runs the play request as the timer would, after the triggering event.
    void play(const std::string& path, const std::string& name = {}) {
        player.setCurrentItem(path, name.empty() ? path.substr(path.rfind('/') + 1) : name);
        player.requestPlay();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !playRequestTimer()->isActive(); }, 2000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !player.makingCopy(); }, 2000));
        QCoreApplication::processEvents();
    }
    void opened(qint64 length = 200000) {
        ASSERT_NE(device, nullptr);
        device->reportOpened(length);
        QCoreApplication::processEvents();
    }
    void ended() {
        device->reportEnded();
        QCoreApplication::processEvents();
    }
    std::vector<QString> messages() const {
        std::vector<QString> texts;
        for (const auto& m : said) texts.push_back(m[0].toString());
        return texts;
    }
    QTimer* playRequestTimer() { return player.findChild<QTimer*>(QStringLiteral("BoFangTimer2")); }
    QTimer* positionTimer() { return player.findChild<QTimer*>(QStringLiteral("Timer1")); }

    Scratch s;
    std::string data;
    FakeDevice* device = nullptr;
    std::vector<std::string> handedOut;
    bool externalPlayerFound = true;
    PreviewPlayer player;
    QSignalSpy said{&player, &PreviewPlayer::message};
};

TEST(PreviewRules, TimeTextDropsHoursAndTypesDecideThePlayer) {
    const std::pair<qint64, const char*> times[] = {
        {0, "00:00"}, {999, "00:00"}, {59'999, "00:59"}, {60'000, "01:00"}, {75 * 60'000, "15:00"}, {3'599'999, "59:59"},
    };
    for (const auto& [ms, text] : times) EXPECT_EQ(timeText(ms), QString::fromUtf8(text)) << ms;

    const std::pair<const char*, MediaKind> kinds[] = {
        {"a.MP3", MediaKind::InWindow},     {"a.mid", MediaKind::InWindow},  {"a.Wav", MediaKind::InWindow},
        {"a.rmvb", MediaKind::External},    {"a.mp4", MediaKind::External},  {"a.3gp", MediaKind::External},
        {"a.txt", MediaKind::Refused},      {"noextension", MediaKind::Refused},
        {"E:\\x.y\\a", MediaKind::Refused},  // a dot in a folder is no extension
    };
    for (const auto& [path, kind] : kinds) EXPECT_EQ(mediaKindOf(path), kind) << path;

    EXPECT_TRUE(addsToPlaylistFirst("E:\\a\\歌.MP3"));
    EXPECT_FALSE(addsToPlaylistFirst("E:\\a\\歌.wma"));
    EXPECT_FALSE(addsToPlaylistFirst("E:\\a\\歌"));
}

TEST_F(Preview, SmallMissingAndForeignFilesAreRefusedWithTheirMessages) {
    struct Case {
        std::string path;
        QString said;  // empty: the file went to the device
    };
    s.makeFolder("lib/sub");
    file("lib/up.mp3", 5000);
    const std::string climbing = s.at("lib/sub/../up.mp3");
    const Case cases[] = {
        {file("lib/1000.mp3", 1000), kFileErrorMessage},
        {s.at("lib/missing.mp3"), kFileErrorMessage},
        {file("lib/1001.mp3", 1001), QString()},
        {file("lib/readme.txt", 5000), kNotMediaMessage},
        {file("lib/noext", 5000), kNotMediaMessage},
        // A playlist or list line that climbs out of its folder names nothing.
        {climbing, kFileErrorMessage},
    };
    for (const auto& c : cases) {
        said.clear();
        const size_t before = device ? device->files.size() : 0;
        play(c.path);
        const size_t after = device ? device->files.size() : 0;
        if (c.said.isEmpty()) {
            EXPECT_TRUE(said.isEmpty()) << c.path;
            EXPECT_EQ(after, before + 1) << c.path;
        } else {
            EXPECT_EQ(messages(), std::vector<QString>{c.said}) << c.path;
            EXPECT_EQ(after, before) << c.path;
        }
    }
}

TEST_F(Preview, ABurstOfRequestsPlaysOnceTheItemCurrentWhenTheTimerFires) {
    const std::string first = file("lib/一.mp3");
    const std::string second = file("lib/二.mp3");
    player.setCurrentItem(first, "一.mp3");
    player.requestPlay();
    const int remaining = playRequestTimer()->remainingTime();
    player.setCurrentItem(second, "二.mp3");
    player.requestPlay();
    EXPECT_LE(playRequestTimer()->remainingTime(), remaining);  // not restarted
    ASSERT_TRUE(QTest::qWaitFor([&] { return !playRequestTimer()->isActive(); }, 2000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(playRequestTimer()->isActive());  // no second run waits
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->files, std::vector<QString>{QString::fromStdString(second)});
}

TEST_F(Preview, APrefixedSongPlaysFromOneDecodedCopyThatGoesWhenAnotherFileIsPlayed) {
    s.mapDrives({{'E', "e"}});
    file("e/Brask搜歌库/1-音乐/歌名bk2009.mp3", 0, "PLAIN-MEDIA-BYTES");
    const std::string prefixed = "E:\\Brask搜歌库\\1-音乐\\歌名bk2009.mp3";
    const std::string copy = data + "歌名.mp3";

    play(prefixed);
    ASSERT_TRUE(fs::exists(copy));
    EXPECT_EQ(testing::readFile(copy), "PLAIN-MEDIA-BYTES");
    EXPECT_EQ(device->files.back(), QString::fromStdString(copy));
    EXPECT_EQ(player.decodedCopy(), copy);

    // Requested again, the copy is played as it is, not made anew.
    s.write("prog/数据文件/歌名.mp3", "KEPT-COPY");
    play(prefixed);
    EXPECT_EQ(testing::readFile(copy), "KEPT-COPY");
    EXPECT_EQ(device->files.size(), 2u);

    // A refused request leaves it; any other file played removes it.
    play(s.at("lib/gone.mp3"));
    EXPECT_TRUE(fs::exists(copy));
    play(file("lib/other.wma"));
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_EQ(player.decodedCopy(), "");

    // The copy of the last one goes at the close query.
    play(prefixed);
    ASSERT_TRUE(fs::exists(copy));
    player.deleteDecodedCopy();
    EXPECT_FALSE(fs::exists(copy));
}

TEST_F(Preview, ARequestMadeWhileACopyIsDecodedTakesOverAndTheCopyIsNotKept) {
    const std::string prefixed = file("lib/慢bk2009.mp3", 0, "SLOW");
    const std::string plain = file("lib/快.mp3");
    // Both requests run before the copy's end reaches the player.
    player.setCurrentItem(prefixed, "慢bk2009.mp3");
    QMetaObject::invokeMethod(playRequestTimer(), "timeout");
    EXPECT_TRUE(player.makingCopy());
    player.setCurrentItem(plain, "快.mp3");
    QMetaObject::invokeMethod(playRequestTimer(), "timeout");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !player.makingCopy(); }, 2000));
    QCoreApplication::processEvents();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->files, std::vector<QString>{QString::fromStdString(plain)});
    EXPECT_FALSE(fs::exists(data + "慢.mp3"));

    // Asked for again while it is made, a copy is made once and then played.
    player.setCurrentItem(prefixed, "慢bk2009.mp3");
    QMetaObject::invokeMethod(playRequestTimer(), "timeout");
    QMetaObject::invokeMethod(playRequestTimer(), "timeout");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !player.makingCopy(); }, 2000));
    QCoreApplication::processEvents();
    EXPECT_EQ(device->files.size(), 2u);
    EXPECT_EQ(device->files.back(), QString::fromStdString(data + "慢.mp3"));
    EXPECT_EQ(testing::readFile(data + "慢.mp3"), "SLOW");
}

TEST_F(Preview, APrefixedFileThatIsNoMediaNeverTakesADataFileWithIt) {
    // The copy's name would be the order list's file: it must survive.
    s.write("prog/数据文件/清单1.txt", "E:\\a.mp3\r\n");
    play(file("lib/清单1bk2009.txt", 0, "text"));
    EXPECT_EQ(messages(), std::vector<QString>{kNotMediaMessage});
    play(file("lib/next.mp3"));
    EXPECT_EQ(testing::readFile(data + "清单1.txt"), "E:\\a.mp3\r\n");
}

TEST_F(Preview, TheDeviceOpeningShowsTheSongAndItsFailureShowsTheDevicesText) {
    play(file("lib/长歌.mp3"), "长歌");
    EXPECT_TRUE(positionTimer()->isActive());
    EXPECT_EQ(player.display().title, QString());  // not before the device has it open
    opened(75 * 60'000);
    const auto& d = player.display();
    EXPECT_EQ(d.title, QStringLiteral("播放:  长歌"));
    EXPECT_EQ(d.length, QStringLiteral("15:00"));
    EXPECT_EQ(d.seekMaximum, 75 * 60'000);
    EXPECT_EQ(d.state, kStatePlaying);
    EXPECT_TRUE(d.stopEnabled);
    EXPECT_TRUE(d.pauseEnabled);

    // The next file cannot be opened: the device's words, the timer off,
    // the panel as it was.
    play(file("lib/坏.wma"), "坏");
    device->reportFailed(QStringLiteral("Could not determine type of stream."));
    QCoreApplication::processEvents();
    EXPECT_EQ(messages(), std::vector<QString>{QStringLiteral(
                              "无法识别文件“坏.wma”的格式，它可能已损坏或不是媒体文件（Could not determine type of stream.）")});
    EXPECT_FALSE(positionTimer()->isActive());
    EXPECT_EQ(d.title, QStringLiteral("播放:  长歌"));
    EXPECT_EQ(d.length, QStringLiteral("15:00"));

    // Reports about a file opened earlier change nothing.
    device->reportOpened(1000);
    Q_EMIT device->opened(device->serial - 1, 5);
    QCoreApplication::processEvents();
    EXPECT_EQ(d.length, QStringLiteral("15:00"));

    // A file that fails while it plays is stopped.
    play(file("lib/中断.mp3"), "中断");
    opened();
    device->reportFailed(QStringLiteral("Internal data stream error."));
    QCoreApplication::processEvents();
    EXPECT_EQ(messages().back(), QStringLiteral("文件“中断.mp3”无法解码，它可能已损坏（Internal data stream error.）"));
    EXPECT_EQ(d.state, kStateStopped);
    EXPECT_EQ(d.title, QString());
    EXPECT_EQ(device->state, FakeDevice::Stopped);
}

// The framework's words reach the operator in Chinese, naming the file, with
// the original after them; words it does not know still name the file.
TEST(PreviewRules, MediaErrorsAreSaidInChineseWithTheOriginalAfter) {
    const std::pair<const char*, const char*> cases[] = {
        {"Could not determine type of stream.", "无法识别文件“歌.mp3”的格式，它可能已损坏或不是媒体文件（Could not determine type of stream.）"},
        {"Cannot play stream of type: <unknown>", "缺少播放文件“歌.mp3”所需的解码器（Cannot play stream of type: <unknown>）"},
        {"Your GStreamer installation is missing a plug-in.", "缺少播放文件“歌.mp3”所需的解码器（Your GStreamer installation is missing a plug-in.）"},
        {"This appears to be a text file", "文件“歌.mp3”是文本文件，不是媒体文件（This appears to be a text file）"},
        {"Resource not found.", "找不到文件“歌.mp3”（Resource not found.）"},
        {"Could not open resource for reading.", "无法打开文件“歌.mp3”（Could not open resource for reading.）"},
        {"Could not open audio device for playback. Device is being used by another application.",
         "声音设备正被其他程序占用，无法播放文件“歌.mp3”（Could not open audio device for playback. Device is being used by "
         "another application.）"},
        // GStreamer's own words under a Chinese locale, as the shop runs it
        {"无法确定流类型。", "无法识别文件“歌.mp3”的格式，它可能已损坏或不是媒体文件（无法确定流类型。）"},
        {"您的 GStreamer 安装缺少插件。", "缺少播放文件“歌.mp3”所需的解码器（您的 GStreamer 安装缺少插件。）"},
        {"资源未找到。", "找不到文件“歌.mp3”（资源未找到。）"},
        {"资源忙或不可用。", "声音设备正被其他程序占用，无法播放文件“歌.mp3”（资源忙或不可用。）"},
        {"Something else entirely", "播放文件“歌.mp3”时出错（Something else entirely）"},
        {"", "播放文件“歌.mp3”时出错"},
    };
    for (const auto& [original, said] : cases)
        EXPECT_EQ(mediaErrorText(QString::fromUtf8(original), QStringLiteral("歌.mp3")), QString::fromUtf8(said)) << original;
}

TEST_F(Preview, PauseResumeAndStop) {
    player.makeResultCurrent(0, file("lib/a.mp3"), "a.mp3");
    EXPECT_TRUE(player.display().playEnabled);
    EXPECT_TRUE(player.display().playHighlighted);
    player.requestPlay();
    ASSERT_TRUE(QTest::qWaitFor([&] { return device != nullptr; }, 2000));
    opened();
    const auto& d = player.display();

    player.togglePause();
    EXPECT_EQ(device->state, FakeDevice::Paused);
    EXPECT_EQ(d.pauseCaption, kResumeCaption);
    EXPECT_EQ(d.state, kStatePaused);
    EXPECT_FALSE(d.playEnabled);
    EXPECT_TRUE(positionTimer()->isActive());  // the position just stands still

    player.togglePause();
    EXPECT_EQ(device->state, FakeDevice::Playing);
    EXPECT_EQ(d.pauseCaption, kPauseCaption);
    EXPECT_EQ(d.state, kStatePlaying);
    EXPECT_TRUE(d.playEnabled);

    device->at = 65'000;
    QMetaObject::invokeMethod(positionTimer(), "timeout");
    EXPECT_EQ(d.position, QStringLiteral("01:05"));
    player.stop();
    EXPECT_EQ(device->state, FakeDevice::Stopped);
    EXPECT_EQ(device->at, 0);
    EXPECT_FALSE(positionTimer()->isActive());
    EXPECT_EQ(d.position, QStringLiteral("00:00"));
    EXPECT_EQ(d.state, kStateStopped);
    EXPECT_EQ(d.title, QString());
    EXPECT_EQ(d.length, QString());
    EXPECT_FALSE(d.stopEnabled);
    EXPECT_FALSE(d.pauseEnabled);
    EXPECT_EQ(d.pauseCaption, kPauseCaption);
}

TEST_F(Preview, AMoveOfTheSeekBarByMoreThanASecondSeeksAPlayingFile) {
    play(file("lib/a.mp3"));
    opened();
    device->at = 10'000;
    struct Case {
        qint64 to;
        bool seeks;
    };
    const Case cases[] = {
        {11'000, false},  // a second or less away
        {9'000, false},
        {11'001, true},
        {8'999, true},
    };
    for (const auto& c : cases) {
        device->seeks.clear();
        device->at = 10'000;
        device->state = FakeDevice::Playing;
        player.seekBarMoved(c.to);
        EXPECT_EQ(device->seeks, c.seeks ? std::vector<qint64>{c.to} : std::vector<qint64>{}) << c.to;
    }

    // Seeking while paused plays on from there, and the panel says so.
    player.togglePause();
    player.seekBarMoved(50'000);
    EXPECT_EQ(device->state, FakeDevice::Playing);
    EXPECT_EQ(player.display().state, kStatePlaying);
    EXPECT_EQ(player.display().pauseCaption, kPauseCaption);

    // With the position timer off nothing is seeked.
    player.stop();
    device->seeks.clear();
    player.seekBarMoved(90'000);
    EXPECT_TRUE(device->seeks.empty());
}

TEST_F(Preview, TheEndOfASongPlaysThePlaylistOnWithoutEnd) {
    std::vector<PlaylistEntry> songs;
    for (const char* name : {"一", "二", "三"}) songs.push_back({file(std::string("lib/") + name + ".mp3"), name});
    player.addToPlaylist(songs);
    // A press on result row 1 made that row current: the entry after it follows.
    player.makeResultCurrent(1, file("lib/result.mp3"), "result.mp3");
    player.requestPlay();
    ASSERT_TRUE(QTest::qWaitFor([&] { return device != nullptr; }, 2000));
    opened();

    std::vector<int> order;
    for (int i = 0; i < 4; ++i) {
        ended();
        EXPECT_EQ(player.display().position, QStringLiteral("00:00"));
        EXPECT_EQ(player.display().title, QString());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !playRequestTimer()->isActive(); }, 2000));
        QCoreApplication::processEvents();
        order.push_back(player.currentIndex());
        EXPECT_EQ(device->files.back(), QString::fromStdString(songs[static_cast<size_t>(order.back())].path));
        EXPECT_EQ(player.playlistSelection().selectedRows().front().row(), order.back());
        opened();
    }
    EXPECT_EQ(order, (std::vector<int>{2, 0, 1, 2}));
    EXPECT_EQ(player.currentName(), "三");

    // A late notice about a file played before is no end of this one.
    device->reportEnded(device->serial - 1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(positionTimer()->isActive());
}

// Continuous play that reaches an entry it cannot play ends there, and the
// panel says so: a file the device refuses, one too short to be a song.
TEST_F(Preview, ContinuousPlayStoppedByAnUnplayableEntrySaysStopped) {
    player.addToPlaylist({{file("lib/坏.mp3"), "坏"}, {file("lib/短.mp3", 10), "短"}});
    // The row pressed decides the entry that follows: after 1 comes 0.
    for (const auto& [row, refused] : {std::pair{1, true}, std::pair{0, false}}) {
        SCOPED_TRACE(refused ? "refused by the device" : "too short");
        player.makeResultCurrent(row, file("lib/一.mp3"), "一.mp3");
        player.requestPlay();
        ASSERT_TRUE(QTest::qWaitFor([&] { return device != nullptr && !playRequestTimer()->isActive(); }, 2000));
        QCoreApplication::processEvents();
        opened();
        ASSERT_EQ(player.display().state, kStatePlaying);
        ended();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !playRequestTimer()->isActive(); }, 2000));
        QCoreApplication::processEvents();
        if (refused) {
            device->reportFailed(QStringLiteral("Could not determine type of stream."));
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(player.display().state, kStateStopped);
        EXPECT_FALSE(positionTimer()->isActive());
        EXPECT_FALSE(playRequestTimer()->isActive());
    }
}

TEST_F(Preview, WithAnEmptyPlaylistASongPlaysOnceAndTheButtonsStay) {
    play(file("lib/a.mp3"));
    opened();
    ended();
    EXPECT_FALSE(playRequestTimer()->isActive());  // nothing more is to play
    EXPECT_EQ(device->files.size(), 1u);
    EXPECT_EQ(device->state, FakeDevice::Stopped);
    EXPECT_FALSE(positionTimer()->isActive());
    EXPECT_EQ(player.display().state, kStateStopped);
    EXPECT_TRUE(player.display().stopEnabled);
    EXPECT_TRUE(player.display().pauseEnabled);
    // Stopped by the operator, the device's end is no end of a song.
    ended();
    EXPECT_EQ(device->files.size(), 1u);
}

TEST_F(Preview, VideosGoToTheDesktopsPlayer) {
    const std::string video = file("lib/电影bk2009.rmvb", 0, "FILM");
    play(video);
    ASSERT_EQ(handedOut.size(), 1u);
    EXPECT_EQ(handedOut[0], data + "电影.rmvb");  // the decoded copy, as one path
    EXPECT_TRUE(said.isEmpty());
    EXPECT_EQ(device, nullptr);  // the in-window device is not even made

    externalPlayerFound = false;
    play(file("lib/film.avi"));
    EXPECT_EQ(messages(), std::vector<QString>{kNoPlayerMessage});
    EXPECT_EQ(player.display().state, kStateStopped);
}

TEST_F(Preview, ThePlaylistFileHoldsThePathsAndEveryChangeIsSaved) {
    const std::string list = data + "播放列表.txt";
    player.addToPlaylist({});
    EXPECT_FALSE(fs::exists(list));  // nothing selected: nothing saved

    player.addToPlaylist({{"E:\\Brask搜歌库\\1-音乐\\歌名bk2009.mp3", "歌名"}, {"E:\\电影\\film.rmvb", "film"}});
    player.addToPlaylist({{"E:\\a.mp3", "a"}});
    EXPECT_EQ(testing::readFile(list),
              platform::utf8ToGb18030("E:\\Brask搜歌库\\1-音乐\\歌名bk2009.mp3\r\nE:\\电影\\film.rmvb\r\nE:\\a.mp3\r\n"));

    player.playlistSelection().select(player.playlist().index(0), QItemSelectionModel::ClearAndSelect);
    player.deleteSelectedPlaylistEntry();
    EXPECT_EQ(testing::readFile(list), platform::utf8ToGb18030("E:\\电影\\film.rmvb\r\nE:\\a.mp3\r\n"));

    // At the next start the names are the display names.
    PreviewPlayer again(s.jobs(), s.drives(), s.errors(), data, [] { return std::make_unique<FakeDevice>(); }, [](const std::string&) { return true; });
    again.loadPlaylist();
    ASSERT_EQ(again.playlist().count(), 2);
    EXPECT_EQ(again.playlist().entry(0).name, "film");
    EXPECT_EQ(again.playlist().data(again.playlist().index(0), Qt::DisplayRole).toString(), QStringLiteral("film"));
    EXPECT_EQ(again.playlist().entry(1).path, "E:\\a.mp3");

    // Clicking an entry makes it current and enables both "播放".
    again.playlistSelection().select(again.playlist().index(1), QItemSelectionModel::ClearAndSelect);
    again.makePlaylistEntryCurrent();
    EXPECT_EQ(again.currentPath(), "E:\\a.mp3");
    EXPECT_EQ(again.currentIndex(), 1);
    EXPECT_TRUE(again.display().playEnabled);
    EXPECT_TRUE(again.display().playlistPlayEnabled);

    again.clearPlaylist();
    EXPECT_EQ(testing::readFile(list), "");
    // "全部添加" of an empty result list still writes the file.
    fs::remove(list);
    again.addAllToPlaylist({});
    EXPECT_TRUE(fs::exists(list));
}

TEST_F(Preview, APlaylistLineThatDoesNotDecodeKeepsItsBytesAndAFailedSaveSaysWhyInChinese) {
    const std::string list = data + "播放列表.txt";
    const std::string bad = "E:\\\xFF\x80\xFE坏.mp3";  // not GB18030
    const std::string original = platform::utf8ToGb18030("E:\\一.mp3\r\n") + bad + "\r\n";
    s.write("prog/数据文件/播放列表.txt", original);
    player.loadPlaylist();
    ASSERT_EQ(player.playlist().count(), 2);
    player.addToPlaylist({{"E:\\二.mp3", "二"}});
    EXPECT_EQ(testing::readFile(list), original + platform::utf8ToGb18030("E:\\二.mp3\r\n"));

    std::string reported;
    QObject::connect(&s.errors(), &core::ErrorReports::reported, &s.errors(), [&reported](const QString& q) { const std::string message = q.toStdString(); reported = message; });
    fs::remove_all(data);
    player.clearPlaylist();
    EXPECT_EQ(reported, "无法保存播放列表文件：" + list + "\n系统找不到指定的路径。");
}

TEST_F(Preview, PlayAddsTheSelectedRowsFirstOnlyForAnMp3) {
    const std::vector<PlaylistEntry> rows{{"E:\\x.mp3", "x"}, {"E:\\y.wma", "y"}};
    player.setCurrentItem(file("lib/cur.wma"), "cur.wma");
    player.playAddingToPlaylist(rows);
    EXPECT_EQ(player.playlist().count(), 0);
    EXPECT_TRUE(playRequestTimer()->isActive());
    player.setCurrentItem(file("lib/cur.MP3"), "cur.MP3");
    player.playAddingToPlaylist(rows);
    EXPECT_EQ(player.playlist().count(), 2);
}

// The menus' rows reach the playlist through the station.
class PreviewStation : public ::testing::Test {
protected:
    std::unique_ptr<app::Station> start() {
        auto station = std::make_unique<app::Station>(core::ProgramFolders::at(s.at("prog")));
        QSignalSpy started(station.get(), &app::Station::startupFinished);
        station->create();
        station->firstShow();
        EXPECT_TRUE(started.wait(3000));
        return station;
    }
    static std::vector<std::string> paths(PreviewPlayer& preview) {
        std::vector<std::string> all;
        for (int i = 0; i < preview.playlist().count(); ++i) all.push_back(preview.playlist().entry(i).path);
        return all;
    }
    Scratch s;
};

TEST_F(PreviewStation, PlayOnAResultRowAddsTheSelectedRowsFirstOnlyForAnMp3) {
    auto station = start();
    auto& preview = station->preview();
    const std::vector<std::string> rows{"E:\\乐\\一bk2009.mp3", "E:\\乐\\二.wma", "E:\\乐\\三.mp3"};
    station->results().append(std::vector<std::string>(rows));
    auto select = [&](std::initializer_list<int> which) {
        station->resultSelection().clearSelection();
        for (int row : which)
            station->resultSelection().select(station->results().index(row, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };

    select({0, 1});
    station->makeResultCurrent(1);  // the .wma row
    station->playResults();
    EXPECT_EQ(preview.playlist().count(), 0);
    EXPECT_TRUE(preview.findChild<QTimer*>(QStringLiteral("BoFangTimer2"))->isActive());
    preview.findChild<QTimer*>(QStringLiteral("BoFangTimer2"))->stop();

    station->makeResultCurrent(0);  // the .mp3 row
    station->playResults();
    preview.findChild<QTimer*>(QStringLiteral("BoFangTimer2"))->stop();
    EXPECT_EQ(paths(preview), (std::vector<std::string>{rows[0], rows[1]}));
    EXPECT_EQ(preview.playlist().entry(0).name, "一");  // the row's caption
    EXPECT_EQ(preview.currentIndex(), 0);

    select({});
    station->addResultsToPlaylist();  // nothing selected: nothing
    station->addAllResultsToPlaylist();
    EXPECT_EQ(preview.playlist().count(), 5);

    // The order view: the selected entries, with their captions.
    station->orderBook().add({rows[2], rows[1]});
    station->orderBook().selection().select(station->orderBook().rows().index(1, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    station->addEntriesToPlaylist();
    EXPECT_EQ(preview.playlist().entry(5).path, rows[1]);
    EXPECT_EQ(preview.playlist().entry(5).name, "二");
    station->makeEntryCurrent(0);
    EXPECT_EQ(preview.currentName(), "三");
    station->playEntries();
    preview.findChild<QTimer*>(QStringLiteral("BoFangTimer2"))->stop();
    EXPECT_EQ(preview.playlist().count(), 7);
}

TEST_F(PreviewStation, ADeletedEntryStaysGoneAfterARestart) {
    s.write("prog/数据文件/播放列表.txt", platform::utf8ToGb18030("E:\\a.mp3\r\nE:\\film.rmvb\r\nE:\\c.mid\r\n"));
    {
        auto station = start();
        auto& preview = station->preview();
        ASSERT_EQ(preview.playlist().count(), 3);
        EXPECT_EQ(preview.playlist().entry(1).name, "film");
        preview.playlistSelection().select(preview.playlist().index(1), QItemSelectionModel::ClearAndSelect);
        preview.deleteSelectedPlaylistEntry();
        station->closeQuery();
    }
    auto station = start();
    EXPECT_EQ(paths(station->preview()), (std::vector<std::string>{"E:\\a.mp3", "E:\\c.mid"}));
}

}  // namespace
}  // namespace zorvik::player
