// The preview player and the cue device on Qt Multimedia.
#include <QAudioDevice>
#include <QAudioOutput>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>
#include <memory>
#include <vector>

#include "platform/sound/backends.h"

namespace zorvik::platform::sound {

namespace {

// A seek of a file that has played goes to a fresh pipeline: QMediaPlayer's
// GStreamer backend (Qt 6.4) now and then leaves a pipeline that is sought
// after it has played without sound, its position running on as if it played
// (one seek in four or five on this machine, paused or not). The file is
// opened again, prerolled paused, sought before its sink has run, and played
// on if it played or was asked to.
class QtMediaBackend final : public MediaBackend {
public:
    explicit QtMediaBackend(MediaEvents& events) : events_(events) {
        MediaPlayer1.setObjectName(QStringLiteral("MediaPlayer1"));
        MediaPlayer1.setAudioOutput(&output_);
        settle_.setSingleShot(true);
        settle_.setInterval(kSettleMs);
        QObject::connect(&settle_, &QTimer::timeout, &MediaPlayer1, [this] { settled(); });
        QObject::connect(&MediaPlayer1, &QMediaPlayer::mediaStatusChanged, &MediaPlayer1,
                         [this](QMediaPlayer::MediaStatus status) {
                             if (reseeking_) {
                                 // The file opened again is no news; once loaded it prerolls paused.
                                 if (status == QMediaPlayer::LoadedMedia && step_ == Step::Loading) {
                                     step_ = Step::Prerolling;
                                     MediaPlayer1.pause();
                                     settle_.start();
                                 }
                                 return;
                             }
                             switch (status) {
                                 case QMediaPlayer::LoadedMedia:
                                 case QMediaPlayer::BufferingMedia:
                                 case QMediaPlayer::BufferedMedia:
                                     if (!opened_ && !failed_) {
                                         opened_ = true;
                                         events_.mediaOpened(MediaPlayer1.duration());
                                     }
                                     break;
                                 case QMediaPlayer::EndOfMedia:
                                     events_.mediaEnded();
                                     break;
                                 default:
                                     break;
                             }
                         });
        QObject::connect(&MediaPlayer1, &QMediaPlayer::durationChanged, &MediaPlayer1, [this](qint64 length) {
            if (opened_ && !reseeking_) events_.mediaLengthChanged(length);
        });
        QObject::connect(&MediaPlayer1, &QMediaPlayer::errorOccurred, &MediaPlayer1,
                         [this](QMediaPlayer::Error, const QString& text) {
                             endReseek();
                             // GStreamer follows its first error with a general one; the first says what went wrong.
                             if (failed_) return;
                             failed_ = true;
                             events_.mediaFailed(text);
                         });
    }
    ~QtMediaBackend() override { MediaPlayer1.stop(); }

    void open(const QString& nativePath) override {
        endReseek();
        opened_ = false;
        failed_ = false;
        source_ = QUrl::fromLocalFile(nativePath);
        // The same file again would be taken as no change at all: close first.
        MediaPlayer1.setSource(QUrl());
        MediaPlayer1.setSource(source_);
    }
    void play() override {
        if (reseeking_)
            playAfter_ = true;
        else
            MediaPlayer1.play();
    }
    void pauseToggle() override {
        if (reseeking_) {
            playAfter_ = !playAfter_;
        } else if (MediaPlayer1.playbackState() == QMediaPlayer::PlayingState) {
            MediaPlayer1.pause();
        } else if (MediaPlayer1.playbackState() == QMediaPlayer::PausedState) {
            MediaPlayer1.play();
        }
    }
    void stop() override {
        endReseek();
        MediaPlayer1.stop();
    }
    void seek(qint64 ms) override {
        target_ = ms;
        if (reseeking_) return;  // a drag: the seek under way goes to the latest place
        const auto state = MediaPlayer1.playbackState();
        if (state == QMediaPlayer::StoppedState || source_.isEmpty()) {
            MediaPlayer1.setPosition(ms);  // nothing has played since the last stop
            return;
        }
        reseeking_ = true;
        step_ = Step::Loading;
        playAfter_ = state == QMediaPlayer::PlayingState;
        MediaPlayer1.setSource(QUrl());
        MediaPlayer1.setSource(source_);
    }
    qint64 position() const override { return reseeking_ ? target_ : MediaPlayer1.position(); }
    qint64 length() const override { return MediaPlayer1.duration(); }

private:
    // Prerolling shows in no signal: each step waits this long.
    static constexpr int kSettleMs = 150;
    enum class Step { Loading, Prerolling, Seeking };

    void settled() {
        if (!reseeking_) return;
        // Sought again while the operator's drag went on.
        if (step_ == Step::Prerolling || sought_ != target_) {
            step_ = Step::Seeking;
            sought_ = target_;
            MediaPlayer1.setPosition(sought_);
            settle_.start();
            return;
        }
        const bool play = playAfter_;
        endReseek();
        if (play) MediaPlayer1.play();
    }
    void endReseek() {
        reseeking_ = false;
        settle_.stop();
    }

    MediaEvents& events_;
    QAudioOutput output_;
    QMediaPlayer MediaPlayer1;  // destroyed before its output
    QUrl source_;
    // What was reported about the current file: each at most once.
    bool opened_ = false;
    bool failed_ = false;
    // A seek under way on the file opened again.
    bool reseeking_ = false;
    Step step_ = Step::Loading;
    qint64 target_ = 0;
    qint64 sought_ = 0;
    bool playAfter_ = false;
    QTimer settle_;
};

// Each cue gets a sink of its own, fed from memory. A QSoundEffect played
// again and again (stop, same source, play) goes quiet after a few plays and
// sounds the held cue late, when the source next changes; it also stops its
// stream as soon as it has handed over the last bytes, which cuts off the
// tail that the sound server still holds.
class QtCueBackend final : public CueBackend {
public:
    explicit QtCueBackend(CueEvents& events) : events_(events) {}
    ~QtCueBackend() override {
        closing_ = true;
        retire(std::move(current_));
        auto gone = std::move(retired_);
        retired_.clear();
        gone.clear();  // each runs pending events: nothing may start a cue now
    }

    void play(const CueSound& sound) override {
        retire(std::move(current_));  // a cue still sounding is cut off
        if (sound.pcm.isEmpty() || closing_) return;
        QAudioFormat format;
        format.setSampleRate(sound.sampleRate);
        format.setChannelCount(sound.channels);
        format.setSampleFormat(sound.bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
        const char silence = sound.bitsPerSample == 8 ? '\x80' : '\0';
        auto silent = [&](qint64 us) {
            return QByteArray(format.bytesForDuration(us) / format.bytesPerFrame() * format.bytesPerFrame(), silence);
        };
        auto next = std::make_unique<Playing>();
        // A new stream drops about the first 25 ms it is given, and the sink
        // ends its stream once the server has taken the last bytes, not once
        // they were heard: silence on both sides keeps the cue itself whole.
        next->pcm = silent(kLeadUs) + sound.pcm + silent(kTailUs);
        next->buffer.setBuffer(&next->pcm);
        next->buffer.open(QIODevice::ReadOnly);
        next->sink = std::make_unique<QAudioSink>(QMediaDevices::defaultAudioOutput(), format);
        const int serial = ++serial_;
        QObject::connect(next->sink.get(), &QAudioSink::stateChanged, &context_, [this, serial](QAudio::State state) {
            if (state == QAudio::ActiveState) return;
            // Played out (or the server went away): not from inside the sink's own signal.
            QMetaObject::invokeMethod(
                &context_,
                [this, serial] {
                    if (serial != serial_ || !current_) return;
                    retire(std::move(current_));
                    events_.cuePlayingChanged(false);
                },
                Qt::QueuedConnection);
        });
        current_ = std::move(next);
        current_->sink->start(&current_->buffer);
        events_.cuePlayingChanged(true);
    }
    bool isPlaying() const override { return current_ != nullptr; }

private:
    static constexpr qint64 kLeadUs = 50'000;
    static constexpr qint64 kTailUs = 300'000;
    struct Playing {
        QByteArray pcm;
        QBuffer buffer;
        std::unique_ptr<QAudioSink> sink;  // last: goes before its buffer
    };

    // Stopped at once, destroyed later: the pulse sink's destructor runs
    // pending events, which could call play() again from inside play(); and
    // a sink destroyed unstopped can still take a queued feed on its closed
    // stream, which aborts in libpulse.
    void retire(std::unique_ptr<Playing> playing) {
        if (!playing) return;
        playing->sink->stop();
        retired_.push_back(std::move(playing));
        QMetaObject::invokeMethod(
            &context_,
            [this] {
                // Taken out first: destroying one may come back here.
                auto gone = std::move(retired_);
                retired_.clear();
            },
            Qt::QueuedConnection);
    }

    CueEvents& events_;
    QObject context_;  // first in, last out: the queued steps die with it
    std::unique_ptr<Playing> current_;  // MediaPlayer2: the cue sounding
    std::vector<std::unique_ptr<Playing>> retired_;
    int serial_ = 0;
    bool closing_ = false;
};

}  // namespace

MediaBackend* makeMedia(MediaEvents& events) { return new QtMediaBackend(events); }

CueBackend* makeCue(CueEvents& events) {
    if (QMediaDevices::audioOutputs().isEmpty()) return nullptr;
    return new QtCueBackend(events);
}

}  // namespace zorvik::platform::sound
