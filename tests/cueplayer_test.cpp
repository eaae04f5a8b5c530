#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <filesystem>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include "player/cueplayer.h"
#include "player/wavinfo.h"
#include "support/fixture.h"

namespace zorvik::player {
namespace {

using testing::Scratch;
using enum core::Cues::Cue;

std::string wav(int sampleRate, int bits, int channels, int dataBytes) {
    auto le = [](std::string& s, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    std::string s = "RIFF";
    le(s, 36 + static_cast<std::uint32_t>(dataBytes), 4);
    s += "WAVEfmt ";
    le(s, 16, 4);
    le(s, 1, 2);
    le(s, static_cast<std::uint32_t>(channels), 2);
    le(s, static_cast<std::uint32_t>(sampleRate), 4);
    le(s, static_cast<std::uint32_t>(sampleRate * channels * bits / 8), 4);
    le(s, static_cast<std::uint32_t>(channels * bits / 8), 2);
    le(s, static_cast<std::uint32_t>(bits), 2);
    s += "data";
    le(s, static_cast<std::uint32_t>(dataBytes), 4);
    s.append(static_cast<size_t>(dataBytes), '\0');
    return s;
}

TEST(WavInfo, AcceptsPcmAndRefusesTheRest) {
    auto ok = parseWav(wav(22050, 16, 1, 22050));
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->durationMs(), 500);
    EXPECT_EQ(parseWav(wav(8000, 8, 2, 8000))->durationMs(), 500);
    EXPECT_FALSE(parseWav(wav(44100, 32, 2, 100)));  // the cue device takes 8 and 16 bits only
    EXPECT_FALSE(parseWav("not a wav file at all"));
    EXPECT_FALSE(parseWav(wav(22050, 16, 1, 100).substr(0, 30)));  // truncated header
    std::string noData = wav(22050, 16, 1, 0);
    EXPECT_FALSE(parseWav(noData));
}

class Cues : public ::testing::Test {
protected:
    void SetUp() override {
        for (int cue = 1; cue <= 7; ++cue)
            s.write("按键音乐/" + cueFileName(cue).toStdString(), wav(22050, 16, 1, 4410));
    }
    QString folder() const { return QString::fromStdString(s.at("按键音乐/")); }
    // Waits for the pending cue's timer to have fired and been handled.
    static bool fired(const CuePlayer& cues) {
        const QTimer* timer = cues.findChild<QTimer*>(QStringLiteral("ShengYingTimer"));
        return QTest::qWaitFor([timer] { return !timer->isActive(); }, 1000);
    }
    Scratch s;
};

TEST_F(Cues, ABurstIsHeardOnceAsItsLastRequestAtTheFirstDeadline) {
    CuePlayer cues(folder());
    QSignalSpy played(&cues, &CuePlayer::played);
    QElapsedTimer clock;
    clock.start();
    cues.request(Select);
    QTest::qWait(5);
    cues.request(Copied);
    EXPECT_EQ(cues.pending(), Copied);
    ASSERT_TRUE(played.wait(1000));
    qint64 firedAfter = clock.elapsed();
    QCoreApplication::processEvents();
    ASSERT_EQ(played.size(), 1);
    EXPECT_EQ(played[0][0].toInt(), Copied);
    EXPECT_TRUE(played[0][1].toString().endsWith(QStringLiteral("复制.wav")));
    // It waited for the deadline. That the later request did not push it back
    // is shown without a clock, which a loaded machine slows, in the next test.
    EXPECT_GE(firedAfter, 25);
    EXPECT_FALSE(cues.findChild<QTimer*>(QStringLiteral("ShengYingTimer"))->isActive());
    EXPECT_EQ(cues.pending(), Copied);  // playing does not reset it
}

TEST_F(Cues, TheTimerIsNotRestartedByALaterRequest) {
    CuePlayer cues(folder());
    QSignalSpy played(&cues, &CuePlayer::played);
    cues.request(Select);
    const QTimer* timer = cues.findChild<QTimer*>(QStringLiteral("ShengYingTimer"));
    int remaining = timer->remainingTime();
    QTest::qWait(15);
    cues.request(Found);
    EXPECT_LT(timer->remainingTime(), remaining);
    ASSERT_TRUE(played.wait(1000));
    EXPECT_EQ(played[0][0].toInt(), Found);
}

TEST_F(Cues, MissingFilesAreSilentAndBrokenFilesAreReported) {
    std::filesystem::remove(s.at("按键音乐/选定.wav"));
    s.write("按键音乐/错误.wav", "garbage, not a wave file");
    CuePlayer cues(folder());
    QSignalSpy played(&cues, &CuePlayer::played);
    QSignalSpy failed(&cues, &CuePlayer::failed);

    cues.request(Select);
    ASSERT_TRUE(fired(cues));
    EXPECT_EQ(played.size(), 0);
    EXPECT_EQ(failed.size(), 0);

    cues.request(Found);  // other cues still sound
    ASSERT_TRUE(played.wait(1000));

    cues.request(Error);
    ASSERT_TRUE(failed.wait(1000));
    EXPECT_TRUE(failed[0][0].toString().contains(QStringLiteral("错误.wav")));

    cues.request(0);  // numbers outside the table name no file
    cues.request(9);
    ASSERT_TRUE(fired(cues));
    EXPECT_EQ(played.size(), 1);
}

TEST_F(Cues, RequestsFromAWorkerThreadPlayOnTheOwnThread) {
    CuePlayer cues(folder());
    QSignalSpy played(&cues, &CuePlayer::played);
    std::unique_ptr<QThread> worker(QThread::create([&cues] { cues.request(Copied); }));
    worker->start();
    worker->wait();
    ASSERT_TRUE(played.wait(1000));
    EXPECT_EQ(played[0][0].toInt(), Copied);
}

TEST_F(Cues, ExitSoundPlaysAtOnceWithoutAPendingCue) {
    CuePlayer cues(folder());
    QSignalSpy played(&cues, &CuePlayer::played);
    int linger = cues.playExitSound();
    ASSERT_EQ(played.size(), 1);  // at once, not through the timer
    EXPECT_EQ(played[0][0].toInt(), Exit);
    EXPECT_FALSE(cues.findChild<QTimer*>(QStringLiteral("ShengYingTimer"))->isActive());
    EXPECT_LE(linger, 2000);

    std::filesystem::remove(s.at("按键音乐/退出.wav"));
    EXPECT_EQ(cues.playExitSound(), 0);
    EXPECT_EQ(played.size(), 1);
}

}  // namespace
}  // namespace zorvik::player
