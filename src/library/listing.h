#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "core/jobs.h"
#include "library/resultlist.h"

namespace zorvik::library {

// One listing: rows it found belong to the result list only while it is the
// newest. A later listing supersedes it, and its late batches are dropped.
struct ListingSession {
    std::atomic_bool superseded{false};
};

class Listings;

// Hands a worker's hits to the GUI thread a batch at a time: the first hit at
// once, then whenever the batch is large or a few milliseconds old.
class HitSink final {
public:
    HitSink(Listings& target, std::shared_ptr<ListingSession> session, std::stop_token stop = {});
    ~HitSink();

    // The table the listing's paths are mapped through.
    const platform::DriveTable& drives() const;
    HitSink(const HitSink&) = delete;
    HitSink& operator=(const HitSink&) = delete;

    // False once the listing is superseded or the station is closing: its
    // hits no longer count.
    bool add(std::string_view path);
    // Called between folders, so sparse hits do not wait for a full batch.
    bool tick();
    void flush();
    bool superseded() const { return session_->superseded.load(std::memory_order_relaxed); }
    // The station is closing: every walk stops at its next folder.
    bool stopRequested() const { return stop_.stop_requested(); }
    std::int64_t hits() const { return hits_; }

private:
    Listings& target_;
    std::shared_ptr<ListingSession> session_;
    std::stop_token stop_;
    std::vector<std::string> batch_;
    std::chrono::steady_clock::time_point lastFlush_;
    std::int64_t hits_ = 0;
    bool delivered_ = false;
};

// The listings of the result list: the ready label, the seconds counter, the
// search controls' enabled state, and the jobs of threaded walks.
// GUI thread only, except through HitSink.
class Listings final : public QObject {
    Q_OBJECT
public:
    Listings(core::JobRegistry& jobs, const platform::DriveTable& drives, QObject* parent = nullptr);
    ~Listings() override;

    ResultList& results() { return results_; }
    const platform::DriveTable& drives() const { return results_.drives(); }
    QString readyText() const { return readyText_; }
    int seconds() const { return seconds_; }
    bool searchEnabled() const { return searchEnabled_; }
    bool walking() const { return walking_; }

    // Clears the store and rows; every earlier listing stops adding rows.
    std::shared_ptr<ListingSession> startListing();

    // A threaded listing: the ready label shows `readyText`, the seconds
    // counter restarts, the search controls are disabled unless `keepSearch`.
    // `body` runs on a worker; `finish` runs on this thread after the last
    // batch, with the number of hits, unless a later listing superseded it.
    using Body = std::function<void(HitSink&)>;
    using Finish = std::function<void(std::int64_t hits)>;
    void runThreaded(const QString& readyText, Body body, Finish finish, bool keepSearch = false);
    // The finish every threaded listing ends with.
    void endThreaded();
    // Browsing: every file below `folders`, folder by folder, made first when
    // `makeMissing`. The ready label stays as it is and the search controls
    // stay usable; a search started meanwhile takes the list over. `finish`
    // runs after endThreaded().
    void listFolders(std::vector<std::string> folders, bool makeMissing, Finish finish);
    // A refused search puts the controls back as they were before it.
    void setIdle();

    void setReadyText(const QString& text);
    void setSeconds(int seconds);
    void setSearchEnabled(bool enabled);

    bool waitUntil(core::Job::Deadline deadline) const;

Q_SIGNALS:
    // A listing cleared the result list for its rows.
    void listingStarted();
    void readyTextChanged(const QString& text);
    void secondsChanged(int seconds);
    void searchEnabledChanged(bool enabled);

private:
    friend class HitSink;
    void deliver(const std::shared_ptr<ListingSession>& session, std::vector<std::string>&& batch);

    ResultList results_;
    QTimer secondsCounter_{this};  // Timer13: counts the seconds of a threaded walk
    std::shared_ptr<ListingSession> current_;
    QString readyText_;
    int seconds_ = 0;
    bool searchEnabled_ = true;
    bool walking_ = false;
    core::Jobs jobs_;  // last: joined before the rest goes
};

}  // namespace zorvik::library
