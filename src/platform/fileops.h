#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/copyfile.h"
#include "platform/drives.h"
#include "platform/fileresult.h"

// File operations on the program's paths: a drive path ("E:\a\b.mp3") is
// mapped through the given drive table at the moment of the call; a path
// without a drive letter is native. A letter that is not in the table names
// nothing and every operation on it fails. '\' is a separator in every path.
// Each operation that can fail hands back why with its result.
namespace zorvik::platform {

bool fileExists(const DriveTable& drives, std::string_view path);  // a regular file, links followed
// The same for a native path (the program's own files).
bool fileExists(std::string_view nativePath);
bool folderExists(const DriveTable& drives, std::string_view path);
std::int64_t fileSize(const DriveTable& drives, std::string_view path);  // -1 when there is no such file
// With every missing parent below the drive's root; a drive whose root is
// missing gets nothing made, as a drive that is not there.
Done createFolders(const DriveTable& drives, std::string_view path);
Done deleteFile(const DriveTable& drives, std::string_view path);
Done renameFile(const DriveTable& drives, std::string_view from, std::string_view to);

// Copies bytes [offset, end) of a file. The data reaches the disk before the
// destination name appears (unless Flush::No), and a failed copy leaves
// nothing behind; copyFileChecked (copyfile.h) also says why it failed.
Done copyFile(const DriveTable& drives, std::string_view from, std::string_view to,
              Overwrite overwrite = Overwrite::Yes, std::int64_t offset = 0, Flush flush = Flush::Yes);

// The whole file; nothing (EFBIG) when it holds more than `largest` bytes.
Result<std::string> readWholeFile(const DriveTable& drives, std::string_view path, std::int64_t largest = -1);
// The same for a native path (the program's own files); a drive path names
// nothing here.
Result<std::string> readWholeFile(std::string_view nativePath, std::int64_t largest = -1);
// Replaces the file (a native path: the settings and data files) whole through a station temporary file in the same
// folder, synced before it takes the name: a crash or a full disk leaves the
// old file byte for byte. The file keeps its mode; a link at the name is
// written through; a folder, FIFO or device there is never replaced.
Done writeWholeFile(std::string_view nativePath, std::string_view bytes);

enum class EntryKind { File, Folder, Skip };

struct FolderEntry {
    std::string name;
    EntryKind kind = EntryKind::Skip;
    bool hidden = false;  // a name starting with '.'
};

// Entries of one folder (no "." and ".."), sorted by name without regard to
// case as the shop's NTFS disks listed them. A link to a folder is never a
// folder; entries that are neither files nor folders are Skip. On a
// removable drive the folder is reached below its root and no link is
// followed, so a link there is Skip too.
std::vector<FolderEntry> listFolder(const DriveTable& drives, std::string_view path);

// The name of the folder in `folder` that is called `name` without regard to
// ASCII letter case, found by listing: the exact spelling first, else the
// first in name order. Case-sensitive file systems (ntfs-3g, tmpfs) would
// not find a phone's "MY MUSIC" by its name alone.
std::optional<std::string> findFolderIgnoringCase(const DriveTable& drives, std::string_view folder,
                                                  std::string_view name);
// The same rule on entries listed already.
std::optional<std::string> folderNamedIgnoringCase(const std::vector<FolderEntry>& entries,
                                                   std::string_view name);

// Name order of listings: ASCII letters folded to upper case, then bytes.
bool nameLess(std::string_view a, std::string_view b);

// Reads one folder at a time for fast walks: opened relative to its parent,
// entries unsorted, buffers reused from folder to folder.
class FolderReader final {
public:
    struct Entry {
        std::uint32_t offset;
        std::uint16_t length;
        EntryKind kind;
    };

    FolderReader() = default;
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    bool open(const DriveTable& drives, std::string_view path);
    bool openChild(const FolderReader& parent, std::string_view name);
    void close();
    // Why the last open failed.
    const FileError& error() const { return error_; }

    const std::vector<Entry>& entries() const { return entries_; }
    std::string_view name(const Entry& e) const { return {names_.data() + e.offset, e.length}; }

private:
    bool readAll(int fd);

    int fd_ = -1;
    FileError error_;
    bool onDevice_ = false;     // on a removable drive: links are not followed
    std::vector<char> buffer_;  // getdents64 records, reused for every folder
    std::string names_;         // each name followed by a NUL, for openat
    std::vector<Entry> entries_;
};

}  // namespace zorvik::platform
