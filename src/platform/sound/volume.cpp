// The machine's main output volume: the sound server's default sink, else ALSA's "Master".
#include "platform/mastervolume.h"
#include "platform/sound/backends.h"

#include <alsa/asoundlib.h>
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdint>

namespace zorvik::platform::sound {

namespace {

// A server that does not answer must not hold up the counter for long.
constexpr auto kPulseWait = std::chrono::milliseconds(500);
constexpr const char* kDefaultSink = "@DEFAULT_SINK@";

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

bool setAlsaMaster(int value) {
    static const bool silenced = [] {
        snd_lib_error_set_handler(quietAlsa);
        return true;
    }();
    (void)silenced;
    snd_mixer_t* mixer = nullptr;
    if (snd_mixer_open(&mixer, 0) < 0) return false;
    std::unique_ptr<snd_mixer_t, int (*)(snd_mixer_t*)> owned(mixer, snd_mixer_close);
    if (snd_mixer_attach(mixer, "default") < 0 || snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 ||
        snd_mixer_load(mixer) < 0)
        return false;
    snd_mixer_selem_id_t* id = nullptr;
    snd_mixer_selem_id_alloca(&id);
    snd_mixer_selem_id_set_index(id, 0);
    snd_mixer_selem_id_set_name(id, "Master");
    snd_mixer_elem_t* master = snd_mixer_find_selem(mixer, id);
    if (!master || !snd_mixer_selem_has_playback_volume(master)) return false;
    long low = 0, high = 0;
    if (snd_mixer_selem_get_playback_volume_range(master, &low, &high) < 0 || high < low) return false;
    const long level = low + static_cast<long>((static_cast<long long>(high - low) * value + MasterVolume::kFullScale / 2) /
                                               MasterVolume::kFullScale);
    return snd_mixer_selem_set_playback_volume_all(master, level) >= 0;
}

// One connection to the sound server, driven by hand with a deadline on
// every wait, so that no thread of its own is needed.
struct Pulse {
    pa_mainloop* loop = nullptr;
    pa_context* context = nullptr;

    ~Pulse() {
        if (context) {
            pa_context_disconnect(context);
            pa_context_unref(context);
        }
        if (loop) pa_mainloop_free(loop);
    }

    // Runs the loop until `done` holds or the deadline passes.
    template <typename Done>
    bool runUntil(Done done) {
        const auto deadline = std::chrono::steady_clock::now() + kPulseWait;
        while (!done()) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            if (pa_mainloop_prepare(loop, static_cast<int>(left.count())) < 0 || pa_mainloop_poll(loop) < 0 ||
                pa_mainloop_dispatch(loop) < 0)
                return false;
        }
        return true;
    }

    bool connect() {
        loop = pa_mainloop_new();
        if (!loop) return false;
        context = pa_context_new(pa_mainloop_get_api(loop), "Zorvik volume");
        if (!context || pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return false;
        bool settled = runUntil([this] {
            auto state = pa_context_get_state(context);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        });
        return settled && pa_context_get_state(context) == PA_CONTEXT_READY;
    }

    bool ready() const { return context && pa_context_get_state(context) == PA_CONTEXT_READY; }

    bool finish(pa_operation* operation, const bool& done) {
        if (!operation) return false;
        bool finished = runUntil([&] { return done; });
        if (!finished) pa_operation_cancel(operation);
        pa_operation_unref(operation);
        return finished;
    }

    bool setDefaultSink(int value) {
        struct Sink {
            bool done = false;
            bool found = false;
            pa_channel_map map{};
        } sink;
        auto* info = pa_context_get_sink_info_by_name(
            context, kDefaultSink,
            [](pa_context*, const pa_sink_info* i, int eol, void* data) {
                auto* s = static_cast<Sink*>(data);
                if (eol != 0) {
                    s->done = true;
                } else if (i) {
                    s->found = true;
                    s->map = i->channel_map;
                }
            },
            &sink);
        if (!finish(info, sink.done) || !sink.found) return false;

        pa_cvolume volume;
        const auto level = static_cast<pa_volume_t>(
            (static_cast<std::uint64_t>(PA_VOLUME_NORM) * static_cast<std::uint64_t>(value) + MasterVolume::kFullScale / 2) /
            MasterVolume::kFullScale);
        pa_cvolume_set(&volume, sink.map.channels, level);
        struct Result {
            bool done = false;
            bool ok = false;
        } result;
        auto* set = pa_context_set_sink_volume_by_name(
            context, kDefaultSink, &volume,
            [](pa_context*, int success, void* data) {
                auto* r = static_cast<Result*>(data);
                r->ok = success != 0;
                r->done = true;
            },
            &result);
        return finish(set, result.done) && result.ok;
    }
};

class Volume final : public VolumeBackend {
public:
    explicit Volume(bool alsaOnly) : alsaOnly_(alsaOnly) {}

    bool set(int value) override {
        if (!alsaOnly_) {
            // A server that went away (or came up since) is found again here.
            if (!pulse_ || !pulse_->ready()) {
                pulse_ = std::make_unique<Pulse>();
                if (!pulse_->connect()) pulse_.reset();
            }
            if (pulse_ && pulse_->setDefaultSink(value)) return true;
        }
        return setAlsaMaster(value);
    }

private:
    bool alsaOnly_;
    std::unique_ptr<Pulse> pulse_;  // kept connected between calls while the server lives
};

}  // namespace

VolumeBackend* makeVolume(bool alsaOnly) { return new Volume(alsaOnly); }

}  // namespace zorvik::platform::sound
