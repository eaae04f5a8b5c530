#include "orders/localcopy.h"

#include "core/cues.h"
#include "orders/copyjob.h"
#include "storage/localfolder.h"

namespace zorvik::orders {

LocalCopy::LocalCopy(core::JobRegistry& jobs, const platform::DriveTable& drives, core::Cues& cues, QObject* parent)
    : QObject(parent), drives_(drives), cues_(cues), jobs_(this, jobs, core::JobKind::Writes) {}

LocalCopy::~LocalCopy() = default;

void LocalCopy::start(std::vector<std::string> entries) {
    jobs_.start([this, entries = std::move(entries)](std::stop_token stop) {
        CopyFailures failures;
        CopyJob job(drives_);
        for (const auto& entry : entries) {
            // The shop's own folder: an older copy of the same name is replaced.
            auto copied = job.copy({entry, std::string(storage::kLocalDownloadFolder), platform::Overwrite::Yes}, stop);
            if (copied.stopped) return;
            failures += copied.failures();
        }
        jobs_.post([this, failures] {
            cues_.request(core::Cues::Select);
            Q_EMIT finished();
            if (!failures.isEmpty()) Q_EMIT filesNotCopied(failures);
        });
    });
}

bool LocalCopy::waitUntil(core::Job::Deadline deadline) const { return jobs_.waitUntil(deadline); }

}  // namespace zorvik::orders
