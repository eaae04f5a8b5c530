#pragma once

#include <cerrno>
#include <string_view>

// Reaching folders on a customer's device: a card or phone may hold a
// symbolic link ("My Music" -> a shop folder) or have something mounted
// inside it, and nothing the station writes, deletes or lists may lead off
// the device through either.
namespace zorvik::platform {

// What the descriptor is for: the *at calls and fstat (Path: an O_PATH
// descriptor, for which a FUSE phone is asked nothing), or also reading the
// entries and syncing the folder (Read).
enum class FolderUse { Path, Read };

// Opens the folder `relative` ('/'-separated, no ".." components; empty for
// the root itself) below the open folder `rootFd`, one component at a time:
// never through a symbolic link and never onto a file system other than the
// root's. A descriptor (close-on-exec), or -1 with errno: ELOOP for a link on
// the way, EXDEV for another file system, else what openat said.
int openFolderBeneath(int rootFd, std::string_view relative, FolderUse use = FolderUse::Path);

// The same from the root's native path.
int openFolderBeneath(const char* root, std::string_view relative, FolderUse use = FolderUse::Path);

// Whether errno from the above means the path led off the device.
inline bool leadsOffDevice(int error) { return error == ELOOP || error == EXDEV; }

}  // namespace zorvik::platform
