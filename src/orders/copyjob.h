#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

#include "orders/copiedfiles.h"
#include "platform/copyfile.h"
#include "platform/drives.h"

namespace zorvik::orders {

// A file of a job that did not reach the device, and why.
struct CopyFailureItem {
    QString name;
    platform::CopyFailure reason = platform::CopyFailure::Other;
    int error = 0;
    // Set when the file was copied, but into this folder rather than onto
    // the device the list had when the job was asked for (the card was
    // pulled and the list fell back to the local download folder).
    QString storedIn;
};
using CopyFailures = QList<CopyFailureItem>;

// One file to copy: a library file (or one of the local download folder) and
// the folder it goes into, both drive paths.
struct CopyEntry {
    std::string source;
    std::string folder;
    // No: a file of that name on the device is left alone ("已存在，未覆盖").
    platform::Overwrite overwrite = platform::Overwrite::No;
    bool lyrics = false;  // a song's .lrc goes beside it
};

// What copying one entry did.
struct CopyOutcome {
    std::string name;         // as it is called at the destination
    std::string destination;  // drive path
    platform::CopyResult result;
    // The file is at the destination: copied now, or there already.
    bool landed = false;
    // What did not land and is worth naming: the file, and its lyrics.
    std::optional<CopyFailureItem> fileFailure;
    CopyFailures lyricsFailures;
    bool stopped = false;  // the station is closing: nothing more is copied

    CopyFailures failures() const {
        CopyFailures all;
        if (fileFailure) all += *fileFailure;
        return all + lyricsFailures;
    }
};

// The copy of every path that puts files on a customer's device or into the
// local download folder, in a job's thread: the plain-name rule (a prefixed
// file goes as its media bytes, from behind the block, under the name without
// the marker), the copy itself (platform::copyFileChecked: copy sources, no
// link followed off the device, the helper process), the record of what the
// station wrote, and the failures named in the station's terms.
class CopyJob final {
public:
    // `record`, when given, learns every file written and tells a file this
    // station wrote earlier from a customer's own of the same name.
    explicit CopyJob(const platform::DriveTable& drives, std::shared_ptr<CopiedFiles> record = {});

    // The name a file takes at its destination.
    static std::string nameAtDestination(std::string_view source);
    // A refused source is named by its whole path: its name alone would pass
    // for a library file.
    static CopyFailureItem failureOf(const std::string& source, const std::string& name,
                                     const platform::CopyResult& result);

    // Copies one entry; `starting` runs first with the name it will take.
    CopyOutcome copy(const CopyEntry& entry, const std::stop_token& stop,
                     const std::function<void(const std::string& name, bool prefixed)>& starting = {});

private:
    const platform::DriveTable& drives_;
    std::shared_ptr<CopiedFiles> record_;
};

}  // namespace zorvik::orders
