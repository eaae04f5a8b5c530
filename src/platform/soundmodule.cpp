#include "platform/soundmodule.h"

#include <dlfcn.h>

#include <string>

#include "platform/process.h"

namespace zorvik::platform {

const SoundModule* soundModule() {
    static const SoundModule* const module = []() -> const SoundModule* {
        const std::string path = executableFolder() + "zorvik_sound.so";
        // Never closed: its objects and Qt's plugins live until the end.
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) return nullptr;
        auto entry = reinterpret_cast<const SoundModule* (*)()>(::dlsym(handle, kSoundModuleEntry));
        const SoundModule* found = entry ? entry() : nullptr;
        return found && found->version == kSoundModuleVersion ? found : nullptr;
    }();
    return module;
}

}  // namespace zorvik::platform
