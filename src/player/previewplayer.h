#pragma once

#include <QItemSelectionModel>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/jobs.h"
#include "player/mediadevice.h"
#include "player/playlist.h"

#include "core/errors.h"
#include "platform/drives.h"

namespace zorvik::player {

// Which player takes a file, by its extension lower-cased as a substring of
// these lists, in this order; an empty extension matches neither.
inline constexpr std::string_view kInWindowTypes = ".mp3.wma.mid.wav";
inline constexpr std::string_view kExternalTypes =
    ".3gp.avi.mp4.wmv.asf.mov.rm.rmvb.mtv.dat.amv.dmv.vob.mpg.mkv.flv";
enum class MediaKind { InWindow, External, Refused };
MediaKind mediaKindOf(std::string_view path);
// "播放" from the result list or the order view adds the rows to the
// playlist first for these files (in practice ".mp3").
bool addsToPlaylistFirst(std::string_view path);

// mm:ss of a time in ms; hours are dropped, so 75 minutes show as 15:00.
QString timeText(qint64 ms);

inline const QString kFileErrorMessage = QStringLiteral("文件不存在或文件错误，请检查磁盘的\u3000\"可用空间\"");
inline const QString kNotMediaMessage = QStringLiteral("不是媒体文件");
inline const QString kNoPlayerMessage = QStringLiteral("未找到播放器，请安装相应的播放器例如安装\"暴风影音\"等!");

inline const QString kStateStopped = QStringLiteral("状态:停止");
inline const QString kStatePlaying = QStringLiteral("状态:播放");
inline const QString kStatePaused = QStringLiteral("状态:暂停");
inline const QString kPauseCaption = QStringLiteral("暂停");
inline const QString kResumeCaption = QStringLiteral("继续");

// What the player panel shows.
struct PlayerDisplay {
    QString title;                       // "播放:  " + the shown name while a file plays
    QString position = QStringLiteral("00:00");
    QString length;
    QString state = kStateStopped;
    qint64 seekMaximum = 10'000'000;
    qint64 seekPosition = 0;
    bool playEnabled = false;
    bool playHighlighted = false;        // cyan once a result row was picked
    bool pauseEnabled = false;
    QString pauseCaption = kPauseCaption;
    bool stopEnabled = false;
    bool playlistPlayEnabled = false;    // the playlist menu's "播放"
};

// The preview player: plays the current item in the window (songs) or hands
// it to the desktop's player (videos), keeps the playlist and plays it on
// without end. Prefixed files are played from a decoded copy in the data
// folder, made in the background; at most one such copy is kept at a time.
// GUI thread only.
class PreviewPlayer final : public QObject {
    Q_OBJECT
public:
    using DeviceFactory = std::function<std::unique_ptr<MediaDevice>()>;
    using ExternalOpener = std::function<bool(const std::string& path)>;

    // dataFolder: native, with a trailing slash. The device is made when a
    // song is first played.
    PreviewPlayer(core::JobRegistry& jobs, const platform::DriveTable& drives, core::ErrorReports& errors,
                  std::string dataFolder, DeviceFactory makeDevice, ExternalOpener openExternal,
                  QObject* parent = nullptr);
    ~PreviewPlayer() override;

    const PlayerDisplay& display() const { return display_; }
    Playlist& playlist() { return playlist_; }
    QItemSelectionModel& playlistSelection() { return playlistSelection_; }

    // The current item: what a play request plays. Its shown name is the
    // file name for a result row, the display name for an order row or a
    // playlist entry. The current index is shared by the playlist, the
    // result list and the order view; continuous play goes on after it.
    const std::string& currentPath() const { return currentPath_; }
    const std::string& currentName() const { return currentName_; }
    int currentIndex() const { return currentIndex_; }
    void setCurrentItem(std::string path, std::string name);
    // A press on a result row also enables "播放" (and turns it cyan).
    void makeResultCurrent(int row, std::string path, std::string name);
    void makeEntryCurrent(int row, std::string path, std::string name);
    // A click on the playlist: the selected entry becomes current.
    void makePlaylistEntryCurrent();

    // Runs the play request about 1 ms later, once for a burst.
    void requestPlay();
    // "播放" of the result list or the order view: `rows` (the selected
    // rows) join the playlist first when the current item is an MP3.
    void playAddingToPlaylist(const std::vector<PlaylistEntry>& rows);
    void togglePause();
    void stop();
    // The operator moved the seek bar (drag, click or keys), never the
    // position tick. A move of more than a second seeks and plays on.
    void seekBarMoved(qint64 value);

    // Every change of the playlist is saved. Adding no rows changes nothing,
    // except "全部添加", which saves even an empty list.
    void addToPlaylist(const std::vector<PlaylistEntry>& rows);
    void addAllToPlaylist(const std::vector<PlaylistEntry>& rows);
    void clearPlaylist();
    void deleteSelectedPlaylistEntry();
    void loadPlaylist();

    // Close query: the decoded copy of the file last previewed goes.
    void deleteDecodedCopy();
    const std::string& decodedCopy() const { return currentCopy_; }
    // A decoded copy is being made in the background.
    bool makingCopy() const { return !making_.empty(); }

Q_SIGNALS:
    void displayChanged();
    void currentItemChanged(const QString& path);
    // A plain message box for the operator.
    void message(const QString& text);
    // A file went to the in-window device (native or drive path, as played).
    void started(const QString& file);

private:
    const platform::DriveTable& drives_;
    void runPlayRequest();
    void copyMade(const std::string& copy);
    // The request's file to the in-window device or to the desktop's player.
    void hand(MediaKind kind, const std::string& file, const std::string& name);
    void removePreviousCopy();
    void saySilence();
    void playInWindow(const std::string& file, const std::string& shownName);
    void tick();
    void deviceOpened(int serial, qint64 length);
    void deviceLengthChanged(int serial, qint64 length);
    void deviceFailed(int serial, const QString& text);
    void deviceEnded(int serial);
    void resetPosition();
    MediaDevice& device();
    void show() { Q_EMIT displayChanged(); }

    std::string dataFolder_;
    DeviceFactory makeDevice_;
    ExternalOpener openExternal_;
    Playlist playlist_;
    QItemSelectionModel playlistSelection_{&playlist_};
    PlayerDisplay display_;

    std::string currentPath_;
    std::string currentName_;
    int currentIndex_ = 0;

    std::string previousCopy_;
    std::string currentCopy_;
    // The request that waits for its decoded copy, and the copies being made.
    struct Waiting {
        std::string copy;
        std::string name;
        MediaKind kind;
    };
    std::optional<Waiting> waiting_;
    std::set<std::string> making_;

    std::unique_ptr<MediaDevice> device_;
    int serial_ = 0;       // the device's number for the file last opened
    bool opening_ = false; // opened, not yet reported
    QString openingTitle_;
    QString openedFile_;  // its name, for the device's reports

    QTimer playRequestTimer_{this};  // BoFangTimer2: the play request
    QTimer positionTimer_{this};     // Timer1: the position, every second while a file plays in the window

    core::Jobs jobs_;  // last: its jobs are joined before the rest goes
};

}  // namespace zorvik::player
