#pragma once

#include <QItemSelectionModel>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>
#include <string>

#include "core/folders.h"
#include "core/settings.h"
#include "library/layout.h"
#include "library/listing.h"
#include "orders/orderlists.h"
#include "player/cueplayer.h"
#include "search/patterns.h"
#include "search/searchcontroller.h"

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
    void close();
    void destroy();

    const core::ProgramFolders& folders() const { return folders_; }
    core::Settings& settings() { return settings_; }
    player::CuePlayer& cues() { return cues_; }
    const library::LibraryDrives& libraryDrives() const { return drives_; }
    const search::SearchPatterns& patterns() const { return patterns_; }
    const orders::OrderLists& orderLists() const { return orders_; }

    library::Listings& listings() { return listings_; }
    library::ResultList& results() { return listings_.results(); }
    QItemSelectionModel& resultSelection() { return resultSelection_; }
    search::SearchController& search() { return search_; }
    QString diskDText() const { return diskDText_; }
    // The file that preview, the hot list and some menu commands act on.
    const std::string& currentItem() const { return currentItem_; }
    void setCurrentItem(std::string path);

    // Renames the file of a result row to `newName` (its marker and extension
    // are kept). On success the row names the new file and the new path is
    // returned; on failure nullopt and the row is unchanged.
    std::optional<std::string> renameResult(int row, const std::string& newName);

    QTimer QiDTimer;  // start-up, second stage
    QTimer Timer7;    // adds the selected result to the active order list

Q_SIGNALS:
    void libraryDrivesLoaded();
    void basicSettingsRequested();
    void diskDTextChanged(const QString& text);
    void currentItemChanged(const QString& path);
    // Timer7: the selected result rows go to the active order list.
    void orderAddRequested();
    // A plain message box for the operator.
    void messageRequested(const QString& text);
    void startupFinished();
    void warmUpFinished(qint64 hits);

private:
    void startupTimer();
    void showDiskD();
    void startWarmUp();

    core::ProgramFolders folders_;
    core::Settings settings_;
    player::CuePlayer cues_;
    library::LibraryDrives drives_;
    search::SearchPatterns patterns_;
    orders::OrderLists orders_;
    library::Listings listings_;
    QItemSelectionModel resultSelection_{&listings_.results()};
    search::SearchController search_{listings_, cues_, drives_, patterns_};

    QString diskDText_;
    std::string currentItem_;
};

}  // namespace zorvik::app
