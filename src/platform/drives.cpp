#include "platform/drives.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <mutex>

#include "platform/beneath.h"
#include "platform/names.h"

namespace zorvik::platform {

namespace {

constexpr char kFirstRemovable = 'G';

std::string homeDirectory() {
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) : std::string("/root");
}

std::string withoutTrailingSlash(std::string root) {
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
}

}  // namespace

char driveLetterOf(std::string_view path) {
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
        return static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
    return 0;
}

DriveTable::DriveTable() { setFixed({}); }

void DriveTable::setFixed(const std::vector<std::pair<char, std::string>>& drives) {
    std::vector<Drive> fixed;
    auto add = [&fixed](char letter, std::string root) {
        letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
        if (letter < 'A' || letter > 'Z' || root.empty()) return;
        fixed.erase(std::remove_if(fixed.begin(), fixed.end(),
                                   [letter](const Drive& d) { return d.letter == letter; }),
                    fixed.end());
        fixed.push_back({letter, withoutTrailingSlash(std::move(root)), DriveType::Fixed});
    };
    add('D', homeDirectory());
    for (const auto& [letter, root] : drives) add(letter, root);
    std::sort(fixed.begin(), fixed.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
    std::unique_lock lock(mutex_);
    fixed_ = std::move(fixed);
}

DriveChanges DriveTable::setRemovableMounts(const std::vector<RemovableMount>& mounts) {
    DriveChanges changes;
    std::unique_lock lock(mutex_);
    std::vector<RemovableMount> now;
    for (const auto& m : mounts) now.emplace_back(withoutTrailingSlash(m.point), m.card.empty() ? m.point : m.card);

    // A drive stays while the same card is mounted at the same place.
    auto same = [this](const Drive& d, const RemovableMount& m) {
        return d.root == m.point && cardOfLetter_[d.letter] == m.card;
    };
    std::vector<Drive> kept;
    for (auto& d : removable_) {
        if (std::any_of(now.begin(), now.end(), [&](const RemovableMount& m) { return same(d, m); }))
            kept.push_back(d);
        else
            changes.removed.push_back(d);
    }
    auto taken = [&](char letter) {
        auto has = [letter](const Drive& d) { return d.letter == letter; };
        return std::any_of(fixed_.begin(), fixed_.end(), has) || std::any_of(kept.begin(), kept.end(), has);
    };
    for (const auto& m : now) {
        if (std::any_of(kept.begin(), kept.end(), [&](const Drive& d) { return same(d, m); })) continue;
        char letter = 0;
        if (auto before = letterOfCard_.find(m.card); before != letterOfCard_.end() && !taken(before->second))
            letter = before->second;
        for (char l = kFirstRemovable; !letter && l <= 'Z'; ++l)
            if (!taken(l)) letter = l;
        if (!letter) break;  // out of letters, as on Windows
        letterOfCard_[m.card] = letter;
        cardOfLetter_[letter] = m.card;
        kept.push_back({letter, m.point, DriveType::Removable});
        changes.arrived.push_back(kept.back());
    }
    std::sort(kept.begin(), kept.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
    removable_ = std::move(kept);
    return changes;
}

std::vector<Drive> DriveTable::drives() const {
    std::shared_lock lock(mutex_);
    std::vector<Drive> all = fixed_;
    all.insert(all.end(), removable_.begin(), removable_.end());
    std::sort(all.begin(), all.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
    return all;
}

std::optional<Drive> DriveTable::findLocked(char letter) const {
    letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    for (const auto* list : {&fixed_, &removable_})
        for (const auto& d : *list)
            if (d.letter == letter) return d;
    return std::nullopt;
}

std::optional<Drive> DriveTable::drive(char letter) const {
    std::shared_lock lock(mutex_);
    return findLocked(letter);
}

DriveType DriveTable::type(char letter) const {
    auto d = drive(letter);
    return d ? d->type : DriveType::None;
}

std::optional<std::string> DriveTable::toNative(std::string_view path) const {
    const char letter = driveLetterOf(path);
    if (!letter) return nativeOf(path);
    if (climbsOut(path.substr(2))) return std::nullopt;
    std::string native;
    {
        std::shared_lock lock(mutex_);
        auto d = findLocked(letter);
        if (!d) return std::nullopt;
        native = d->root == "/" ? std::string() : d->root;
    }
    std::string rest(path.substr(2));
    if (rest.empty() || (rest.front() != '\\' && rest.front() != '/')) rest.insert(0, "/");
    std::replace(rest.begin(), rest.end(), '\\', '/');
    native += rest;
    return native;
}

std::optional<std::string> DriveTable::nativeOf(std::string_view path) {
    if (driveLetterOf(path) || climbsOut(path)) return std::nullopt;
    // A drive box holding no letter, a blank or several letters gives
    // ":\...", " :\..." or "GH:\...": a colon before the first separator
    // never starts a native path, so such a path names nothing.
    const size_t colon = path.find(':');
    if (colon != std::string_view::npos && colon < path.find_first_of("\\/")) return std::nullopt;
    std::string native(path);
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

std::optional<DriveTable::BelowRoot> DriveTable::onRemovable(std::string_view path) const {
    const char letter = driveLetterOf(path);
    if (!letter) return std::nullopt;
    auto d = drive(letter);
    if (!d || d->type != DriveType::Removable) return std::nullopt;
    auto native = toNative(path);
    if (!native || !native->starts_with(d->root)) return std::nullopt;
    std::string relative = native->substr(d->root.size());
    while (relative.starts_with('/')) relative.erase(0, 1);
    return BelowRoot{d->root, std::move(relative)};
}

std::optional<std::string> DriveTable::toDrivePath(std::string_view native) const {
    if (climbsOut(native)) return std::nullopt;
    std::shared_lock lock(mutex_);
    const Drive* best = nullptr;
    for (const auto* list : {&fixed_, &removable_}) {
        for (const auto& d : *list) {
            bool inside = d.root == "/" ? native.starts_with('/')
                                        : native.starts_with(d.root) &&
                                              (native.size() == d.root.size() ||
                                               native[d.root.size()] == '/');
            if (inside && (!best || d.root.size() > best->root.size())) best = &d;
        }
    }
    if (!best) return std::nullopt;
    std::string rest(native.substr(best->root == "/" ? 0 : best->root.size()));
    std::replace(rest.begin(), rest.end(), '/', '\\');
    if (rest.empty() || rest.front() != '\\') rest.insert(0, "\\");
    return std::string(1, best->letter) + ":" + rest;
}

std::vector<RemovableMount> readRemovableMounts() { return removableMounts(readMountTable()); }

std::optional<std::int64_t> largestFileOn(std::string_view nativePath) {
    std::string bestPoint, bestType;
    for (const auto& m : readMountTable()) {
        bool inside = m.point == "/" ||
                      (nativePath.starts_with(m.point) &&
                       (nativePath.size() == m.point.size() || nativePath[m.point.size()] == '/'));
        // The last of equally long points is the mount on top.
        if (inside && m.point.size() >= bestPoint.size()) {
            bestPoint = m.point;
            bestType = m.type;
        }
    }
    static constexpr std::string_view kFat[] = {"vfat", "msdos", "fat", "umsdos", "fuse.fusefat"};
    if (std::find(std::begin(kFat), std::end(kFat), bestType) != std::end(kFat))
        return std::int64_t{4} * 1024 * 1024 * 1024 - 1;
    return std::nullopt;
}

std::optional<DiskSpace> diskSpace(const DriveTable& drives, std::string_view path) {
    struct statvfs st {};
    if (auto below = drives.onRemovable(path)) {
        // A folder of a device is asked about only as the device holds it.
        int fd = openFolderBeneath(below->root.c_str(), below->relative);
        if (fd < 0) return std::nullopt;
        const int asked = ::fstatvfs(fd, &st);
        ::close(fd);
        if (asked != 0) return std::nullopt;
    } else {
        auto native = drives.toNative(path);
        if (!native || statvfs(native->c_str(), &st) != 0) return std::nullopt;
    }
    return DiskSpace{static_cast<std::int64_t>(st.f_blocks) * static_cast<std::int64_t>(st.f_frsize),
                     static_cast<std::int64_t>(st.f_bavail) * static_cast<std::int64_t>(st.f_frsize)};
}

}  // namespace zorvik::platform
