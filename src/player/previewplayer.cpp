#include "player/previewplayer.h"

#include <cstdlib>

#include "core/mediafiles.h"
#include "core/oneshot.h"
#include "core/prefixed.h"
#include "platform/copyfile.h"
#include "platform/drives.h"
#include "platform/fileops.h"
#include "player/mediaerrors.h"

namespace zorvik::player {

namespace {

constexpr std::int64_t kSmallestPlayableBytes = 1001;  // 1000 bytes or less is refused
constexpr qint64 kSeekThresholdMs = 1000;
constexpr std::string_view kAddFirstTypes = ".mp3mp3m";
const QString kTitlePrefix = QStringLiteral("播放:  ");

std::string loweredExtension(std::string_view path) {
    std::string ext(core::extensionOf(path));
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

QString twoDigits(qint64 n) { return QString::number(n).rightJustified(2, u'0'); }

}  // namespace

MediaKind mediaKindOf(std::string_view path) {
    const std::string ext = loweredExtension(path);
    if (ext.empty()) return MediaKind::Refused;
    if (kInWindowTypes.find(ext) != std::string_view::npos) return MediaKind::InWindow;
    if (kExternalTypes.find(ext) != std::string_view::npos) return MediaKind::External;
    return MediaKind::Refused;
}

bool addsToPlaylistFirst(std::string_view path) {
    const std::string ext = loweredExtension(path);
    return !ext.empty() && kAddFirstTypes.find(ext) != std::string_view::npos;
}

QString timeText(qint64 ms) {
    if (ms < 0) ms = 0;
    return twoDigits((ms / 60000) % 60) + u':' + twoDigits((ms / 1000) % 60);
}

PreviewPlayer::PreviewPlayer(core::JobRegistry& jobs, const platform::DriveTable& drives, core::ErrorReports& errors,
                             std::string dataFolder, DeviceFactory makeDevice, ExternalOpener openExternal,
                             QObject* parent)
    : QObject(parent),
      drives_(drives),
      dataFolder_(std::move(dataFolder)),
      makeDevice_(std::move(makeDevice)),
      openExternal_(std::move(openExternal)),
      playlist_(dataFolder_ + "播放列表.txt", errors),
      jobs_(this, jobs, core::JobKind::Writes) {
    core::makeOneShot(playRequestTimer_, "BoFangTimer2", 1);
    connect(&playRequestTimer_, &QTimer::timeout, this, &PreviewPlayer::runPlayRequest);
    positionTimer_.setObjectName(QStringLiteral("Timer1"));
    positionTimer_.setInterval(1000);
    connect(&positionTimer_, &QTimer::timeout, this, &PreviewPlayer::tick);
}

PreviewPlayer::~PreviewPlayer() = default;

MediaDevice& PreviewPlayer::device() {
    if (!device_) {
        device_ = makeDevice_();
        // Queued: the device may report from inside its own handlers.
        connect(device_.get(), &MediaDevice::opened, this, &PreviewPlayer::deviceOpened, Qt::QueuedConnection);
        connect(device_.get(), &MediaDevice::lengthChanged, this, &PreviewPlayer::deviceLengthChanged,
                Qt::QueuedConnection);
        connect(device_.get(), &MediaDevice::failed, this, &PreviewPlayer::deviceFailed, Qt::QueuedConnection);
        connect(device_.get(), &MediaDevice::ended, this, &PreviewPlayer::deviceEnded, Qt::QueuedConnection);
    }
    return *device_;
}

void PreviewPlayer::setCurrentItem(std::string path, std::string name) {
    currentPath_ = std::move(path);
    currentName_ = std::move(name);
    Q_EMIT currentItemChanged(QString::fromStdString(currentPath_));
}

void PreviewPlayer::makeResultCurrent(int row, std::string path, std::string name) {
    currentIndex_ = row;
    setCurrentItem(std::move(path), std::move(name));
    display_.playEnabled = true;
    display_.playHighlighted = true;
    show();
}

void PreviewPlayer::makeEntryCurrent(int row, std::string path, std::string name) {
    currentIndex_ = row;
    setCurrentItem(std::move(path), std::move(name));
}

void PreviewPlayer::makePlaylistEntryCurrent() {
    const auto rows = playlistSelection_.selectedRows();
    if (rows.isEmpty()) return;
    const int i = rows.front().row();
    currentIndex_ = i;
    setCurrentItem(playlist_.entry(i).path, playlist_.entry(i).name);
    display_.playEnabled = true;
    display_.playlistPlayEnabled = true;
    show();
}

void PreviewPlayer::requestPlay() { core::requestOnce(playRequestTimer_); }

void PreviewPlayer::playAddingToPlaylist(const std::vector<PlaylistEntry>& rows) {
    if (addsToPlaylistFirst(currentPath_)) addToPlaylist(rows);
    requestPlay();
}

void PreviewPlayer::runPlayRequest() {
    playRequestTimer_.stop();
    const std::string path = currentPath_;
    const std::string name = currentName_;
    if (core::fileSize(drives_, path) < kSmallestPlayableBytes) {
        Q_EMIT message(kFileErrorMessage);
        removePreviousCopy();
        saySilence();
        return;
    }
    const MediaKind kind = mediaKindOf(path);
    waiting_.reset();  // this request takes over from one still waiting for its copy
    previousCopy_ = currentCopy_;
    // Only a media file gets a decoded copy: whatever lies in the data
    // folder under the copy's name is deleted by a later request, and that
    // must never be one of the station's own data files.
    if (!core::isPrefixed(path) || kind == MediaKind::Refused) {
        currentCopy_.clear();
        hand(kind, path, name);
        removePreviousCopy();
        return;
    }
    currentCopy_ = dataFolder_ + core::plainNameOf(core::fileNameOf(path));
    // A copy made for an earlier request is played again as it is.
    if (platform::fileExists(currentCopy_)) {
        hand(kind, currentCopy_, name);
    } else {
        // A film can take seconds to decode: the counter does not wait for it.
        waiting_ = Waiting{currentCopy_, name, kind};
        if (making_.insert(currentCopy_).second)
            jobs_.start([this, source = path, copy = currentCopy_](std::stop_token stop) {
                // The media bytes in one pass from behind the block; a copy
                // stopped at close leaves nothing.
                const auto result = platform::copyFileChecked(
                    drives_, source, copy, {.overwrite = platform::Overwrite::Yes, .offset = core::kPrefixBlockSize, .flush = platform::Flush::No},
                    stop);
                if (result.failure == platform::CopyFailure::Stopped) return;
                jobs_.post([this, copy] { copyMade(copy); });
            });
    }
    removePreviousCopy();
}

void PreviewPlayer::copyMade(const std::string& copy) {
    making_.erase(copy);
    if (waiting_ && waiting_->copy == copy) {
        const Waiting request = *waiting_;
        waiting_.reset();
        // A failed copy goes on too: the device or the desktop says what is wrong.
        hand(request.kind, copy, request.name);
        return;
    }
    // A later request took over while it was made: it is not kept.
    if (copy != currentCopy_ && platform::fileExists(drives_, copy)) (void)platform::deleteFile(drives_, copy);
}

void PreviewPlayer::hand(MediaKind kind, const std::string& file, const std::string& name) {
    switch (kind) {
        case MediaKind::InWindow: playInWindow(file, name); break;
        case MediaKind::External:
            if (!openExternal_(file)) Q_EMIT message(kNoPlayerMessage);
            break;
        case MediaKind::Refused: Q_EMIT message(kNotMediaMessage); break;
    }
}

// So the copy of the last prefixed file stays until a different file is
// requested, and at most one such copy exists at a time.
void PreviewPlayer::removePreviousCopy() {
    if (!previousCopy_.empty() && previousCopy_ != currentCopy_ && platform::fileExists(drives_, previousCopy_))
        (void)platform::deleteFile(drives_, previousCopy_);
}

void PreviewPlayer::playInWindow(const std::string& file, const std::string& shownName) {
    positionTimer_.start();
    const std::string native = drives_.toNative(file).value_or(file);
    serial_ = device().open(QString::fromStdString(native));
    device().play();
    // Length, title, state and buttons follow once the device has the file open.
    opening_ = true;
    openingTitle_ = kTitlePrefix + QString::fromStdString(shownName);
    openedFile_ = QString::fromStdString(std::string(core::fileNameOf(file)));
    Q_EMIT started(QString::fromStdString(file));
}

void PreviewPlayer::deviceOpened(int serial, qint64 length) {
    if (serial != serial_ || !opening_) return;
    opening_ = false;
    display_.seekMaximum = length;
    display_.seekPosition = device().position();
    display_.title = openingTitle_;
    display_.state = kStatePlaying;
    display_.length = timeText(length);
    display_.stopEnabled = true;
    display_.pauseEnabled = true;
    display_.pauseCaption = kPauseCaption;
    show();
}

void PreviewPlayer::deviceLengthChanged(int serial, qint64 length) {
    // A decoder may correct its first estimate.
    if (serial != serial_ || opening_ || !positionTimer_.isActive()) return;
    display_.seekMaximum = length;
    display_.length = timeText(length);
    show();
}

void PreviewPlayer::deviceFailed(int serial, const QString& text) {
    if (serial != serial_) return;
    const bool wasOpen = !opening_ && positionTimer_.isActive();
    opening_ = false;
    positionTimer_.stop();
    Q_EMIT message(mediaErrorText(text, openedFile_));
    // A file that fails while it plays is stopped; one that never opened
    // leaves the panel as it was, but for the state: the open closed what
    // played before.
    if (wasOpen)
        stop();
    else
        saySilence();
}

// Continuous play that reached a file it could not play ends there: a
// state label left on "状态:播放" would tell of a song nobody hears.
void PreviewPlayer::saySilence() {
    if (positionTimer_.isActive() || display_.state == kStateStopped) return;
    display_.state = kStateStopped;
    show();
}

void PreviewPlayer::tick() {
    const qint64 position = device().position();
    display_.seekPosition = position;
    display_.position = timeText(position);
    show();
}

void PreviewPlayer::resetPosition() {
    positionTimer_.stop();
    display_.seekPosition = 0;
    device().seek(0);
    display_.position = QStringLiteral("00:00");
    display_.title.clear();
    display_.length.clear();
}

// The end of a song comes from the device's own notice: a decoder need not
// ever report a position equal to the length it gave at the start.
void PreviewPlayer::deviceEnded(int serial) {
    if (serial != serial_ || !positionTimer_.isActive()) return;
    resetPosition();
    device().stop();
    if (playlist_.count() > 0) {
        currentIndex_ = currentIndex_ < playlist_.count() - 1 ? currentIndex_ + 1 : 0;
        setCurrentItem(playlist_.entry(currentIndex_).path, playlist_.entry(currentIndex_).name);
        playlistSelection_.select(playlist_.index(currentIndex_),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Current);
        requestPlay();
    } else {
        display_.state = kStateStopped;
    }
    show();
}

void PreviewPlayer::togglePause() {
    if (device_) device_->pauseToggle();
    if (display_.pauseCaption == kPauseCaption) {
        display_.playEnabled = false;
        display_.pauseCaption = kResumeCaption;
        display_.state = kStatePaused;
    } else {
        display_.pauseCaption = kPauseCaption;
        display_.state = kStatePlaying;
        display_.playEnabled = true;
    }
    show();
}

void PreviewPlayer::stop() {
    opening_ = false;
    if (device_) {
        resetPosition();
        device_->stop();
    } else {
        positionTimer_.stop();
        display_.seekPosition = 0;
        display_.position = QStringLiteral("00:00");
        display_.title.clear();
        display_.length.clear();
    }
    display_.stopEnabled = false;
    display_.pauseCaption = kPauseCaption;
    display_.pauseEnabled = false;
    display_.state = kStateStopped;
    show();
}

void PreviewPlayer::seekBarMoved(qint64 value) {
    if (!positionTimer_.isActive() || !device_) return;
    if (std::llabs(value - device_->position()) <= kSeekThresholdMs) return;
    device_->seek(value);
    device_->play();
    display_.seekPosition = value;
    // A seek while paused plays on, and the panel says so: a "继续" button
    // that paused the sound would be the wrong way round.
    if (display_.pauseCaption == kResumeCaption) {
        display_.pauseCaption = kPauseCaption;
        display_.state = kStatePlaying;
        display_.playEnabled = true;
    }
    show();
}

void PreviewPlayer::addToPlaylist(const std::vector<PlaylistEntry>& rows) {
    if (rows.empty()) return;
    playlist_.append(rows);
    playlist_.save();
}

void PreviewPlayer::addAllToPlaylist(const std::vector<PlaylistEntry>& rows) {
    playlist_.append(rows);
    playlist_.save();
}

void PreviewPlayer::clearPlaylist() {
    playlist_.clear();
    playlist_.save();
}

void PreviewPlayer::deleteSelectedPlaylistEntry() {
    const auto rows = playlistSelection_.selectedRows();
    if (rows.isEmpty()) return;
    playlist_.remove(rows.front().row());
    // Saved like every other change, so the entry stays gone after a restart.
    playlist_.save();
}

void PreviewPlayer::loadPlaylist() { playlist_.load(); }

void PreviewPlayer::deleteDecodedCopy() {
    // A copy still being made stops at once: closing never waits for a film.
    jobs_.cancelAll();
    jobs_.joinAll();
    making_.insert(currentCopy_);
    for (const auto& copy : making_)
        if (!copy.empty() && platform::fileExists(drives_, copy)) (void)platform::deleteFile(drives_, copy);
    making_.clear();
    waiting_.reset();
}

}  // namespace zorvik::player
