#include "orders/localcopy.h"

#include "core/cues.h"
#include "core/mediafiles.h"
#include "core/prefixed.h"
#include "storage/localfolder.h"

namespace zorvik::orders {

LocalCopy::LocalCopy(core::JobRegistry& jobs, const platform::DriveTable& drives, core::Cues& cues, QObject* parent)
    : QObject(parent), drives_(drives), cues_(cues), jobs_(this, jobs, core::JobKind::Writes) {}

LocalCopy::~LocalCopy() = default;

void LocalCopy::start(std::vector<std::string> entries) {
    jobs_.start([this, entries = std::move(entries)](std::stop_token stop) {
        CopyFailures failures;
        for (const auto& entry : entries) {
            const std::string name = core::displayName(entry) + std::string(core::extensionOf(entry));
            platform::CopyOptions options;
            if (core::isPrefixed(entry)) options.offset = core::kPrefixBlockSize;
            auto result = platform::copyFileChecked(drives_, entry, std::string(storage::kLocalDownloadFolder) + name,
                                                    options, stop);
            if (result.failure == platform::CopyFailure::Stopped) return;
            const bool refused = result.failure == platform::CopyFailure::OutsideLibrary;
            if (!result.ok())
                failures.push_back({QString::fromStdString(refused ? entry : name), result.failure, result.error, {}});
        }
        jobs_.post([this, failures] {
            cues_.request(core::Cues::Select);
            Q_EMIT finished();
            if (!failures.isEmpty()) Q_EMIT filesNotCopied(failures);
        });
    });
}

void LocalCopy::stop() { jobs_.cancelAll(); }

bool LocalCopy::waitUntil(core::Job::Deadline deadline) const { return jobs_.waitUntil(deadline); }

}  // namespace zorvik::orders
