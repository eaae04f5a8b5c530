#include "orders/orderbook.h"

#include <algorithm>
#include <unordered_set>

#include "core/errors.h"
#include "core/oneshot.h"
#include "library/layout.h"
#include "platform/fileops.h"
#include "platform/textcodec.h"
#include "player/cueplayer.h"

namespace zorvik::orders {

OrderBook::OrderBook(std::string dataFolder, player::CuePlayer& cues, QObject* parent)
    : QObject(parent), dataFolder_(std::move(dataFolder)), cues_(cues) {
    core::makeOneShot(tallyTimer, "tallyTimer", 1);
    connect(&tallyTimer, &QTimer::timeout, this, [this] {
        tallyTimer.stop();
        Q_EMIT tallyRequested();
    });
}

std::vector<int> OrderBook::selectedRows() const {
    std::vector<int> rows;
    for (const auto& index : selection_.selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void OrderBook::requestTally() { core::requestOnce(tallyTimer); }

bool OrderBook::load(int list) {
    listRead_ = true;
    const std::string file = listFile(list);
    if (!platform::fileExists(file)) {
        rows_.replace({});
        return true;
    }
    auto lines = platform::readTextLines(file);
    if (!lines) {
        rows_.replace({});
        core::reportError(platform::lastErrorText());
        return false;
    }
    std::erase_if(*lines, [](const std::string& line) { return line.empty(); });
    rows_.replace(std::move(*lines));
    return true;
}

void OrderBook::loadFirstList() {
    active_ = 1;
    load(1);
    Q_EMIT activeChanged(active_);
}

bool OrderBook::saveActive() {
    if (!listRead_) return true;
    if (platform::writeTextLines(listFile(active_), rows_.entries())) return true;
    core::reportError(platform::lastErrorText());
    return false;
}

bool OrderBook::saveActiveIfItHasAFile() {
    return !platform::fileExists(listFile(active_)) || saveActive();
}

OrderBook::AddResult OrderBook::add(const std::vector<std::string>& paths) {
    if (paths.empty()) return AddResult::NothingSelected;
    if (!acceptsAtOnce(paths.size())) return AddResult::TooMany;
    // A whole path decides: a.mp3 is not the same file as a.mp3.bak beside it.
    std::unordered_set<std::string> known(rows_.entries().begin(), rows_.entries().end());
    std::vector<std::string> added;
    for (const auto& path : paths)
        if (known.insert(path).second) added.push_back(path);
    rows_.append(added);
    if (!added.empty()) requestTally();
    Q_EMIT focusSearchBox();
    cues_.request(player::Copied);
    return added.empty() ? AddResult::NothingNew : AddResult::Added;
}

bool OrderBook::acceptsAtOnce(size_t count) {
    if (count <= static_cast<size_t>(kMostAddedAtOnce)) return true;
    Q_EMIT message(QStringLiteral("对不起，一次下载的数量不能大于200"));
    return false;
}

bool OrderBook::appendIfNew(const std::string& path) {
    const auto& entries = rows_.entries();
    if (std::find(entries.begin(), entries.end(), path) != entries.end()) return false;
    rows_.append({path});
    return true;
}

void OrderBook::clear() {
    if (rows_.count() > 0) rows_.replace({});
    cues_.request(player::Deleted);
    requestTally();
}

void OrderBook::deleteSelected(const std::function<std::string(const std::string&)>& deviceCopyOf) {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) return;
    std::vector<std::string> copies;
    for (int row : rows)
        if (std::string copy = deviceCopyOf(rows_.entry(row)); !copy.empty()) copies.push_back(std::move(copy));
    rows_.remove(rows);
    cues_.request(player::Deleted);
    requestTally();
    deviceWork_.start([this, copies = std::move(copies)](std::stop_token stop) {
        for (const auto& copy : copies) {
            if (stop.stop_requested()) return;
            if (platform::fileExists(copy)) platform::deleteFile(copy);
            std::string lyrics = copy.substr(0, copy.size() - library::extensionOf(copy).size()) + ".lrc";
            if (platform::fileExists(lyrics)) platform::deleteFile(lyrics);
        }
        // The space line is worth refreshing once the copies are gone.
        deviceWork_.post([this] { Q_EMIT diskSpaceRefreshRequested(); });
    });
}

std::vector<std::string> OrderBook::selectedEntriesOrSay() {
    std::vector<std::string> entries;
    for (int row : selectedRows()) entries.push_back(rows_.entry(row));
    if (entries.empty()) Q_EMIT message(QStringLiteral("至少要选择一个文件!"));
    return entries;
}

void OrderBook::stop() { deviceWork_.cancelAll(); }

bool OrderBook::waitUntil(core::Job::Deadline deadline) const { return deviceWork_.waitUntil(deadline); }

void OrderBook::switchTo(int list) {
    if (list < 1 || list > kListCount || list == active_) return;
    if (!saveActive()) return;
    active_ = list;
    load(list);
    Q_EMIT activeChanged(active_);
    requestTally();
    cues_.request(player::Select);
}

void OrderBook::selectAll(bool fromButton) {
    if (rows_.count() > 0)
        selection_.select(QItemSelection(rows_.index(0, 0), rows_.index(rows_.count() - 1, OrderRows::ColumnCount - 1)),
                          QItemSelectionModel::ClearAndSelect);
    if (fromButton) Q_EMIT focusOrderView();
    cues_.request(player::Select);
}

}  // namespace zorvik::orders
