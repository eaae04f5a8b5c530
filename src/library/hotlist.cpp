#include "library/hotlist.h"

#include <algorithm>
#include <utility>

#include "core/errors.h"
#include "core/oneshot.h"
#include "platform/fileops.h"
#include "platform/textcodec.h"

namespace zorvik::library {

namespace {
constexpr std::string_view kMark = "C,";
constexpr std::string_view kSaveFailed = "无法保存热门推荐文件";
// A line for every file ever copied: a busy shop's list outgrows the other
// data files' limit in a few years. It is read once, on a job.
constexpr std::int64_t kLargestHotListFile = std::int64_t{16} << 20;
}  // namespace

HotLineParts splitHotLine(std::string_view line) {
    const size_t mark = line.find(kMark);
    if (mark == std::string_view::npos) return {{}, line};
    return {line.substr(0, mark + kMark.size()), line.substr(mark + kMark.size())};
}

std::int64_t hotCountOf(std::string_view line) {
    std::int64_t count = 0;
    for (char c : line.substr(0, line.find('C'))) {
        if (c < '0' || c > '9') continue;  // a thousands separator, whichever the locale used
        count = count * 10 + (c - '0');
        if (count > kHotCountMaximum) return kHotCountMaximum;
    }
    return count;
}

std::string hotLineOf(std::int64_t count, std::string_view path) {
    std::string digits = std::to_string(count);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return digits + std::string(kMark) + std::string(path);
}

HotList::HotList(core::JobRegistry& jobs, core::ErrorReports& errors, QObject* parent)
    : QObject(parent), errors_(errors), jobs_(this, jobs, core::JobKind::Reads) {
    core::makeOneShot(hotCountTimer_, "BaiSTimer", 20);
    connect(&hotCountTimer_, &QTimer::timeout, this, [this] {
        hotCountTimer_.stop();
        const auto paths = std::exchange(countsRequested_, {});
        if (paths.empty()) return;
        for (const auto& path : paths) countOne(path);
        save();
        Q_EMIT changed();
    });
}

struct HotList::Loading {
    bool read = false;  // false: the file could not be read, for `error`
    std::string error;
    SortedLines lines;
    std::unordered_map<std::string, std::string> undecodable;
};

void HotList::read(const std::string& file, Loading& loading) {
    auto read = platform::readFileLines(file, kLargestHotListFile);
    if (!read) {
        loading.error = read.errorText();
        return;
    }
    std::vector<std::string> lines;
    for (auto& line : *read) {
        if (line.text.empty()) continue;
        if (!line.undecodable.empty()) loading.undecodable.emplace(line.text, std::move(line.undecodable));
        lines.push_back(std::move(line.text));
    }
    loading.lines.assign(std::move(lines));
    loading.read = true;
}

void HotList::load(std::string file) {
    file_ = std::move(file);
    lines_.clear();
    undecodable_.clear();
    writable_ = false;
    loading_.reset();
    countedWhileLoading_.clear();
    if (!platform::fileExists(file_)) {
        auto written = platform::writeTextLines(file_, {});
        writable_ = static_cast<bool>(written);
        if (!writable_) errors_.reportFile(kSaveFailed, file_, written.errorText());
        Q_EMIT changed();
        return;
    }
    auto loading = std::make_shared<Loading>();
    read(file_, *loading);
    loading_ = loading;
    adopt(loading);
}

void HotList::loadInBackground(std::string file) {
    if (!platform::fileExists(file)) {
        load(std::move(file));  // writes the empty file: nothing to wait for
        return;
    }
    file_ = std::move(file);
    lines_.clear();
    undecodable_.clear();
    writable_ = false;
    countedWhileLoading_.clear();
    auto loading = std::make_shared<Loading>();
    loading_ = loading;
    jobs_.start([this, loading, file = file_](const std::stop_token&) {
        read(file, *loading);
        jobs_.post([this, loading] { adopt(loading); });
    });
}

void HotList::adopt(const std::shared_ptr<Loading>& loading) {
    if (loading != loading_) return;  // taken in already, or replaced by a newer load
    loading_.reset();
    if (!loading->read) {
        errors_.reportFile("无法读取热门推荐文件", file_, loading->error);
        Q_EMIT changed();
        return;
    }
    lines_ = std::move(loading->lines);
    undecodable_ = std::move(loading->undecodable);
    writable_ = true;
    const auto counted = std::exchange(countedWhileLoading_, {});
    for (const auto& path : counted) countOne(path);
    if (!counted.empty()) save();
    Q_EMIT changed();
}

void HotList::finishLoading() {
    if (auto loading = loading_) {
        jobs_.joinAll();
        adopt(loading);
    }
}

bool HotList::saveIfFileExists() {
    finishLoading();
    if (!writable_ || !platform::fileExists(file_)) return true;
    auto written = write();
    if (written) return true;
    errors_.reportFile(kSaveFailed, file_, written.errorText());
    return false;
}

platform::Done HotList::write() const {
    std::vector<platform::FileLine> lines;
    lines.reserve(lines_.lines().size());
    for (const auto& line : lines_.lines()) {
        const auto bytes = undecodable_.find(line);
        lines.push_back({line, bytes == undecodable_.end() ? std::string() : bytes->second});
    }
    return platform::writeWholeFile(file_, platform::encodeFileLines(lines));
}

void HotList::save() {
    if (!writable_ || !platform::fileExists(file_)) return;
    auto written = write();
    if (written) {
        saveFailureShown_ = false;
        return;
    }
    // Said once: the counter must not be buried in boxes, one per copy.
    if (!saveFailureShown_) errors_.reportFile(kSaveFailed, file_, written.errorText());
    saveFailureShown_ = true;
}

void HotList::increment(const std::string& path) {
    countOne(path);
    save();
    Q_EMIT changed();
}

void HotList::countOne(const std::string& path) {
    if (path.empty()) return;
    if (loading_) {
        countedWhileLoading_.push_back(path);
        return;
    }
    const auto& lines = lines_.lines();
    // The whole path decides: counting a.mp3 must not raise a.mp3.bak.
    int found = -1;
    for (int i = 0; i < lines_.count() && found < 0; ++i) {
        const auto parts = splitHotLine(lines[static_cast<size_t>(i)]);
        if (!parts.prefix.empty() && parts.path == path) found = i;
    }
    if (found < 0) {
        lines_.insert(hotLineOf(1, path));
        return;
    }
    const std::int64_t count = std::min(hotCountOf(lines[static_cast<size_t>(found)]) + 1, kHotCountMaximum);
    lines_.replace(found, hotLineOf(count, path));
}

void HotList::requestCount(const QString& path) {
    countsRequested_.push_back(path.toStdString());
    core::requestOnce(hotCountTimer_);
}

}  // namespace zorvik::library
