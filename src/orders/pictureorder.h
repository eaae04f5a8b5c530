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
    PictureOrder(OrderBook& book, Tally& tally, core::Cues& cues, QObject* parent = nullptr);

    // Adds `path` unless the active list holds it already; either way the
    // amount is worked out again and sound cue 4 plays. With `copyFolder`
    // (the active list's picture folder) the picture is copied there, over a
    // file of its name, whole or not at all, queued on `lane` (the active
    // list's), so a burst of double-clicks copies one picture after another
    // and the copies go into the list's record.
    void add(const std::string& path, const std::optional<std::string>& copyFolder, CopyLane& lane);

Q_SIGNALS:
    void copied(const QString& destination, bool ok);
    // A copy failed: the picture is named with the reason.
    void filesNotCopied(const zorvik::orders::CopyFailures& failures);

private:
    OrderBook& book_;
    Tally& tally_;
    core::Cues& cues_;
};

}  // namespace zorvik::orders
