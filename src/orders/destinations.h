#pragma once

#include <array>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fileops.h"
#include "storage/localfolder.h"

// Where the files of an order list go: one folder per media group, found on
// the customer's device by the folder names phones and cards use, or picked
// by hand. Folders are drive paths without a trailing backslash, except a
// drive root ("G:\"), which keeps its own.
namespace zorvik::orders {

inline constexpr int kMediaGroupCount = 5;

// The local download folder, where a list without a device copies to.
inline constexpr std::string_view kDefaultDestination = "D:\\歌曲下载";
static_assert(std::string_view(storage::kLocalDownloadFolder).starts_with(kDefaultDestination) &&
              std::string_view(storage::kLocalDownloadFolder).size() == kDefaultDestination.size() + 1);

// Line labels of the destination selector, by media group.
inline constexpr std::array<std::string_view, kMediaGroupCount> kDestinationLabels{
    "音乐：", "视频：", "图片：", "游戏：", "电子书："};

// Device selector texts.
inline constexpr std::string_view kDevicePlaceholder = "请选择可移动磁盘";
inline constexpr std::string_view kDeviceSelectorHint = "单击选择可移动磁盘";
inline constexpr std::string_view kOpenDestinationHint = "点击后将打开左边框显示的目录";
inline constexpr std::string_view kInvalidPickedFolder = "你选择的不是有效路径!请重新选择!!";

// Folder of each media group (core::MediaGroup is the index).
using DestinationRecord = std::array<std::string, kMediaGroupCount>;

DestinationRecord defaultDestinationRecord();
// label + folder, e.g. "图片：G:\Photos".
std::string destinationLine(int group, std::string_view folder);
std::array<std::string, kMediaGroupCount> destinationLines(const DestinationRecord& record);
std::array<std::string, kMediaGroupCount> defaultDestinationLines();

// `name` inside `folder`, with one backslash between them even after a root.
std::string pathInFolder(std::string_view folder, std::string_view name);

// The destination record of one order list together with its selector lines,
// which are derived from it so the two can never disagree.
class ListDestinations final {
public:
    ListDestinations() = default;

    const DestinationRecord& record() const { return record_; }
    // Folder of a media group; the local download folder for an index outside 0 ... 4.
    std::string folder(int group) const;
    std::array<std::string, kMediaGroupCount> lines() const { return destinationLines(record_); }
    int shownLine() const { return shown_; }
    std::string shownText() const { return destinationLine(shown_, record_[static_cast<size_t>(shown_)]); }

    // Back to the local download folder for all five, showing the first line.
    void reset();
    // A device's folders replace all five; the first line is shown.
    void setRecord(DestinationRecord record);
    // One group's folder picked by hand; its line is shown. False, and no
    // change, for a group outside 0 ... 4 or an empty folder.
    bool assign(int group, std::string folder);

private:
    DestinationRecord record_ = defaultDestinationRecord();
    int shown_ = 0;
};

// "可移动磁盘：" + root, the device selector entry of a removable drive.
std::string deviceEntry(std::string_view root);
// The drive root ("G:\") named by a device selector text; nothing for the
// placeholder, an empty text or anything that is not an entry for a drive root.
std::optional<std::string> deviceRootOf(std::string_view selectorText);

// Folder names a device may already use for one media group, tried in order
// directly below its root; `created` is made when none of them is a folder.
struct DeviceFolderRule {
    int group;
    std::span<const std::string_view> tried;
    std::string_view created;
};
// In the order discovery visits them: audio, video, picture, e-book, game.
extern const std::array<DeviceFolderRule, kMediaGroupCount> kDeviceFolderRules;

enum class FolderOutcome { Found, Created, Failed };

struct DeviceFolders {
    std::string root;                                   // "G:\"
    DestinationRecord record;                           // by media group
    std::array<FolderOutcome, kMediaGroupCount> outcome{};  // by media group

    // A folder could not be made (read-only or full device, drive gone):
    // copies into it would fail, so the operator has to be told.
    bool anyFailed() const;
};

// Folders of a device found as the device spells them: each component of a
// name ("mythroad\NES") by listing its parent and comparing without regard to
// letter case, on every file system alike (ntfs-3g and tmpfs are
// case-sensitive, and a phone's "MY MUSIC" is its music folder). A link on the
// device is no folder (fileops.h). Each folder is listed once: a phone answers
// every listing slowly.
class DeviceFolderNames final {
public:
    explicit DeviceFolderNames(const platform::DriveTable& drives) : drives_(drives) {}
    std::optional<std::string> find(std::string_view root, std::string_view relative);

private:
    const platform::DriveTable& drives_;
    std::map<std::string, std::vector<platform::FolderEntry>> listed_;
};

// Finds each media group's folder on the device, creating the missing ones.
// A folder that cannot be created is still recorded, and marked Failed.
DeviceFolders discoverDeviceFolders(const platform::DriveTable& drives, std::string_view root);

enum class PickOutcome { Assigned, NoLineSelected, NotADrivePath };

// The folder that "打开" opens for a destination selector text: what follows
// its first "："; nothing when that is empty.
std::optional<std::string> folderToOpen(std::string_view selectorText);

// Media group of a file by its extension; nothing for a file in no group.
std::optional<int> mediaGroupOfPath(std::string_view path);

// Destination folder of a file of `group`. A file in no group goes where the
// previous file of the same job went; with no previous file, to the local
// download folder, so that every file has a folder to land in.
std::string destinationFolder(const DestinationRecord& record, std::optional<int> group,
                              std::optional<std::string_view> previousFolder);

// The rule above for one copy job, which reads the record afresh per file.
class FolderChooser final {
public:
    std::string folderFor(const DestinationRecord& record, std::string_view path);

private:
    std::optional<std::string> previous_;
};

}  // namespace zorvik::orders
