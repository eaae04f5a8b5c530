#pragma once

#include <string>

#include "platform/drives.h"

namespace zorvik::storage {

// The local download folder on D: and the staging folders of the five order
// lists inside it, where prefixed files are made plain before copying.
inline constexpr const char* kLocalDownloadFolder = "D:\\歌曲下载\\";
inline constexpr int kOrderListCount = 5;

// "D:\歌曲下载\清单N\" for list n = 1 ... 5.
std::string stagingFolder(int list);

// Creates the five staging folders with missing parents where they are absent.
void createStagingFolders(const platform::DriveTable& drives);
// Deletes the media files left in the five staging folders.
void cleanStagingFolders(const platform::DriveTable& drives);
// Deletes what a crash or power cut left of the station's temporary files in
// the local download folder and the staging folders (by their name only).
void removeStaleTemporaries(const platform::DriveTable& drives);

}  // namespace zorvik::storage
