#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <string>

#include "core/cues.h"
#include "platform/soundmodule.h"

namespace zorvik::player {

// File of a cue number in the cue folder; empty for any other number.
QString cueFileName(int cue);

// Plays cues on a device of its own, beside the preview player. A request
// only sets the pending cue and starts the 30 ms timer; a burst of requests
// is heard as its last one. A missing file, or no audio output at all, is silence.
class CuePlayer final : public QObject, public core::Cues, private platform::CueEvents {
    Q_OBJECT
public:
    // cueFolder: native path of the cue sounds, with a trailing slash.
    explicit CuePlayer(QString cueFolder, QObject* parent = nullptr);
    ~CuePlayer() override;

    void request(int cue) override;
    // Plays the exit sound at once, not through the timer. Returns the
    // longest wait for it to finish (2 s), 0 when nothing sounds.
    int playExitSound();
    // Runs events until the device has played out what it sounds, or the
    // limit passes. The device starts late when it opens for the first time,
    // so the file's length alone would cut the sound off.
    void waitUntilQuiet(int limitMs);

    int pending() const { return pending_; }

Q_SIGNALS:
    // A cue started (tests and the status of the device follow this).
    void played(int cue, const QString& path);
    // A cue file exists but cannot be played.
    void failed(const QString& message);
    // The device stopped sounding.
    void deviceQuiet();

private:
    void fire();
    // True when the file exists and went to the device (or would, given one).
    bool play(int cue, const QString& path);
    platform::CueBackend* device();
    void cuePlayingChanged(bool playing) override;

    QString folder_;
    int pending_ = 0;
    QTimer cueTimer_{this};  // ShengYingTimer: plays the cue that waits
    std::unique_ptr<platform::CueBackend> MediaPlayer2;  // made on first use, only with an output
    bool probed_ = false;
};

}  // namespace zorvik::player
