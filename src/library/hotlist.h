#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/errors.h"
#include "core/jobs.h"
#include "library/collation.h"
#include "platform/fileresult.h"

namespace zorvik::library {

inline constexpr std::string_view kHotListFileName = "热门推荐.txt";

// A hot list line is a count, "C," and a library path: "012C,E:\...\x.mp3".
// Counts stop at this many copies, so that a line always holds a number the
// ranking can order by; a larger count read from a file reads as this.
inline constexpr std::int64_t kHotCountMaximum = 999'999'999;
struct HotLineParts {
    std::string_view prefix;  // the count and "C,"; empty when the line has no "C,"
    std::string_view path;    // what follows the first "C,"; the whole line when none
};
HotLineParts splitHotLine(std::string_view line);
// The number written before the first "C", at most kHotCountMaximum. Files
// written with the locale's thousands separator ("1,203C,") read as the
// number they meant.
std::int64_t hotCountOf(std::string_view line);
// The line of `count` copies of `path`: plain digits, at least three.
std::string hotLineOf(std::int64_t count, std::string_view path);

// The hot list: how often each library file was copied straight onto a
// customer's device, in the shop's sorted order, kept in "热门推荐.txt" in
// the data folder. GUI thread only.
class HotList final : public QObject {
    Q_OBJECT
public:
    HotList(core::JobRegistry& jobs, core::ErrorReports& errors, QObject* parent = nullptr);

    // Start-up: the file's lines at their sorted places; with no file, an
    // empty one is written. A line whose bytes do not decode is written back
    // as it was; a file that cannot be read is never written over.
    void load(std::string file);
    // The same at start-up, with reading and sorting on a job: a long list
    // must not hold up the window. Counts made before it is in are added to
    // it then; a close meanwhile waits for it, so no count is lost.
    void loadInBackground(std::string file);
    bool loading() const { return loading_ != nullptr; }
    // Waits for a load in the background to be in (the ranking and the
    // close need the whole list).
    void finishLoading();
    // Close: the list goes back only into a file that exists.
    bool saveIfFileExists();

    const std::vector<std::string>& lines() const { return lines_.lines(); }
    bool empty() const { return lines_.count() == 0; }

    // One more copy of `path`: its line counts up where it stands, or a new
    // line "001C," + path goes to its sorted place. The file follows at once,
    // so a power cut loses no count.
    void increment(const std::string& path);

    // After each immediate copy: `path` is counted 20 ms later. Every request
    // is one count of its own file; a burst costs one save.
    void requestCount(const QString& path);

Q_SIGNALS:
    void changed();

private:
    core::ErrorReports& errors_;
    struct Loading;
    // Reads `file` for a load, on whatever thread does the loading.
    static void read(const std::string& file, Loading& loading);
    void adopt(const std::shared_ptr<Loading>& loading);
    void save();
    platform::Done write() const;
    void countOne(const std::string& path);

    SortedLines lines_;
    // Lines whose bytes did not decode, by their text: written back as they were.
    std::unordered_map<std::string, std::string> undecodable_;
    std::string file_;
    // A file that could not be read is never written over.
    bool writable_ = false;
    bool saveFailureShown_ = false;
    std::vector<std::string> countsRequested_;
    QTimer hotCountTimer_{this};  // BaiSTimer
    std::shared_ptr<Loading> loading_;
    std::vector<std::string> countedWhileLoading_;
    core::Jobs jobs_;  // last: joined before the rest goes
};

}  // namespace zorvik::library
