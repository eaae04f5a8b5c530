#include "storage/localfolder.h"

#include "library/cacheclean.h"
#include "platform/copyfile.h"
#include "platform/fileops.h"

namespace zorvik::storage {

std::string stagingFolder(int list) {
    return std::string(kLocalDownloadFolder) + "清单" + std::to_string(list) + "\\";
}

void createStagingFolders(const platform::DriveTable& drives) {
    for (int n = 1; n <= kOrderListCount; ++n)
        if (!platform::folderExists(drives, stagingFolder(n))) (void)platform::createFolders(drives, stagingFolder(n));
}

void cleanStagingFolders(const platform::DriveTable& drives) {
    for (int n = 1; n <= kOrderListCount; ++n) library::cleanCachedMedia(drives, stagingFolder(n));
}

void removeStaleTemporaries(const platform::DriveTable& drives) {
    platform::removeStationTemporaries(drives, kLocalDownloadFolder);
    for (int n = 1; n <= kOrderListCount; ++n) platform::removeStationTemporaries(drives, stagingFolder(n));
}

}  // namespace zorvik::storage
