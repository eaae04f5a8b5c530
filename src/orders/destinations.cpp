#include "orders/destinations.h"

#include "storage/removabledrives.h"

#include <algorithm>
#include <utility>

#include "core/mediafiles.h"
#include "platform/fileops.h"

namespace zorvik::orders {

namespace {

constexpr std::array<std::string_view, 5> kAudioNames{"My Music", "歌曲", "mp3", "音乐", "Audio"};
constexpr std::array<std::string_view, 3> kVideoNames{"videos", "video", "视频"};
constexpr std::array<std::string_view, 3> kPictureNames{"Photos", "图片", "Images"};
constexpr std::array<std::string_view, 1> kEBookNames{"Ebook"};
constexpr std::array<std::string_view, 2> kGameNames{"Games", "mythroad\\NES"};

bool validGroup(int group) { return group >= 0 && group < kMediaGroupCount; }

}  // namespace

const std::array<DeviceFolderRule, kMediaGroupCount> kDeviceFolderRules{{
    {core::Audio, kAudioNames, "My Music"},
    {core::Video, kVideoNames, "video"},
    {core::Picture, kPictureNames, "Photos"},
    {core::EBook, kEBookNames, "Ebook"},
    {core::Game, kGameNames, "Games"},
}};

DestinationRecord defaultDestinationRecord() {
    DestinationRecord record;
    record.fill(std::string(kDefaultDestination));
    return record;
}

std::string destinationLine(int group, std::string_view folder) {
    if (!validGroup(group)) return std::string(folder);
    return std::string(kDestinationLabels[static_cast<size_t>(group)]) + std::string(folder);
}

std::array<std::string, kMediaGroupCount> destinationLines(const DestinationRecord& record) {
    std::array<std::string, kMediaGroupCount> lines;
    for (int g = 0; g < kMediaGroupCount; ++g)
        lines[static_cast<size_t>(g)] = destinationLine(g, record[static_cast<size_t>(g)]);
    return lines;
}

std::array<std::string, kMediaGroupCount> defaultDestinationLines() {
    return destinationLines(defaultDestinationRecord());
}

std::string pathInFolder(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path.append(name);
}

std::string ListDestinations::folder(int group) const {
    return validGroup(group) ? record_[static_cast<size_t>(group)] : std::string(kDefaultDestination);
}

void ListDestinations::reset() { setRecord(defaultDestinationRecord()); }

void ListDestinations::setRecord(DestinationRecord record) {
    record_ = std::move(record);
    shown_ = 0;
}

bool ListDestinations::assign(int group, std::string folder) {
    if (!validGroup(group) || folder.empty()) return false;
    record_[static_cast<size_t>(group)] = std::move(folder);
    shown_ = group;
    return true;
}

// The selector texts are the removable drive monitor's; these are its rules
// in the terms of the destination record.
std::string deviceEntry(std::string_view root) {
    return storage::deviceEntry(QString::fromUtf8(root.data(), static_cast<qsizetype>(root.size())))
        .toStdString();
}

std::optional<std::string> deviceRootOf(std::string_view selectorText) {
    auto root = storage::deviceRootOf(
        QString::fromUtf8(selectorText.data(), static_cast<qsizetype>(selectorText.size())));
    if (!root) return std::nullopt;
    return root->toStdString();
}

bool DeviceFolders::anyFailed() const {
    return std::find(outcome.begin(), outcome.end(), FolderOutcome::Failed) != outcome.end();
}

std::optional<std::string> DeviceFolderNames::find(std::string_view root, std::string_view relative) {
    std::string folder(root);
    size_t at = 0;
    while (at <= relative.size()) {
        size_t separator = relative.find('\\', at);
        if (separator == std::string_view::npos) separator = relative.size();
        auto listed = listed_.find(folder);
        if (listed == listed_.end()) listed = listed_.emplace(folder, platform::listFolder(drives_, pathInFolder(folder, ""))).first;
        auto name = platform::folderNamedIgnoringCase(listed->second, relative.substr(at, separator - at));
        if (!name) return std::nullopt;
        folder = pathInFolder(folder, *name);
        at = separator + 1;
    }
    return folder;
}

DeviceFolders discoverDeviceFolders(const platform::DriveTable& drives, std::string_view root) {
    DeviceFolders found;
    found.root = std::string(root);
    DeviceFolderNames names(drives);
    for (const auto& rule : kDeviceFolderRules) {
        auto slot = static_cast<size_t>(rule.group);
        std::string& folder = found.record[slot];
        FolderOutcome& outcome = found.outcome[slot];
        for (std::string_view name : rule.tried) {
            if (auto existing = names.find(root, name)) {
                folder = std::move(*existing);
                outcome = FolderOutcome::Found;
                break;
            }
        }
        if (folder.empty()) {
            folder = pathInFolder(root, rule.created);
            outcome = platform::createFolders(drives, folder) ? FolderOutcome::Created : FolderOutcome::Failed;
        }
    }
    return found;
}

std::optional<std::string> folderToOpen(std::string_view selectorText) {
    constexpr std::string_view kColon = "：";
    size_t colon = selectorText.find(kColon);
    std::string_view rest =
        colon == std::string_view::npos ? selectorText : selectorText.substr(colon + kColon.size());
    if (rest.empty()) return std::nullopt;
    return std::string(rest);
}

std::optional<int> mediaGroupOfPath(std::string_view path) {
    return core::mediaGroupOf(core::extensionOf(path));
}

std::string destinationFolder(const DestinationRecord& record, std::optional<int> group,
                              std::optional<std::string_view> previousFolder) {
    std::string_view folder;
    if (group && validGroup(*group))
        folder = record[static_cast<size_t>(*group)];
    else if (previousFolder)
        folder = *previousFolder;
    return std::string(folder.empty() ? kDefaultDestination : folder);
}

std::string FolderChooser::folderFor(const DestinationRecord& record, std::string_view path) {
    std::string folder = destinationFolder(record, mediaGroupOfPath(path), previous_);
    previous_ = folder;
    return folder;
}

}  // namespace zorvik::orders
