#pragma once

#include <QObject>

#include <string>
#include <vector>

#include "core/jobs.h"
#include "orders/copylane.h"

namespace zorvik::core {
class Cues;
}

namespace zorvik::orders {

// "复制到本地磁盘": entries go into the local download folder under their
// display name and extension, replacing what is there, a prefixed file as its
// plain media file. On a job, so a large film never holds up the counter.
class LocalCopy final : public QObject {
    Q_OBJECT
public:
    LocalCopy(core::JobRegistry& jobs, const platform::DriveTable& drives, core::Cues& cues, QObject* parent = nullptr);
    ~LocalCopy() override;

    void start(std::vector<std::string> entries);

    bool waitUntil(core::Job::Deadline deadline) const;

Q_SIGNALS:
    void finished();
    void filesNotCopied(const zorvik::orders::CopyFailures& failures);

private:
    const platform::DriveTable& drives_;
    core::Cues& cues_;
    core::Jobs jobs_;  // last: joined before the rest goes
};

}  // namespace zorvik::orders
