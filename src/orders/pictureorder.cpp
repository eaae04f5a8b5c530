#include "orders/pictureorder.h"

#include "library/files.h"
#include "orders/destinations.h"
#include "orders/orderbook.h"
#include "orders/tally.h"
#include "platform/fileops.h"
#include "player/cueplayer.h"

namespace zorvik::orders {

PictureOrder::PictureOrder(OrderBook& book, Tally& tally, player::CuePlayer& cues, QObject* parent)
    : QObject(parent), book_(book), tally_(tally), cues_(cues) {}

void PictureOrder::add(const std::string& path, const std::optional<std::string>& copyFolder) {
    if (book_.appendIfNew(path)) tally_.pictureAdded(book_.rows().count());
    if (copyFolder) {
        // A picture already listed is copied again when asked for. The card
        // may be slow or pulled mid-way: the copy runs beside the counter,
        // and a broken copy never stands under the picture's name.
        std::string destination = pathInFolder(*copyFolder, library::fileNameOf(path));
        jobs_.start([this, path, destination](std::stop_token) {
            const bool ok = platform::copyFile(path, destination, platform::Overwrite::Yes);
            jobs_.post([this, destination, ok] { Q_EMIT copied(QString::fromStdString(destination), ok); });
        });
    }
    tally_.refreshAmount();
    cues_.request(player::Copied);
}

}  // namespace zorvik::orders
