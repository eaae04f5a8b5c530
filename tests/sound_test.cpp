// What the preview player plays is heard: a sound server of the test's own
// with a null sink records it, and its sink takes the volume bar's changes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <cstring>
#include <filesystem>

#include "app/station.h"
#include "platform/drives.h"
#include "platform/mastervolume.h"
#include "platform/textcodec.h"
#include "player/cueplayer.h"
#include "support/fixture.h"
#include "support/sound.h"

namespace zorvik {
namespace {

testing::SoundServer* gServer = nullptr;
namespace fs = std::filesystem;
using testing::Scratch;

class Sound : public ::testing::Test {
protected:
    void SetUp() override {
        if (!gServer || !gServer->running())
            GTEST_SKIP() << "no sound server: " << (gServer ? gServer->why().toStdString() : "");
        gServer->setSinkVolumePercent(100);
    }
};

// A station on a scratch program folder, E: mapped into it, started.
class StationSound : public Sound {
protected:
    void SetUp() override {
        Sound::SetUp();
        if (IsSkipped()) return;
        s.write("prog/数据文件/Corlen.ini", platform::utf8ToGb18030("[Drives]\r\nD=" + s.makeFolder("d") +
                                                                "\r\nE=" + s.makeFolder("e") +
                                                                "\r\n[PanFu1]\r\nPanFu1=E\r\n"));
        station = std::make_unique<app::Station>(core::ProgramFolders::at(s.at("prog")));
        QSignalSpy started(station.get(), &app::Station::startupFinished);
        station->create();
        station->firstShow();
        ASSERT_TRUE(started.wait(3000));
    }
    void TearDown() override {
        station.reset();
    }
    // A song below E:'s music folder; returns its drive path.
    std::string song(const std::string& name, double seconds, int frequency = 440) {
        const std::string native = s.at("e/Brask搜歌库/1-音乐/" + name);
        if (name.find("bk2009") == std::string::npos) {
            EXPECT_TRUE(testing::makeSong(native, seconds, frequency)) << name;
        } else {
            const std::string plain = s.at("plain.mp3");
            EXPECT_TRUE(testing::makeSong(plain, seconds, frequency));
            s.write("e/Brask搜歌库/1-音乐/" + name, std::string(407552, 'L') + testing::readFile(plain));
        }
        return "E:\\Brask搜歌库\\1-音乐\\" + name;
    }
    void play(const std::string& path) {
        station->setCurrentItem(path);
        station->preview().requestPlay();
    }
    bool waitForState(const QString& state, int ms) {
        return QTest::qWaitFor([&] { return station->preview().display().state == state; }, ms);
    }

    Scratch s;
    std::unique_ptr<app::Station> station;
};

TEST_F(StationSound, APrefixedSongIsPlayedFromItsDecodedCopyAndHeard) {
    const std::string prefixed = song("歌名bk2009.mp3", 1.5);
    const std::string copy = s.at("prog/数据文件/歌名.mp3");
    auto& preview = station->preview();
    QSignalSpy started(&preview, &player::PreviewPlayer::started);
    {
        testing::Recording recording;
        play(prefixed);
        ASSERT_TRUE(waitForState(player::kStatePlaying, 5000));
        EXPECT_EQ(preview.display().title, QStringLiteral("播放:  歌名bk2009.mp3"));
        EXPECT_EQ(preview.display().length, QStringLiteral("00:01"));
        ASSERT_TRUE(waitForState(player::kStateStopped, 5000));  // played to its end
        EXPECT_GT(recording.peak(), 0.05);
    }
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0][0].toString(), QString::fromStdString(copy));
    ASSERT_TRUE(fs::exists(copy));

    // Again: the copy made before is played as it is (one made again would be new).
    const auto made = fs::last_write_time(copy) - std::chrono::hours(1);
    fs::last_write_time(copy, made);
    play(prefixed);
    ASSERT_TRUE(started.wait(2000));
    EXPECT_EQ(fs::last_write_time(copy), made);

    // Another file: the copy goes.
    play(song("别的.mp3", 0.5));
    ASSERT_TRUE(started.wait(2000));
    EXPECT_FALSE(fs::exists(copy));

    // The copy of the last song goes at the close query.
    play(prefixed);
    ASSERT_TRUE(started.wait(2000));
    ASSERT_TRUE(fs::exists(copy));
    station->closeQuery();
    EXPECT_FALSE(fs::exists(copy));
}

TEST_F(StationSound, AThreeSongPlaylistPlaysOneTwoThreeOneWithoutTheOperator) {
    // Three formats, three decoders.
    std::vector<player::PlaylistEntry> songs{{song("一.mp3", 1.0, 330), "一"},
                                             {song("二.wma", 1.0, 440), "二"},
                                             {song("三.mid", 1.0), "三"}};
    auto& preview = station->preview();
    preview.addToPlaylist(songs);
    preview.playlistSelection().select(preview.playlist().index(0), QItemSelectionModel::ClearAndSelect);
    preview.makePlaylistEntryCurrent();
    QSignalSpy started(&preview, &player::PreviewPlayer::started);
    QSignalSpy said(station.get(), &app::Station::messageRequested);
    testing::Recording recording;
    preview.requestPlay();
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.size() >= 4; }, 15000))
        << started.size() << " started; " << (said.isEmpty() ? "" : said[0][0].toString().toStdString());
    std::vector<QString> order;
    for (const auto& call : started) order.push_back(call[0].toString());
    std::vector<QString> expected;
    for (int i : {0, 1, 2, 0}) expected.push_back(QString::fromStdString(songs[static_cast<size_t>(i)].path));
    EXPECT_EQ(std::vector<QString>(order.begin(), order.begin() + 4), expected);
    EXPECT_EQ(preview.playlistSelection().selectedRows().front().row(), 0);
    EXPECT_GT(recording.peak(), 0.05);
}

TEST_F(StationSound, WithAnEmptyPlaylistASongPlaysOnceAndEndsStopped) {
    auto& preview = station->preview();
    QSignalSpy started(&preview, &player::PreviewPlayer::started);
    play(song("一首.wav", 0.8));
    ASSERT_TRUE(waitForState(player::kStatePlaying, 5000));
    ASSERT_TRUE(waitForState(player::kStateStopped, 5000));
    EXPECT_FALSE(preview.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
    EXPECT_EQ(preview.display().title, QString());
    QCoreApplication::processEvents();
    EXPECT_FALSE(preview.findChild<QTimer*>(QStringLiteral("BoFangTimer2"))->isActive());  // nothing more to play
    EXPECT_EQ(started.size(), 1);
}

TEST_F(StationSound, OneByteOverTheLimitIsTriedAndTheDecodersWordsAreShown) {
    QSignalSpy said(station.get(), &app::Station::messageRequested);
    s.write("e/Brask搜歌库/1-音乐/小.mp3", std::string(1000, 'x'));
    play("E:\\Brask搜歌库\\1-音乐\\小.mp3");
    ASSERT_TRUE(said.wait(2000));
    EXPECT_EQ(said[0][0].toString(), player::kFileErrorMessage);

    s.write("e/Brask搜歌库/1-音乐/坏.mp3", std::string(1001, 'x'));
    play("E:\\Brask搜歌库\\1-音乐\\坏.mp3");
    ASSERT_TRUE(said.wait(5000));
    const QString text = said[1][0].toString();
    EXPECT_FALSE(text.isEmpty());
    EXPECT_NE(text, player::kFileErrorMessage);
    EXPECT_NE(text, player::kNotMediaMessage);
    // GStreamer's words, known and said in Chinese for the file, then its own.
    EXPECT_TRUE(text.contains(QStringLiteral("“坏.mp3”"))) << text.toStdString();
    EXPECT_FALSE(text.startsWith(QStringLiteral("播放文件"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("）")) && text.contains(QStringLiteral("（"))) << text.toStdString();
    EXPECT_FALSE(station->preview().findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
    EXPECT_EQ(station->preview().display().state, player::kStateStopped);
}

// Each cue file a tone of its own, so that the recording tells which cue sounded.
class CueSound : public Sound {
protected:
    static constexpr double kToneSeconds = 0.25;
    static int toneOf(int cue) { return 300 + 150 * cue; }
    void SetUp() override {
        Sound::SetUp();
        if (IsSkipped()) return;
        for (int cue = 1; cue <= 7; ++cue)
            ASSERT_TRUE(testing::makeSong(s.at("按键音乐/" + player::cueFileName(cue).toStdString()),
                                          cue == core::Cues::Startup ? 1.0 : kToneSeconds, toneOf(cue)));
        cues = std::make_unique<player::CuePlayer>(QString::fromStdString(s.at("按键音乐/")));
    }

    Scratch s;
    std::unique_ptr<player::CuePlayer> cues;
};

TEST_F(CueSound, TheSameCueRequestedAgainAndAgainIsHeardEveryTimeOnTime) {
    std::vector<int> requested(12, core::Cues::Select);
    requested.push_back(core::Cues::Copied);
    requested.push_back(core::Cues::Select);
    testing::Recording recording;
    std::vector<testing::Asked> asked;
    for (int cue : requested) {
        asked.push_back({recording.elapsed(), toneOf(cue), kToneSeconds});
        cues->request(cue);
        QTest::qWait(400);
    }
    QTest::qWait(400);
    EXPECT_EQ(testing::unheard(recording.bursts(), asked), "");
}

TEST_F(CueSound, ACueStillSoundingIsCutOffByTheNext) {
    testing::Recording recording;
    cues->request(core::Cues::Startup);  // a second long
    QTest::qWait(400);
    cues->request(core::Cues::Found);
    QTest::qWait(800);
    const auto heard = recording.bursts(0.05, 0.01);
    ASSERT_EQ(heard.size(), 2u) << testing::unheard(heard, {});
    // The tones lie 150 Hz apart; a cut-off tone's zero crossings read a
    // little off its pitch where it was cut.
    EXPECT_NEAR(heard[0].frequency, toneOf(core::Cues::Startup), 50);
    EXPECT_LT(heard[0].length, 0.6);
    EXPECT_NEAR(heard[1].frequency, toneOf(core::Cues::Found), 50);
    EXPECT_NEAR(heard[1].length, kToneSeconds, 0.03);
}

// Cues cut off one another in every state of their streams, the device is
// dropped with cues still going, and the last cue is still heard whole.
TEST_F(CueSound, CuesInQuickSuccessionLeaveTheDeviceWorking) {
    for (int i = 0; i < 100; ++i) {
        cues->request(1 + i % 7);
        QTest::qWait(20 + (i * 37) % 90);
    }
    QTest::qWait(500);
    testing::Recording recording;
    const double at = recording.elapsed();
    cues->request(core::Cues::Found);
    QTest::qWait(700);
    EXPECT_EQ(testing::unheard(recording.bursts(), {{at, toneOf(core::Cues::Found), kToneSeconds}}), "");
    cues->request(core::Cues::Select);
    QTest::qWait(40);
    cues.reset();
}

TEST_F(Sound, TheVolumeSetsTheDefaultSinkThroughTheServerOrAlsa) {
    for (auto route : {platform::MasterVolume::Route::Any, platform::MasterVolume::Route::AlsaOnly}) {
        platform::MasterVolume volume(route);
        EXPECT_TRUE(volume.set(0));
        EXPECT_EQ(gServer->sinkVolumes(), QStringLiteral("0 0"));
        EXPECT_TRUE(volume.set(platform::MasterVolume::kFullScale));
        EXPECT_EQ(gServer->sinkVolumes(), QStringLiteral("100 100"));
        EXPECT_TRUE(volume.set(32768));
        EXPECT_EQ(gServer->sinkVolumes(), QStringLiteral("50 50"));
    }
}

}  // namespace
}  // namespace zorvik

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no server.
    bool listing = false;
    for (int i = 1; i < argc; ++i) listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    std::unique_ptr<zorvik::testing::SoundServer> server;
    if (!listing) {
        server = std::make_unique<zorvik::testing::SoundServer>();
        zorvik::gServer = server.get();
    }
    return RUN_ALL_TESTS();
}
