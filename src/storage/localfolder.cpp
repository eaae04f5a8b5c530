#include "storage/localfolder.h"

#include "library/layout.h"
#include "platform/copyfile.h"
#include "platform/fileops.h"

namespace zorvik::storage {

std::string stagingFolder(int list) {
    return std::string(kLocalDownloadFolder) + "清单" + std::to_string(list) + "\\";
}

void createStagingFolders() {
    for (int n = 1; n <= kOrderListCount; ++n)
        if (!platform::folderExists(stagingFolder(n))) platform::createFolders(stagingFolder(n));
}

void cleanStagingFolders() {
    for (int n = 1; n <= kOrderListCount; ++n) library::cleanCachedMedia(stagingFolder(n));
}

void removeStaleTemporaries() {
    platform::removeStationTemporaries(kLocalDownloadFolder);
    for (int n = 1; n <= kOrderListCount; ++n) platform::removeStationTemporaries(stagingFolder(n));
}

}  // namespace zorvik::storage
