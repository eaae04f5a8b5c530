#include "platform/soundmodule.h"

#include <QLibrary>

#include "platform/process.h"

namespace zorvik::platform {

const SoundModule* soundModule() {
    static const SoundModule* const module = []() -> const SoundModule* {
        // Found and loaded as the web view module is; never unloaded, as its
        // objects and Qt's plugins live until the end.
        QLibrary library(QString::fromStdString(executableFolder()) + QStringLiteral("zorvik_sound"));
        auto entry = reinterpret_cast<const SoundModule* (*)()>(library.resolve(kSoundModuleEntry));
        const SoundModule* found = entry ? entry() : nullptr;
        return found && found->version == kSoundModuleVersion ? found : nullptr;
    }();
    return module;
}

}  // namespace zorvik::platform
