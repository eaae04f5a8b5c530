#include "core/mediafiles.h"

#include "core/prefixed.h"
#include "platform/fileops.h"
#include "platform/wildcard.h"

namespace zorvik::core {

std::optional<int> mediaGroupOf(std::string_view extension) {
    if (extension.empty()) return std::nullopt;
    std::string lowered = platform::asciiLower(extension);
    std::optional<int> group;
    for (int i = 0; i < static_cast<int>(kMediaGroupExtensions.size()); ++i)
        if (kMediaGroupExtensions[static_cast<size_t>(i)].find(lowered) != std::string_view::npos)
            group = i;
    return group;
}

int iconOf(std::string_view path) { return mediaGroupOf(extensionOf(path)).value_or(0); }

std::string_view fileNameOf(std::string_view path) {
    size_t sep = path.find_last_of("\\/:");
    return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

std::string_view extensionOf(std::string_view path) {
    std::string_view name = fileNameOf(path);
    size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

std::string_view typeTextOf(std::string_view path) {
    std::string_view ext = extensionOf(path);
    return ext.empty() ? ext : ext.substr(1);
}

namespace {
void eraseFirst(std::string& text, std::string_view what) {
    if (what.empty()) return;
    size_t at = text.find(what);
    if (at != std::string::npos) text.erase(at, what.size());
}
}  // namespace

std::string displayName(std::string_view path) {
    std::string name(fileNameOf(path));
    eraseFirst(name, extensionOf(path));
    eraseFirst(name, kPrefixMarker);
    return name;
}

std::string sizeText(std::int64_t bytes) {
    std::string digits = std::to_string(bytes / 10240);  // -1 truncates to 0
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    digits.insert(digits.size() - 2, ".");
    return digits;
}

std::int64_t fileSize(const platform::DriveTable& drives, std::string_view path) {
    return platform::fileSize(drives, path);
}

}  // namespace zorvik::core
