#include "orders/pictureorder.h"

#include "core/cues.h"
#include <QPointer>

#include "orders/copyjob.h"
#include "orders/orderbook.h"
#include "orders/tally.h"

namespace zorvik::orders {

PictureOrder::PictureOrder(OrderBook& book, Tally& tally, core::Cues& cues, QObject* parent)
    : QObject(parent), book_(book), tally_(tally), cues_(cues) {}

void PictureOrder::add(const std::string& path, const std::optional<std::string>& copyFolder, CopyLane& lane) {
    if (book_.appendIfNew(path)) tally_.pictureAdded(book_.rows().count());
    if (copyFolder) {
        // A picture already listed is copied again when asked for. The card
        // may be slow or pulled mid-way: the copy runs beside the counter,
        // and a broken copy never stands under the picture's name.
        lane.queueCopy({path, *copyFolder, platform::Overwrite::Yes},
                       [self = QPointer<PictureOrder>(this)](const CopyOutcome& outcome) {
                           if (!self) return;
                           const CopyFailures failures = outcome.failures();
                           Q_EMIT self->copied(QString::fromStdString(outcome.destination), failures.isEmpty());
                           if (!failures.isEmpty()) Q_EMIT self->filesNotCopied(failures);
                       });
    }
    tally_.refreshAmount();
    cues_.request(core::Cues::Copied);
}

}  // namespace zorvik::orders
