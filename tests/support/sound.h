#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <string>

#include "support/spawn.h"

namespace zorvik::testing {

// A PulseAudio server of the test's own with a null sink, so that what the
// station plays can be recorded and the sink's volume read back. It points
// this process (and the children it starts) at itself through
// XDG_RUNTIME_DIR; start it before anything opens an audio device.
class SoundServer {
public:
    SoundServer();
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    bool running() const { return running_; }
    const QString& why() const { return why_; }

    // The null sink's volume per channel, in percent, as pactl shows it ("-1" when unknown).
    QString sinkVolumes() const;
    void setSinkVolumePercent(int percent) const;

private:
    QTemporaryDir runtime_;
    Spawned server_;
    bool running_ = false;
    QString why_;
};

// Records the null sink's monitor from construction to peak().
class Recording {
public:
    Recording();
    ~Recording();
    // Stops recording; the loudest sample heard, 0 ... 1.
    double peak();

private:
    QTemporaryDir sound_;
    Spawned recorder_;
    double peak_ = -1;
};

// Writes a short tone of the given length in a format chosen by the
// extension (mp3, wma, wav, mid), made with ffmpeg or written here; false
// when it could not be made.
bool makeSong(const std::string& nativePath, double seconds, int frequency = 440);

// Runs a program and returns its standard output; empty on failure.
QString output(const QString& program, const QStringList& arguments);

}  // namespace zorvik::testing
