#include "orders/pictureorder.h"

#include "core/cues.h"
#include "orders/copyjob.h"
#include "orders/orderbook.h"
#include "orders/tally.h"

namespace zorvik::orders {

PictureOrder::PictureOrder(core::JobRegistry& jobs, OrderBook& book, Tally& tally, core::Cues& cues, QObject* parent)
    : QObject(parent), book_(book), tally_(tally), cues_(cues), jobs_(this, jobs, core::JobKind::Writes) {}

void PictureOrder::add(const std::string& path, const std::optional<std::string>& copyFolder,
                       std::shared_ptr<CopiedFiles> record) {
    if (book_.appendIfNew(path)) tally_.pictureAdded(book_.rows().count());
    if (copyFolder) {
        // A picture already listed is copied again when asked for. The card
        // may be slow or pulled mid-way: the copy runs beside the counter,
        // and a broken copy never stands under the picture's name.
        jobs_.start([this, path, folder = *copyFolder, record = std::move(record)](std::stop_token stop) {
            auto outcome = CopyJob(book_.drives(), record).copy({path, folder, platform::Overwrite::Yes}, stop);
            if (outcome.stopped) return;
            jobs_.post([this, destination = outcome.destination, failures = outcome.failures()] {
                Q_EMIT copied(QString::fromStdString(destination), failures.isEmpty());
                if (!failures.isEmpty()) Q_EMIT filesNotCopied(failures);
            });
        });
    }
    tally_.refreshAmount();
    cues_.request(core::Cues::Copied);
}

}  // namespace zorvik::orders
