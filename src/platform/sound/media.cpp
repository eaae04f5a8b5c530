// The preview player and the cue device on Qt Multimedia.
#include <QAudioDevice>
#include <QAudioOutput>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QSoundEffect>
#include <QUrl>
#include <memory>

#include "platform/sound/backends.h"

namespace zorvik::platform::sound {

namespace {

class QtMediaBackend final : public MediaBackend {
public:
    explicit QtMediaBackend(MediaEvents& events) : events_(events) {
        MediaPlayer1.setObjectName(QStringLiteral("MediaPlayer1"));
        MediaPlayer1.setAudioOutput(&output_);
        QObject::connect(&MediaPlayer1, &QMediaPlayer::mediaStatusChanged, &MediaPlayer1,
                         [this](QMediaPlayer::MediaStatus status) {
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
            if (opened_) events_.mediaLengthChanged(length);
        });
        QObject::connect(&MediaPlayer1, &QMediaPlayer::errorOccurred, &MediaPlayer1,
                         [this](QMediaPlayer::Error, const QString& text) {
                             // GStreamer follows its first error with a general one; the first says what went wrong.
                             if (failed_) return;
                             failed_ = true;
                             events_.mediaFailed(text);
                         });
    }
    ~QtMediaBackend() override { MediaPlayer1.stop(); }

    void open(const QString& nativePath) override {
        opened_ = false;
        failed_ = false;
        // The same file again would be taken as no change at all: close first.
        MediaPlayer1.setSource(QUrl());
        MediaPlayer1.setSource(QUrl::fromLocalFile(nativePath));
    }
    void play() override { MediaPlayer1.play(); }
    void pauseToggle() override {
        if (MediaPlayer1.playbackState() == QMediaPlayer::PlayingState)
            MediaPlayer1.pause();
        else if (MediaPlayer1.playbackState() == QMediaPlayer::PausedState)
            MediaPlayer1.play();
    }
    void stop() override { MediaPlayer1.stop(); }
    void seek(qint64 ms) override { MediaPlayer1.setPosition(ms); }
    qint64 position() const override { return MediaPlayer1.position(); }
    qint64 length() const override { return MediaPlayer1.duration(); }

private:
    MediaEvents& events_;
    QAudioOutput output_;
    QMediaPlayer MediaPlayer1;  // destroyed before its output
    // What was reported about the current file: each at most once.
    bool opened_ = false;
    bool failed_ = false;
};

class QtCueBackend final : public CueBackend {
public:
    explicit QtCueBackend(CueEvents& events) {
        QObject::connect(&MediaPlayer2, &QSoundEffect::playingChanged, &MediaPlayer2,
                         [this, &events] { events.cuePlayingChanged(MediaPlayer2.isPlaying()); });
    }
    void play(const QString& nativePath) override {
        // Opening a file cuts off whatever the device was sounding.
        MediaPlayer2.stop();
        MediaPlayer2.setSource(QUrl::fromLocalFile(nativePath));
        MediaPlayer2.play();
    }
    bool isPlaying() const override { return MediaPlayer2.isPlaying(); }

private:
    QSoundEffect MediaPlayer2;
};

}  // namespace

MediaBackend* makeMedia(MediaEvents& events) { return new QtMediaBackend(events); }

CueBackend* makeCue(CueEvents& events) {
    if (QMediaDevices::audioOutputs().isEmpty()) return nullptr;
    return new QtCueBackend(events);
}

}  // namespace zorvik::platform::sound
