#include "library/readylistings.h"

#include <algorithm>
#include <vector>

#include "core/cues.h"
#include "library/hotlist.h"
#include "library/listing.h"

namespace zorvik::library {

std::string newArrivalFolder(std::string_view letter, const NewArrivalKind& kind) {
    return libraryRoot(letter) + std::string(kind.category) + "\\" + std::string(kind.subfolder) + "\\";
}

ReadyListings::ReadyListings(Listings& listings, core::Cues& cues, const LibraryDrives& drives,
                             HotList& hotList, QObject* parent)
    : QObject(parent), listings_(listings), cues_(cues), drives_(drives), hotList_(hotList) {}

void ReadyListings::showNewArrivals(int kind) {
    if (kind < 0 || kind >= static_cast<int>(kNewArrivalKinds.size())) return;
    std::vector<std::string> folders;
    // Even an empty drive box gives a folder: one that names nothing.
    for (int d = 0; d < kNewArrivalDrives; ++d)
        folders.push_back(newArrivalFolder(drives_[static_cast<size_t>(d)], kNewArrivalKinds[static_cast<size_t>(kind)]));

    listings_.listFolders(std::move(folders), /*makeMissing=*/true, [this](std::int64_t hits) {
        if (hits == 0) cues_.request(core::Cues::Error);
        Q_EMIT finished(hits);
    });
}

bool ReadyListings::showHotRanking() {
    hotList_.finishLoading();
    if (hotList_.empty()) {
        Q_EMIT message(QStringLiteral("对不起，目前还没有记录"));
        return false;
    }
    // Whatever walk was filling the list stops adding to it.
    const bool wasWalking = listings_.walking();
    listings_.startListing();
    if (wasWalking) listings_.endThreaded();
    // Most copied first by the count as a number: the list's text order puts
    // 1204 before 150. Equal counts keep the list read backwards.
    const auto& lines = hotList_.lines();
    std::vector<std::pair<std::int64_t, size_t>> ranked;
    ranked.reserve(lines.size());
    for (size_t i = lines.size(); i-- > 0;) ranked.emplace_back(hotCountOf(lines[i]), i);
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> view;
    view.reserve(ranked.size());
    for (const auto& [count, i] : ranked) view.push_back(lines[i]);
    listings_.results().showHotView(view);
    cues_.request(core::Cues::Select);
    Q_EMIT finished(static_cast<qint64>(view.size()));
    return true;
}

}  // namespace zorvik::library
