#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <string>

#include "library/layout.h"
#include "search/patterns.h"

namespace zorvik::library {
class Listings;
}
namespace zorvik::core {
class Cues;
}

namespace zorvik::search {

// The twelve category tabs: a tab searches the category at its position,
// whatever its caption says.
inline constexpr int kTabCount = 12;
inline constexpr int kNoTab = -1;
// Category number (1 ... 12) searched from a tab; 0 for no tab.
int categoryOfTab(int tab);
// Tabs that search by series folder name.
bool searchesSeriesFolders(int tab);

// The search group: search box text and history, number search mode, the
// selected category tab, and the search worker with its finish step.
class SearchController final : public QObject {
    Q_OBJECT
public:
    SearchController(library::Listings& listings, core::Cues& cues,
                     const library::LibraryDrives& drives, SearchPatterns& patterns,
                     QObject* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text) { text_ = text; }
    bool numberMode() const { return numberMode_; }
    int tab() const { return tab_; }
    const QStringList& history() const { return history_; }

    // The selected tab changed (by mouse, keyboard or program).
    void selectTab(int tab);
    // A mouse press on the tab strip, after the tab under it is selected.
    void tabPressed();
    // The "编号查找" box changed.
    void setNumberMode(bool on);

    // Starts a search with the search box's text. False when the text is
    // barred (the operator is told) or the search controls are disabled.
    bool start();
    // Puts `text` into the search box and starts a search as the search
    // button does, on the tab selected now.
    bool searchFor(const QString& text);

    // After a copy: a keyword that led to a copy leaves the history again.
    void trimHistory();

Q_SIGNALS:
    void textChanged(const QString& text);
    void historyChanged(const QStringList& history);
    void numberModeChanged(bool on);
    void tabChanged(int tab);
    void focusSearchBox();
    void selectSearchText();
    void refused(const QString& message);
    // The text passed the barred-text rule: the walk starts.
    void searchAccepted();
    // Before the walk starts: the active order list is saved to its file.
    void searchStarting();
    // Number search found something: the first row is selected and current.
    void firstHitChosen();
    void finished(qint64 hits);

private:
    void finish(std::int64_t hits);

    library::Listings& listings_;
    core::Cues& cues_;
    const library::LibraryDrives& drives_;
    SearchPatterns& patterns_;

    QString text_ = QStringLiteral("这里输入查找关键字");
    QStringList history_;
    int rememberedCount_ = -1;
    bool numberMode_ = false;
    int tab_ = kNoTab;
};

}  // namespace zorvik::search
