#pragma once

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

// Copying a file onto whatever the customer brings: FAT32, exFAT and NTFS
// cards through FUSE, phones that answer slowly or go away mid-copy. Paths are
// the program's paths, mapped through the drive table as in fileops.h.
namespace zorvik::platform {

class DriveTable;

enum class Overwrite { Yes, No };
// Flush::No is for a file that is deleted again at once: waiting for its data
// to reach the disk buys nothing.
enum class Flush { Yes, No };

// Why a copy did not land. Every failure leaves nothing behind at the
// destination: neither the final name nor the temporary file (unless the
// device went away under it, when nothing can be removed there).
enum class CopyFailure {
    None,
    Stopped,            // asked to stop part-way
    AlreadyThere,       // Overwrite::No and the destination name is taken
    SourceGone,         // no such source file, or its drive is not there
    NotAFile,           // a FIFO, socket, device or folder
    SourceTooShort,     // shorter than the bytes to be skipped
    DeviceFull,
    TooLargeForDevice,  // the destination's file system takes no file this large
    ReadOnly,
    DeviceGone,         // the destination's device went away
    LeadsOffDevice,     // a link or a mount on the device's folder would lead elsewhere
    OutsideLibrary,     // the source lies in none of the folders copies may read
    Other,
};

struct CopyResult {
    CopyFailure failure = CopyFailure::None;
    int error = 0;  // the system's error number behind the failure, 0 when none
    std::int64_t bytes = 0;  // the size of the file written, after a success
    bool ok() const { return failure == CopyFailure::None; }
};

struct CopyOptions {
    Overwrite overwrite = Overwrite::Yes;
    std::int64_t offset = 0;  // leading bytes of the source left out
    Flush flush = Flush::Yes;
    // Native paths, for copyNativeFile; copyFileChecked fills them in.
    // The destination folder is reached below this folder (its removable
    // drive's root) only, never through a link or onto another file system
    // (beneath.h); empty: as its path leads.
    std::string targetRoot = {};
    // The source, its links resolved, must lie in one of these folders
    // (resolved too); nullopt: anywhere.
    std::optional<std::vector<std::string>> sourceRoots = {};
};

// The folders (drive paths) whose files copies may read: the library roots
// and the local download folder. A list file line can name any path, and
// none outside these may reach a customer's card; a file link inside them
// that points outside counts as outside. Until set, and after clearing, any
// source is copied. Any thread.
void setCopySources(std::vector<std::string> drivePaths);
void clearCopySources();
// Whether a drive path lies in one of them by its name (letters and ASCII
// case aside); the copy checks the file it really opened as well.
bool namedAsCopySource(std::string_view path);

// Copies bytes [offset, end) of `from` to `to` through a short hidden
// temporary file in the destination folder, which is flushed and then given
// the final name without a hard link (file systems of cards have none):
// renameat2(RENAME_NOREPLACE) where the file system takes it, else a check
// that the name is free and a plain rename. Only a regular source is read,
// and it is opened without blocking, so a FIFO never hangs the copy. The stop
// token is checked between chunks; a stopped copy removes its temporary file.
// The copy runs in the helper process "zorvik_copy" beside the program (or
// the one ZORVIK_COPY_HELPER names), so a copy stuck on a hung device never
// holds the station; without a helper, in this thread. On a removable drive
// the destination is reached below the drive's root only (LeadsOffDevice
// otherwise), and the source must lie in the copy sources (OutsideLibrary).
CopyResult copyFileChecked(const DriveTable& drives, std::string_view from, std::string_view to,
                           const CopyOptions& options = {}, std::stop_token stop = {});

// The copy itself on native paths, in the calling process (the helper
// process runs this).
CopyResult copyNativeFile(const std::string& source, const std::string& target, const CopyOptions& options = {},
                          std::stop_token stop = {});

// The station's temporary files: ".zorvik-" + 8 hex digits + ".part", short
// enough beside any name that fits, and hidden from listings.
std::string temporaryName();
bool isStationTemporary(std::string_view name);
// Deletes the station's temporary files lying directly in a folder (a crash or
// a pulled card can leave them); nothing else is touched. Returns how many.
int removeStationTemporaries(const DriveTable& drives, std::string_view folder);

}  // namespace zorvik::platform
