#include "core/prefixed.h"

#include "core/mediafiles.h"
#include "platform/fileops.h"

namespace zorvik::core {

bool isPrefixed(std::string_view path) {
    return fileNameOf(path).find(kPrefixMarker) != std::string_view::npos;
}

std::string plainNameOf(std::string_view path) {
    std::string name(path);
    size_t nameStart = path.size() - fileNameOf(path).size();
    size_t at = name.find(kPrefixMarker, nameStart);
    if (at != std::string::npos) name.erase(at, kPrefixMarker.size());
    return name;
}

bool copyPlain(const platform::DriveTable& drives, std::string_view source, std::string_view destination) {
    return static_cast<bool>(
        platform::copyFile(drives, source, destination, platform::Overwrite::Yes, kPrefixBlockSize));
}

}  // namespace zorvik::core
