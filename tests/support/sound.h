#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>
#include <string>
#include <vector>

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

// A stretch of sound in a recording.
struct Burst {
    double start;      // seconds from the start of the recording
    double length;     // seconds
    double frequency;  // Hz, from its zero crossings: the pitch of a plain tone
};

// Records the null sink's monitor from construction to the first question.
class Recording {
public:
    Recording();
    ~Recording();
    // Stops recording; the loudest sample heard, 0 ... 1.
    double peak();
    // Stops recording; the stretches louder than `level` (0 ... 1), those
    // less than `gap` seconds apart taken as one.
    std::vector<Burst> bursts(double level = 0.05, double gap = 0.05);
    // Seconds on the recording's time line (from its first sample) now.
    double elapsed() const { return clock_.elapsed() / 1000.0; }
    static constexpr int kRate = 22050;

private:
    const std::vector<qint16>& samples();

    QTemporaryDir sound_;
    Spawned recorder_;
    QElapsedTimer clock_;
    std::optional<std::vector<qint16>> samples_;
};

// A tone asked for, on a recording's time line.
struct Asked {
    double at;  // seconds
    int frequency;
    double seconds;
};
// Empty when every tone asked for was heard once, in order, at its pitch,
// whole, and each as long after it was asked for as the others (within
// `spread` seconds); else what was not, and what was heard.
std::string unheard(const std::vector<Burst>& heard, const std::vector<Asked>& asked, double spread = 0.25);

// Writes a short tone of the given length in a format chosen by the
// extension (mp3, wma, wav, mid), made with ffmpeg or written here; false
// when it could not be made.
bool makeSong(const std::string& nativePath, double seconds, int frequency = 440);

// Runs a program and returns its standard output; empty on failure.
QString output(const QString& program, const QStringList& arguments);

}  // namespace zorvik::testing
