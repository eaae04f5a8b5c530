#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace zorvik::platform {

// Sound goes through a module beside the program ("zorvik_sound.so"): it
// alone links Qt Multimedia, PulseAudio and ALSA, whose libraries would
// otherwise be loaded before the main window could show. It is loaded at the
// first sound, the first preview or the first move of the volume bar.
// Plain interfaces, so that no meta-object crosses from the module.

// Reports of a media backend, on the GUI thread.
class MediaEvents {
public:
    virtual void mediaOpened(qint64 lengthMs) = 0;
    virtual void mediaLengthChanged(qint64 lengthMs) = 0;
    // Once per file, with the backend's own text.
    virtual void mediaFailed(const QString& text) = 0;
    virtual void mediaEnded() = 0;

protected:
    ~MediaEvents() = default;
};

// A media player with an audio output of its own. Positions in ms.
class MediaBackend {
public:
    virtual ~MediaBackend() = default;
    // Closes what was open and opens the native file; reports follow.
    virtual void open(const QString& nativePath) = 0;
    virtual void play() = 0;
    virtual void pauseToggle() = 0;
    virtual void stop() = 0;
    virtual void seek(qint64 ms) = 0;
    virtual qint64 position() const = 0;
    virtual qint64 length() const = 0;
};

class CueEvents {
public:
    virtual void cuePlayingChanged(bool playing) = 0;

protected:
    ~CueEvents() = default;
};

// A cue's samples: PCM, unsigned 8-bit or signed 16-bit, channels interleaved.
struct CueSound {
    QByteArray pcm;
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
};

// Short sounds on a device of their own; a new one cuts off the last.
class CueBackend {
public:
    virtual ~CueBackend() = default;
    virtual void play(const CueSound& sound) = 0;
    virtual bool isPlaying() const = 0;
};

// The machine's main output volume (see MasterVolume).
class VolumeBackend {
public:
    virtual ~VolumeBackend() = default;
    virtual bool set(int value) = 0;
};

struct SoundModule {
    int version;
    MediaBackend* (*media)(MediaEvents& events);
    CueBackend* (*cue)(CueEvents& events);  // nullptr when the machine has no audio output
    VolumeBackend* (*volume)(bool alsaOnly);
};

inline constexpr int kSoundModuleVersion = 2;
inline constexpr const char* kSoundModuleEntry = "zorvik_sound_module";

// The module, loaded at the first call and kept until the process ends;
// nullptr when it is missing or cannot be loaded (then there is no sound).
const SoundModule* soundModule();

}  // namespace zorvik::platform
