#pragma once

#include <QItemSelectionModel>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "core/folders.h"
#include "core/settings.h"
#include "library/hotlist.h"
#include "library/layout.h"
#include "library/listing.h"
#include "library/readylistings.h"
#include "library/picturebrowser.h"
#include "orders/copylane.h"
#include "orders/listdevices.h"
#include "orders/localcopy.h"
#include "orders/orderbook.h"
#include "orders/pictureorder.h"
#include "orders/tally.h"
#include "platform/mastervolume.h"
#include "platform/mountwatcher.h"
#include "player/cueplayer.h"
#include "player/previewplayer.h"
#include "storage/filemanager.h"
#include "storage/localupkeep.h"
#include "storage/removabledrives.h"
#include "search/categorybrowser.h"
#include "search/patterns.h"
#include "search/searchcontroller.h"
#include "search/searchinputmethod.h"
#include "search/singers.h"

namespace zorvik::app {

// The station's state and its life from creation to close, apart from any
// window: the main window forwards its creation, first show, close query,
// close and destruction here, in that order, and shows what changes.
class Station final : public QObject {
    Q_OBJECT
public:
    explicit Station(core::ProgramFolders folders, QObject* parent = nullptr);
    ~Station() override;

    // The main window's life, step by step.
    void create();
    void firstShow();
    // Returns the longest time the exit sound may still need, in ms; the
    // process lingers for it after the window has gone.
    int closeQuery();
    // Closing also asks every job to stop: walks at their next folder, copies
    // at once, removing their temporary files.
    void close();
    void destroy();
    // Waits for the jobs that write until 1.5 s after the close, for those
    // that only read (walks, sizes, space lines) 0.1 s; false when one is still
    // running (stuck in a call on a hung device), and the program ends without it.
    bool jobsEnded();

    const core::ProgramFolders& folders() const { return folders_; }
    // The drive letters of this station, mapped for every path it touches.
    platform::DriveTable& driveTable() { return driveTable_; }
    const platform::DriveTable& driveTable() const { return driveTable_; }
    // Errors that reach the top of an operation; the window shows them.
    core::ErrorReports& errors() { return errors_; }
    // Where every owner of background work registers, the windows' too.
    core::JobRegistry& jobs() { return jobRegistry_; }
    core::Settings& settings() { return settings_; }
    player::CuePlayer& cues() { return cues_; }
    const library::LibraryDrives& libraryDrives() const { return drives_; }
    // The text of quick drive box n (0 ... 5): the letter every walk uses.
    void setLibraryDrive(int index, const std::string& text);
    const search::SearchPatterns& patterns() const { return patterns_; }

    library::Listings& listings() { return listings_; }
    library::ResultList& results() { return listings_.results(); }
    QItemSelectionModel& resultSelection() { return resultSelection_; }
    search::SearchController& search() { return search_; }
    search::SearchInputMethod& searchInputMethod() { return searchInputMethod_; }
    search::SingerBrowser& singers() { return singers_; }
    search::CategoryBrowser& categories() { return categories_; }
    library::HotList& hotList() { return hotList_; }
    library::ReadyListings& readyListings() { return ready_; }
    QString diskDText() const { return localFolder_.diskDText(); }
    storage::LocalFolderUpkeep& localFolder() { return localFolder_; }
    storage::FileManager& fileManager() { return fileManager_; }
    // The file that preview, the hot list and some menu commands act on; its
    // shown name is the file name unless given.
    const std::string& currentItem() const { return preview_.currentPath(); }
    void setCurrentItem(std::string path, std::string shownName = {});

    // "重命名" (library::renameResult); the current item follows its file.
    platform::Result<std::string> renameResult(int row, const std::string& newName);

    storage::RemovableDrives& removableDrives() { return removable_; }
    orders::Tally& tally() { return tally_; }
    orders::OrderBook& orderBook() { return orderBook_; }
    orders::CopyLane& lane(int list) { return *lanes_[static_cast<size_t>(list - 1)]; }
    orders::CopyLane& activeLane() { return lane(orderBook_.active()); }

    // Selected result rows, top to bottom. Read from the selection's ranges:
    // QItemSelectionModel::selectedRows takes a second for a million rows.
    std::vector<int> selectedResultRows() const;
    // Adds the selected result rows to the active order list; with
    // "同步下载" on, the current item is also copied at once.
    void addSelectedResults();
    // "批量添加 到 清单": the rows go in without being copied at once.
    void batchAddResults();
    bool syncDownload() const { return syncDownload_; }
    // The "同步下载" box; the operator's click also gives the search box the focus.
    void setSyncDownload(bool on);
    // "下载" of the active list: its selected rows as one batch job.
    void downloadSelected();
    // "复制到本地磁盘" of the selected entries.
    void copySelectedToLocalDisk();
    // "彻底删除选中的文件": the file of the first selected result row, and the row.
    void deleteResultForGood();
    // "删除选中的文件" of the order view, with the copies on the list's device.
    void deleteSelectedEntries();
    // A mouse press on a result row or an order row makes it the current item.
    void makeResultCurrent(int row);
    void makeEntryCurrent(int row);
    // The device each list copies to, and its folders.
    orders::ListDevices& devices() { return devices_; }
    orders::LocalCopy& localCopy() { return localCopy_; }

    // The picture browser window's state, and its adds to the active list.
    library::PictureBrowser& pictures() { return pictures_; }
    orders::PictureOrder& pictureOrder() { return pictureOrder_; }
    player::PreviewPlayer& preview() { return preview_; }
    // The result list's "播放", "添加到 播放列表" and "全部添加 到 播放列表".
    void playResults();
    void addResultsToPlaylist();
    void addAllResultsToPlaylist();
    // The order view's "播放" (and a double-click on an order row), "添加到播放列表".
    void playEntries();
    void addEntriesToPlaylist();
    // The volume bar, moved by the operator.
    void setMasterVolume(int value) { masterVolume_.set(value); }

Q_SIGNALS:
    void libraryDrivesLoaded();
    void basicSettingsRequested();
    // The first show's turn to apply the saved skin.
    void savedSkinRequested();
    void diskDTextChanged(const QString& text);
    void currentItemChanged(const QString& path);
    void syncDownloadChanged(bool on);
    // For the first panel of the status bar.
    void statusText(const QString& text);
    // Start-up read the two option boxes' settings: the parameters window
    // shows them too.
    void optionBoxesLoaded(bool syncDownload, bool numberSearch);
    // A plain message box for the operator.
    void messageRequested(const QString& text);
    void startupFinished();
    void warmUpFinished(qint64 hits);

private:
    // The second stage of start-up, once the event loop runs.
    void startupSecondStage();
    void startWarmUp();
    void stopJobs();
    // Copies read only from the library roots of the drives set and the
    // local download folder.
    void applyCopySources();
    // Playlist entries for result rows and order rows: path and row caption.
    std::vector<player::PlaylistEntry> resultEntries(const std::vector<int>& rows);
    std::vector<player::PlaylistEntry> selectedOrderEntries();

    core::ProgramFolders folders_;
    // First: every subsystem maps its paths through the table and reports
    // through `errors_` until it is gone.
    platform::DriveTable driveTable_;
    core::ErrorReports errors_;
    // Every owner of background work registers here as it is made; closing
    // stops and waits on all of them.
    core::JobRegistry jobRegistry_;
    core::Settings settings_;
    player::CuePlayer cues_;
    player::PreviewPlayer preview_;
    platform::MasterVolume masterVolume_;
    library::LibraryDrives drives_;
    search::SearchPatterns patterns_;
    library::Listings listings_{jobRegistry_, driveTable_};
    QItemSelectionModel resultSelection_{&listings_.results()};
    search::SearchController search_{listings_, cues_, drives_, patterns_};
    search::SearchInputMethod searchInputMethod_{search_};
    search::SingerBrowser singers_{search_, errors_};
    search::CategoryBrowser categories_{jobRegistry_, listings_, cues_, drives_};
    library::HotList hotList_{jobRegistry_, errors_};
    library::ReadyListings ready_{listings_, cues_, drives_, hotList_};

    platform::MountWatcher mounts_{driveTable_};
    storage::RemovableDrives removable_{jobRegistry_, driveTable_};
    storage::LocalFolderUpkeep localFolder_{jobRegistry_, driveTable_};
    storage::FileManager fileManager_{jobRegistry_, driveTable_, cues_};
    orders::OrderBook orderBook_{jobRegistry_, driveTable_, errors_, folders_.data, cues_};
    orders::Tally tally_;
    std::array<std::unique_ptr<orders::CopyLane>, orders::kListCount> lanes_;
    orders::ListDevices devices_{jobRegistry_, driveTable_, cues_};
    orders::LocalCopy localCopy_{jobRegistry_, driveTable_, cues_};
    bool syncDownload_ = false;
    library::PictureBrowser pictures_{driveTable_, folders_.data};
    orders::PictureOrder pictureOrder_{orderBook_, tally_, cues_};
    std::chrono::steady_clock::time_point closedAt_;

    QTimer startupTimer_{this};      // QiDTimer
    QTimer deferredAddTimer_{this};  // Timer7: a number search's first hit joins the list
};

}  // namespace zorvik::app
