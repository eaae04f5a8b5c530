#include "orders/orderbook.h"

#include <algorithm>
#include <cerrno>
#include <unordered_set>

#include "core/cues.h"
#include "core/errors.h"
#include "core/mediafiles.h"
#include "core/oneshot.h"
#include "platform/fileops.h"
#include "platform/textcodec.h"

namespace zorvik::orders {

OrderBook::OrderBook(core::JobRegistry& jobs, const platform::DriveTable& drives, core::ErrorReports& errors,
                     std::string dataFolder, core::Cues& cues, QObject* parent)
    : QObject(parent),
      drives_(drives),
      errors_(errors),
      dataFolder_(std::move(dataFolder)),
      cues_(cues),
      rows_(jobs, drives),
      deviceWork_(this, jobs, core::JobKind::Writes) {
    core::makeOneShot(tallyTimer_, "tallyTimer", 1);
    connect(&tallyTimer_, &QTimer::timeout, this, [this] {
        tallyTimer_.stop();
        Q_EMIT tallyRequested();
    });
}

std::vector<int> OrderBook::selectedRows() const {
    std::vector<int> rows;
    for (const auto& index : selection_.selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void OrderBook::requestTally() { core::requestOnce(tallyTimer_); }

bool OrderBook::load(int list) {
    listRead_ = true;
    const std::string file = listFile(list);
    unsaved_ = false;
    unreadable_.clear();
    auto lines = platform::readFileLines(file);
    if (!lines) {
        rows_.replace(std::vector<std::string>{});
        if (lines.error() == ENOENT) return true;  // no file: an empty list
        unreadable_ = lines.errorText();
        errors_.reportFile("无法读取清单文件", file, unreadable_);
        return false;
    }
    std::erase_if(*lines, [](const platform::FileLine& line) { return line.text.empty(); });
    rows_.replace(std::move(*lines));
    return true;
}

void OrderBook::loadFirstList() {
    active_ = 1;
    load(1);
    Q_EMIT activeChanged(active_);
}

bool OrderBook::write() {
    if (!listRead_) return true;
    const std::string file = listFile(active_);
    // A file that could not be read may still hold orders: it is never replaced.
    if (!unreadable_.empty()) {
        errors_.reportFile("无法保存清单文件", file, unreadable_);
        return false;
    }
    if (auto written = platform::writeWholeFile(file, platform::encodeFileLines(rows_.fileLines())); !written) {
        errors_.reportFile("无法保存清单文件", file, written.errorText());
        return false;
    }
    unsaved_ = false;
    return true;
}

bool OrderBook::saveActive() {
    // A list as its file holds it is not written again; a missing file is made.
    if (!unsaved_ && (!unreadable_.empty() || platform::fileExists(listFile(active_)))) return true;
    return write();
}

bool OrderBook::saveActiveIfItHasAFile() {
    return !unsaved_ || !platform::fileExists(listFile(active_)) || write();
}

void OrderBook::changed() {
    unsaved_ = true;
    requestTally();
    // At once: an order the operator has collected survives a crash or a power cut.
    write();
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
    if (!added.empty()) changed();
    Q_EMIT focusSearchBox();
    cues_.request(core::Cues::Copied);
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
    // Saved at once like every change; the picture browser does its own tally.
    unsaved_ = true;
    write();
    return true;
}

void OrderBook::clear() {
    if (rows_.count() > 0) {
        rows_.replace(std::vector<std::string>{});
        changed();
    } else {
        requestTally();
    }
    cues_.request(core::Cues::Deleted);
}

void OrderBook::deleteSelected(const std::function<std::string(const std::string&)>& deviceCopyOf,
                               std::shared_ptr<CopiedFiles> copied) {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) return;
    std::vector<std::string> copies;
    for (int row : rows)
        if (std::string copy = deviceCopyOf(rows_.entry(row)); !copy.empty()) copies.push_back(std::move(copy));
    rows_.remove(rows);
    changed();
    cues_.request(core::Cues::Deleted);
    deviceWork_.start([this, copies = std::move(copies), copied = std::move(copied)](std::stop_token stop) {
        int leftAlone = 0;
        for (const auto& copy : copies) {
            const std::string lyrics = copy.substr(0, copy.size() - core::extensionOf(copy).size()) + ".lrc";
            for (const auto& file : {copy, lyrics}) {
                if (stop.stop_requested()) return;
                const std::int64_t size = platform::fileSize(drives_, file);
                if (size < 0) continue;
                // A file of that name that this list did not write is the customer's.
                if (!copied || !copied->holds(file, size)) {
                    ++leftAlone;
                    continue;
                }
                if (platform::deleteFile(drives_, file)) copied->forget(file);
            }
        }
        // The space line is worth refreshing once the copies are gone.
        deviceWork_.post([this, leftAlone] {
            Q_EMIT diskSpaceRefreshRequested();
            if (leftAlone > 0) Q_EMIT message(leftAloneText(leftAlone));
        });
    });
}

QString leftAloneText(int files) {
    return QStringLiteral("有 %1 个同名文件不是本机这次复制的，没有删除。").arg(files);
}

std::vector<std::string> OrderBook::selectedEntriesOrSay() {
    std::vector<std::string> entries;
    for (int row : selectedRows()) entries.push_back(rows_.entry(row));
    if (entries.empty()) Q_EMIT message(QStringLiteral("至少要选择一个文件!"));
    return entries;
}

bool OrderBook::waitUntil(core::Job::Deadline deadline) const { return deviceWork_.waitUntil(deadline); }

void OrderBook::switchTo(int list) {
    if (list < 1 || list > kListCount || list == active_) return;
    if (!saveActive()) return;
    active_ = list;
    load(list);
    Q_EMIT activeChanged(active_);
    requestTally();
    cues_.request(core::Cues::Select);
}

void OrderBook::selectAll(bool fromButton) {
    if (rows_.count() > 0)
        selection_.select(QItemSelection(rows_.index(0, 0), rows_.index(rows_.count() - 1, OrderRows::ColumnCount - 1)),
                          QItemSelectionModel::ClearAndSelect);
    if (fromButton) Q_EMIT focusOrderView();
    cues_.request(core::Cues::Select);
}

}  // namespace zorvik::orders
