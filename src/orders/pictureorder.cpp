#include "orders/pictureorder.h"

#include "core/cues.h"
#include "core/mediafiles.h"
#include "orders/destinations.h"
#include "orders/orderbook.h"
#include "orders/tally.h"
#include "platform/copyfile.h"

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
        std::string destination = pathInFolder(*copyFolder, core::fileNameOf(path));
        jobs_.start([this, path, destination, record = std::move(record)](std::stop_token stop) {
            const auto result = platform::copyFileChecked(book_.drives(), path, destination, {}, stop);
            if (result.failure == platform::CopyFailure::Stopped) return;
            if (result.ok() && record) record->add(destination, result.bytes);
            CopyFailures failures;
            const bool refused = result.failure == platform::CopyFailure::OutsideLibrary;
            if (!result.ok())
                failures.push_back({QString::fromStdString(refused ? path : std::string(core::fileNameOf(path))),
                                    result.failure, result.error, {}});
            jobs_.post([this, destination, failures] {
                Q_EMIT copied(QString::fromStdString(destination), failures.isEmpty());
                if (!failures.isEmpty()) Q_EMIT filesNotCopied(failures);
            });
        });
    }
    tally_.refreshAmount();
    cues_.request(core::Cues::Copied);
}

}  // namespace zorvik::orders
