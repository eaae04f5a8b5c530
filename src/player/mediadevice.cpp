#include "player/mediadevice.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>

namespace zorvik::player {

QtMediaDevice::QtMediaDevice(QObject* parent)
    : MediaDevice(parent),
      output_(std::make_unique<QAudioOutput>()),
      MediaPlayer1(std::make_unique<QMediaPlayer>()) {
    MediaPlayer1->setObjectName(QStringLiteral("MediaPlayer1"));
    MediaPlayer1->setAudioOutput(output_.get());
    connect(MediaPlayer1.get(), &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        switch (status) {
            case QMediaPlayer::LoadedMedia:
            case QMediaPlayer::BufferingMedia:
            case QMediaPlayer::BufferedMedia:
                if (!opened_ && !failed_) {
                    opened_ = true;
                    Q_EMIT opened(serial_, MediaPlayer1->duration());
                }
                break;
            case QMediaPlayer::EndOfMedia:
                Q_EMIT ended(serial_);
                break;
            default:
                break;
        }
    });
    connect(MediaPlayer1.get(), &QMediaPlayer::durationChanged, this, [this](qint64 length) {
        if (opened_) Q_EMIT lengthChanged(serial_, length);
    });
    connect(MediaPlayer1.get(), &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error, const QString& text) {
                // GStreamer follows its first error with a general one; the first says what went wrong.
                if (failed_) return;
                failed_ = true;
                Q_EMIT failed(serial_, text);
            });
}

QtMediaDevice::~QtMediaDevice() {
    MediaPlayer1->stop();
}

int QtMediaDevice::open(const QString& nativePath) {
    ++serial_;
    opened_ = false;
    failed_ = false;
    // The same file again would be taken as no change at all: close first.
    MediaPlayer1->setSource(QUrl());
    MediaPlayer1->setSource(QUrl::fromLocalFile(nativePath));
    return serial_;
}

void QtMediaDevice::play() { MediaPlayer1->play(); }

void QtMediaDevice::pauseToggle() {
    if (MediaPlayer1->playbackState() == QMediaPlayer::PlayingState)
        MediaPlayer1->pause();
    else if (MediaPlayer1->playbackState() == QMediaPlayer::PausedState)
        MediaPlayer1->play();
}

void QtMediaDevice::stop() { MediaPlayer1->stop(); }

void QtMediaDevice::seek(qint64 ms) { MediaPlayer1->setPosition(ms); }

qint64 QtMediaDevice::position() const { return MediaPlayer1->position(); }

qint64 QtMediaDevice::length() const { return MediaPlayer1->duration(); }

}  // namespace zorvik::player
