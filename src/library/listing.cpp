#include "library/listing.h"

#include "core/handoff.h"
#include "library/walk.h"
#include "platform/fileops.h"

namespace zorvik::library {

namespace {
constexpr size_t kBatchRows = 4096;
constexpr auto kBatchAge = std::chrono::milliseconds(16);
}  // namespace

HitSink::HitSink(Listings& target, std::shared_ptr<ListingSession> session, std::stop_token stop)
    : target_(target),
      session_(std::move(session)),
      stop_(std::move(stop)),
      lastFlush_(std::chrono::steady_clock::now()) {}

HitSink::~HitSink() { flush(); }

bool HitSink::add(std::string_view path) {
    if (superseded() || stopRequested()) return false;
    ++hits_;
    batch_.emplace_back(path);
    if (!delivered_ || batch_.size() >= kBatchRows) {
        flush();
        return true;
    }
    return tick();
}

bool HitSink::tick() {
    if (!batch_.empty() && std::chrono::steady_clock::now() - lastFlush_ >= kBatchAge) flush();
    return !superseded() && !stopRequested();
}

void HitSink::flush() {
    lastFlush_ = std::chrono::steady_clock::now();
    if (batch_.empty()) return;
    delivered_ = true;
    std::vector<std::string> batch;
    batch.swap(batch_);
    batch_.reserve(kBatchRows);
    core::postStep(&target_, [target = &target_, session = session_, batch = std::move(batch)]() mutable {
        target->deliver(session, std::move(batch));
    });
}

const platform::DriveTable& HitSink::drives() const { return target_.drives(); }

Listings::Listings(core::JobRegistry& jobs, const platform::DriveTable& drives, QObject* parent)
    : QObject(parent),
      results_(jobs, drives),
      current_(std::make_shared<ListingSession>()),
      jobs_(this, jobs, core::JobKind::Reads) {
    secondsCounter_.setObjectName(QStringLiteral("Timer13"));
    secondsCounter_.setInterval(1000);
    connect(&secondsCounter_, &QTimer::timeout, this, [this] { setSeconds(seconds_ + 1); });
}

Listings::~Listings() { current_->superseded = true; }

std::shared_ptr<ListingSession> Listings::startListing() {
    current_->superseded = true;
    current_ = std::make_shared<ListingSession>();
    results_.clear();
    Q_EMIT listingStarted();
    return current_;
}

void Listings::deliver(const std::shared_ptr<ListingSession>& session, std::vector<std::string>&& batch) {
    if (session == current_) results_.append(std::move(batch));
}

void Listings::runThreaded(const QString& readyText, Body body, Finish finish, bool keepSearch) {
    auto session = current_;
    setReadyText(readyText);
    setSeconds(0);
    secondsCounter_.start();
    if (!keepSearch) setSearchEnabled(false);
    walking_ = true;

    jobs_.start([this, session, body = std::move(body), finish = std::move(finish)](std::stop_token stop) {
        std::int64_t hits = 0;
        {
            HitSink sink(*this, session, stop);
            body(sink);
            hits = sink.hits();
        }  // the last batch is on its way before the finish below
        if (stop.stop_requested()) return;
        jobs_.post([this, session, finish, hits] {
            if (session != current_) return;  // superseded: a newer listing owns the labels
            walking_ = false;
            finish(hits);
        });
    });
}

bool Listings::waitUntil(core::Job::Deadline deadline) const { return jobs_.waitUntil(deadline); }

void Listings::endThreaded() {
    walking_ = false;
    setReadyText(QStringLiteral("就绪！"));
    secondsCounter_.stop();
    setSearchEnabled(true);
}

void Listings::listFolders(std::vector<std::string> folders, bool makeMissing, Finish finish) {
    startListing();
    runThreaded(
        readyText_,
        [folders = std::move(folders), makeMissing, &drives = drives()](HitSink& sink) {
            if (makeMissing)
                for (const auto& folder : folders)
                    if (!platform::folderExists(drives, folder)) (void)platform::createFolders(drives, folder);
            for (const auto& folder : folders) {
                walk(drives, folder, "*.*", [&sink](std::string_view path) { return sink.add(path); },
                     [&sink] { return sink.tick(); });
                if (sink.superseded()) return;
            }
        },
        [this, finish = std::move(finish)](std::int64_t hits) {
            endThreaded();
            finish(hits);
        },
        /*keepSearch=*/true);
}

void Listings::setIdle() {
    setReadyText(QStringLiteral("就绪！"));
    setSeconds(0);
    secondsCounter_.stop();
    setSearchEnabled(true);
}

void Listings::setReadyText(const QString& text) {
    readyText_ = text;
    Q_EMIT readyTextChanged(text);
}

void Listings::setSeconds(int seconds) {
    seconds_ = seconds;
    Q_EMIT secondsChanged(seconds);
}

void Listings::setSearchEnabled(bool enabled) {
    searchEnabled_ = enabled;
    Q_EMIT searchEnabledChanged(enabled);
}

}  // namespace zorvik::library
