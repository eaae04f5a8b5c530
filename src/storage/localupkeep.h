#pragma once

#include <QObject>
#include <QString>

#include <cstdint>

#include "core/jobs.h"
#include "platform/drives.h"

namespace zorvik::storage {

inline const QString kNoDriveD = QStringLiteral("D盘不存在,或D盘无法读写");
inline const QString kNoDriveDMessage = QStringLiteral("D盘不存在,或D盘无法读写,请检查磁盘!");
// Below this many megabytes free on D:, start-up empties the local download folder.
inline constexpr std::int64_t kLowDiskDMegabytes = 2048;

// "D盘可用空:N MB".
QString diskDFreeText(std::int64_t megabytes);

// Upkeep of the local download folder on D: and the D: label of the "D盘信息"
// group: the free space shown at start-up and after "删除多余文件", which
// empties "D:\歌曲下载\" of media files. GUI thread, no widgets.
class LocalFolderUpkeep final : public QObject {
    Q_OBJECT
public:
    LocalFolderUpkeep(core::JobRegistry& jobs, const platform::DriveTable& drives, QObject* parent = nullptr);
    ~LocalFolderUpkeep() override;

    const QString& diskDText() const { return diskDText_; }
    // From a press of "删除多余文件" until the label shows its outcome.
    bool busy() const { return cleaning_; }
    bool waitUntil(core::Job::Deadline deadline) const { return jobs_.waitUntil(deadline); }

    // First show: the D: label, and the local download folder emptied of
    // media files when D: runs low.
    void startUpCheck();
    // "删除多余文件". A press while the last one is still at work adds nothing.
    void deleteSuperfluousFiles();

Q_SIGNALS:
    void diskDTextChanged(const QString& text);
    void message(const QString& text);
    // "删除多余文件" is done and the label shows the new free space.
    void cleaned();

private:
    // False, with the fault reported, when there is no readable D:.
    bool checkDriveD();
    void setDiskDText(const QString& text);

    const platform::DriveTable& drives_;
    QString diskDText_;
    bool cleaning_ = false;
    core::Jobs jobs_;  // last: joined before the rest goes
};

}  // namespace zorvik::storage
