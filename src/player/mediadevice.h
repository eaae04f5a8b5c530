#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "platform/soundmodule.h"

namespace zorvik::player {

// The preview player's device. Opening is asynchronous: after open() the
// device reports `opened` with the length, or `failed` with its own text for
// the error; `ended` follows when the media has played to its end. Each
// report carries the number that open() returned, so a late report about a
// file opened before can be told apart. Positions and lengths in ms.
class MediaDevice : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Closes what was open, opens the native file and returns its number.
    virtual int open(const QString& nativePath) = 0;
    virtual void play() = 0;
    // Playing: pause; paused: resume; otherwise nothing.
    virtual void pauseToggle() = 0;
    // Stays open.
    virtual void stop() = 0;
    virtual void seek(qint64 ms) = 0;
    virtual qint64 position() const = 0;
    virtual qint64 length() const = 0;

Q_SIGNALS:
    void opened(int serial, qint64 lengthMs);
    void lengthChanged(int serial, qint64 lengthMs);
    void failed(int serial, const QString& errorText);
    void ended(int serial);
};

// The device on Qt Multimedia, through the sound module: a media player with
// an audio output of its own, apart from the cue device. Without the module
// every file fails to open, with a text that says so.
class QtMediaDevice final : public MediaDevice, private platform::MediaEvents {
    Q_OBJECT
public:
    explicit QtMediaDevice(QObject* parent = nullptr);
    ~QtMediaDevice() override;

    int open(const QString& nativePath) override;
    void play() override;
    void pauseToggle() override;
    void stop() override;
    void seek(qint64 ms) override;
    qint64 position() const override;
    qint64 length() const override;

private:
    void mediaOpened(qint64 lengthMs) override;
    void mediaLengthChanged(qint64 lengthMs) override;
    void mediaFailed(const QString& text) override;
    void mediaEnded() override;

    std::unique_ptr<platform::MediaBackend> backend_;
    int serial_ = 0;
};

}  // namespace zorvik::player
