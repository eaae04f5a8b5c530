#include "library/cacheclean.h"

#include "core/mediafiles.h"
#include "platform/fileops.h"
#include "platform/wildcard.h"

namespace zorvik::library {

void cleanCachedMedia(const platform::DriveTable& drives, std::string_view folder) {
    std::string base(folder);
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    for (const auto& entry : platform::listFolder(drives, base)) {
        std::string ext = platform::asciiLower(core::extensionOf(entry.name));
        if (!ext.empty() && kCachedMediaExtensions.find(ext) != std::string_view::npos &&
            entry.kind == platform::EntryKind::File)
            platform::deleteFile(drives, base + entry.name);
    }
}

}  // namespace zorvik::library
