#include "platform/sound/backends.h"

namespace {

const zorvik::platform::SoundModule module{
    zorvik::platform::kSoundModuleVersion,
    zorvik::platform::sound::makeMedia,
    zorvik::platform::sound::makeCue,
    zorvik::platform::sound::makeVolume,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const zorvik::platform::SoundModule* zorvik_sound_module() {
    return &module;
}
