#include "orders/copyjob.h"

#include "core/mediafiles.h"
#include "core/prefixed.h"
#include "orders/destinations.h"
#include "platform/fileops.h"

namespace zorvik::orders {

namespace {

std::string withExtension(const std::string& path, std::string_view extension) {
    return path.substr(0, path.size() - core::extensionOf(path).size()) + std::string(extension);
}

// A stopped copy is the station closing, not a failure. A file the device
// already has is left alone, and named: it may be the customer's own.
bool counts(const platform::CopyResult& result) {
    return !result.ok() && result.failure != platform::CopyFailure::Stopped;
}

}  // namespace

CopyJob::CopyJob(const platform::DriveTable& drives, std::shared_ptr<CopiedFiles> record)
    : drives_(drives), record_(std::move(record)) {}

std::string CopyJob::nameAtDestination(std::string_view source) {
    const std::string_view name = core::fileNameOf(source);
    return core::isPrefixed(source) ? core::plainNameOf(name) : std::string(name);
}

CopyFailureItem CopyJob::failureOf(const std::string& source, const std::string& name,
                                   const platform::CopyResult& result) {
    const bool refused = result.failure == platform::CopyFailure::OutsideLibrary;
    return {QString::fromStdString(refused ? source : name), result.failure, result.error, {}};
}

CopyOutcome CopyJob::copy(const CopyEntry& entry, const std::stop_token& stop,
                          const std::function<void(const std::string&, bool)>& starting) {
    CopyOutcome outcome;
    const bool prefixed = core::isPrefixed(entry.source);
    outcome.name = nameAtDestination(entry.source);
    outcome.destination = pathInFolder(entry.folder, outcome.name);
    if (starting) starting(outcome.name, prefixed);

    platform::CopyOptions options;
    options.overwrite = entry.overwrite;
    if (prefixed) options.offset = core::kPrefixBlockSize;
    outcome.result = platform::copyFileChecked(drives_, entry.source, outcome.destination, options, stop);
    if (outcome.result.failure == platform::CopyFailure::Stopped) {
        outcome.stopped = true;
        return outcome;
    }
    if (outcome.result.ok() && record_) record_->add(outcome.destination, outcome.result.bytes);
    const bool already = outcome.result.failure == platform::CopyFailure::AlreadyThere;
    // What this station copied there before is there as it should be: only a
    // file of someone else's is named.
    const bool oursAlready =
        already && record_ && record_->holds(outcome.destination, platform::fileSize(drives_, outcome.destination));
    if (counts(outcome.result) && !oursAlready)
        outcome.fileFailure = failureOf(entry.source, outcome.name, outcome.result);
    outcome.landed = outcome.result.ok() || already;

    if (entry.lyrics) {
        // A prefixed song's lyrics lie in the library under the plain name.
        const std::string sourceFolder(entry.source.substr(0, entry.source.size() - core::fileNameOf(entry.source).size()));
        const std::string lyricsSource = withExtension(sourceFolder + outcome.name, ".lrc");
        if (platform::fileExists(drives_, lyricsSource)) {
            const std::string lyricsTarget = withExtension(outcome.destination, ".lrc");
            // Lyrics are the library's own text: an older copy is replaced.
            auto result = platform::copyFileChecked(drives_, lyricsSource, lyricsTarget, {}, stop);
            if (result.failure == platform::CopyFailure::Stopped) {
                outcome.stopped = true;
                return outcome;
            }
            if (result.ok() && record_) record_->add(lyricsTarget, result.bytes);
            if (counts(result))
                outcome.lyricsFailures += failureOf(lyricsSource, std::string(core::fileNameOf(lyricsTarget)), result);
        }
    }
    return outcome;
}

}  // namespace zorvik::orders
