#pragma once

#include "platform/soundmodule.h"

// Inside the sound module: the backends its entry hands out.
namespace zorvik::platform::sound {

MediaBackend* makeMedia(MediaEvents& events);
CueBackend* makeCue(CueEvents& events);
VolumeBackend* makeVolume(bool alsaOnly);

}  // namespace zorvik::platform::sound
