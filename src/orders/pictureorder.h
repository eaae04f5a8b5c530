#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <string>

#include "core/jobs.h"
#include "orders/copiedfiles.h"
#include "orders/copylane.h"

namespace zorvik::core {
class Cues;
}

namespace zorvik::orders {

class OrderBook;
class Tally;

// A picture double-clicked in the picture browser goes into the active order
// list, one at a time, and with "同步下载" on straight onto the device.
class PictureOrder final : public QObject {
    Q_OBJECT
public:
    PictureOrder(core::JobRegistry& jobs, OrderBook& book, Tally& tally, core::Cues& cues, QObject* parent = nullptr);

    // Adds `path` unless the active list holds it already; either way the
    // amount is worked out again and sound cue 4 plays. With `copyFolder`
    // (the active list's picture folder) the picture is copied there, over a
    // file of its name, on a job, as the copy lanes copy: whole or not at all.
    // The copy goes into `record`, the record of the list's copies.
    void add(const std::string& path, const std::optional<std::string>& copyFolder,
             std::shared_ptr<CopiedFiles> record = {});

    bool copying() const { return jobs_.busy(); }
    // Closing: a copy under way stops at once and removes its temporary file.
    void stop() { jobs_.cancelAll(); }
    bool waitUntil(core::Job::Deadline deadline) const { return jobs_.waitUntil(deadline); }

Q_SIGNALS:
    void copied(const QString& destination, bool ok);
    // A copy failed: the picture is named with the reason.
    void filesNotCopied(const zorvik::orders::CopyFailures& failures);

private:
    OrderBook& book_;
    Tally& tally_;
    core::Cues& cues_;
    core::Jobs jobs_;  // last: joined before the rest goes
};

}  // namespace zorvik::orders
