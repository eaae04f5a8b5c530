#pragma once

#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <memory>

#include "core/folders.h"
#include "core/settings.h"
#include "library/layout.h"
#include "orders/orderlists.h"
#include "player/cueplayer.h"
#include "search/patterns.h"

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

    QString readyText() const { return readyText_; }
    int seconds() const { return seconds_; }
    QString diskDText() const { return diskDText_; }
    bool searchEnabled() const { return searchEnabled_; }

    QTimer QiDTimer;  // start-up, second stage
    QTimer Timer13;   // seconds counter of a threaded walk

Q_SIGNALS:
    void libraryDrivesLoaded();
    void basicSettingsRequested();
    void readyTextChanged(const QString& text);
    void secondsChanged(int seconds);
    void diskDTextChanged(const QString& text);
    void searchEnabledChanged(bool enabled);
    // A plain message box for the operator.
    void messageRequested(const QString& text);
    void startupFinished();
    void warmUpFinished(qint64 hits);

private:
    void startupTimer();
    void showDiskD();
    void startWarmUp();
    void finishWarmUp(qint64 hits);
    void setReadyText(const QString& text);
    void setSeconds(int seconds);
    void setSearchEnabled(bool enabled);

    core::ProgramFolders folders_;
    core::Settings settings_;
    player::CuePlayer cues_;
    library::LibraryDrives drives_;
    search::SearchPatterns patterns_;
    orders::OrderLists orders_;

    QString readyText_;
    int seconds_ = 0;
    QString diskDText_;
    bool searchEnabled_ = true;

    // Walks stop at the next folder once the station goes away.
    std::shared_ptr<std::atomic_bool> stopping_ = std::make_shared<std::atomic_bool>(false);
    std::unique_ptr<QThread> warmUp_;
};

}  // namespace zorvik::app
