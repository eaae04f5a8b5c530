#include "storage/localupkeep.h"

#include "library/cacheclean.h"
#include "platform/drives.h"
#include "platform/fileops.h"
#include "storage/localfolder.h"

namespace zorvik::storage {

namespace {

constexpr std::int64_t kMegabyte = 1024 * 1024;
constexpr const char* kDriveD = "D:\\";

std::int64_t freeMegabytesOnD(const platform::DriveTable& drives) {
    auto space = platform::diskSpace(drives, kDriveD);
    return space ? space->available / kMegabyte : 0;
}

}  // namespace

QString diskDFreeText(std::int64_t megabytes) {
    return QStringLiteral("D盘可用空:") + QString::number(megabytes) + QStringLiteral(" MB");
}

LocalFolderUpkeep::LocalFolderUpkeep(core::JobRegistry& jobs, const platform::DriveTable& drives, QObject* parent)
    : QObject(parent), drives_(drives), jobs_(this, jobs, core::JobKind::Writes) {}

LocalFolderUpkeep::~LocalFolderUpkeep() = default;

void LocalFolderUpkeep::setDiskDText(const QString& text) {
    diskDText_ = text;
    Q_EMIT diskDTextChanged(diskDText_);
}

bool LocalFolderUpkeep::checkDriveD() {
    if (platform::folderExists(drives_, kDriveD)) return true;
    Q_EMIT message(kNoDriveDMessage);
    setDiskDText(kNoDriveD);
    return false;
}

void LocalFolderUpkeep::startUpCheck() {
    if (!checkDriveD()) return;
    const std::int64_t free = freeMegabytesOnD(drives_);
    setDiskDText(diskDFreeText(free));
    if (free < kLowDiskDMegabytes) {
        library::cleanCachedMedia(drives_, kLocalDownloadFolder);
        setDiskDText(diskDFreeText(freeMegabytesOnD(drives_)));
    }
}

void LocalFolderUpkeep::deleteSuperfluousFiles() {
    if (busy() || !checkDriveD()) return;
    // A folder of thousands of downloads, or a disk that has to spin up,
    // must not hold up the counter.
    cleaning_ = true;
    jobs_.start([this](std::stop_token) {
        library::cleanCachedMedia(drives_, kLocalDownloadFolder);
        const std::int64_t free = freeMegabytesOnD(drives_);
        jobs_.post([this, free] {
            cleaning_ = false;
            setDiskDText(diskDFreeText(free));
            Q_EMIT cleaned();
        });
    });
}

}  // namespace zorvik::storage
