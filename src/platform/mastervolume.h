#pragma once

#include <memory>

namespace zorvik::platform {

class VolumeBackend;

// The machine's main output volume: the sound server's default sink
// (PulseAudio, or PipeWire's pulse service), else ALSA's "Master" control.
// It acts on every program's sound alike. Nothing is ever reported: with no
// server and no mixer a call simply does nothing. GUI thread only.
class MasterVolume final {
public:
    enum class Route { Any, AlsaOnly };
    explicit MasterVolume(Route route = Route::Any);
    ~MasterVolume();
    MasterVolume(const MasterVolume&) = delete;
    MasterVolume& operator=(const MasterVolume&) = delete;

    static constexpr int kFullScale = 65535;
    // Sets every channel to `value` (0 silent ... 65535 full), mapped
    // linearly onto the output's own range. False when no output took it.
    bool set(int value);

private:
    Route route_;
    std::unique_ptr<VolumeBackend> backend_;  // from the sound module, at the first call
};

}  // namespace zorvik::platform
