#include "platform/mastervolume.h"

#include <algorithm>

#include "platform/soundmodule.h"

namespace zorvik::platform {

MasterVolume::MasterVolume(Route route) : route_(route) {}
MasterVolume::~MasterVolume() = default;

bool MasterVolume::set(int value) {
    if (!backend_) {
        const SoundModule* module = soundModule();
        if (!module) return false;
        backend_.reset(module->volume(route_ == Route::AlsaOnly));
    }
    return backend_->set(std::clamp(value, 0, kFullScale));
}

}  // namespace zorvik::platform
