#include "library/drivesetup.h"

#include "core/settings.h"
#include "library/layout.h"
#include "platform/fileops.h"

namespace zorvik::library {

namespace {

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// What one character may be in a drive box: a letter or the blank entry.
std::optional<std::string> boxCharacter(char c) {
    if (c == ' ') return std::string(" ");
    if (isAsciiLetter(c)) return std::string(1, upper(c));
    return std::nullopt;
}

}  // namespace

std::optional<char> driveOfBoxText(std::string_view text) {
    if (text.size() != 1 || !isAsciiLetter(text.front())) return std::nullopt;
    return upper(text.front());
}

std::optional<std::string> driveBoxEdit(std::string_view edited, std::size_t cursor) {
    if (edited.empty()) return std::string();
    if (edited.size() == 1) return boxCharacter(edited.front());
    // One character typed beside the one the box held: the typed one stays.
    if (edited.size() == 2 && cursor >= 1 && cursor <= 2) return boxCharacter(edited[cursor - 1]);
    return std::nullopt;
}

bool storeLibraryDrive(core::Settings& settings, int n, std::string_view text) {
    const std::string key = core::keys::libraryDrive(n);
    return settings.write(key, key, text);
}

bool createCategoryFolders(const platform::DriveTable& drives, std::string_view text) {
    // Only a single letter reaches the drive table: a longer text such as
    // "GH" would otherwise pass for a relative native path.
    auto letter = driveOfBoxText(text);
    if (!letter) return false;
    const std::string root = libraryRoot(std::string(1, *letter));
    bool all = true;
    for (const auto& category : kCategories) {
        std::string folder = root + std::string(category.folder) + "\\";
        if (!platform::folderExists(drives, folder) && !platform::createFolders(drives, folder)) all = false;
    }
    return all;
}

}  // namespace zorvik::library
