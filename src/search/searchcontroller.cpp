#include "search/searchcontroller.h"

#include "core/cues.h"
#include "library/listing.h"
#include "library/walk.h"
#include "platform/fileops.h"
#include "platform/wildcard.h"
#include "search/keyword.h"

namespace zorvik::search {

int categoryOfTab(int tab) { return tab >= 0 && tab < kTabCount ? tab + 1 : 0; }

bool searchesSeriesFolders(int tab) { return tab == 3 || tab == 11; }

namespace {

// Files directly in every folder below each root whose path holds `text`,
// then (tab 11) the name search: what the worker of a series tab does.
void seriesFolderSearch(const std::vector<std::string>& roots, const std::string& text,
                        const std::string& extension, library::HitSink& sink) {
    platform::Wildcard names("*" + extension);
    for (const auto& root : roots) {
        for (const auto& folder :
             library::folderTree(sink.drives(), root, [&sink] { return !sink.stopRequested(); })) {
            if (folder.find(text) == std::string::npos) continue;
            for (const auto& entry : platform::listFolder(sink.drives(), folder + "\\")) {
                if (entry.kind != platform::EntryKind::File || entry.hidden || !names.matches(entry.name))
                    continue;
                if (!sink.add(folder + "\\" + entry.name)) return;
            }
            if (!sink.tick()) return;
        }
    }
}

void nameSearch(const std::vector<std::string>& roots, const std::string& pattern,
                library::HitSink& sink) {
    library::walk(
        sink.drives(), roots, pattern, [&sink](std::string_view path) { return sink.add(path); },
        [&sink] { return sink.tick(); });
}

}  // namespace

SearchController::SearchController(library::Listings& listings, core::Cues& cues,
                                   const library::LibraryDrives& drives, SearchPatterns& patterns,
                                   QObject* parent)
    : QObject(parent), listings_(listings), cues_(cues), drives_(drives), patterns_(patterns) {}

void SearchController::selectTab(int tab) {
    if (tab == tab_) return;
    tab_ = tab;
    Q_EMIT tabChanged(tab);
}

void SearchController::tabPressed() {
    if (tab_ != kNoTab) patterns_.extension = "*.*";
    cues_.request(core::Cues::Select);
    Q_EMIT focusSearchBox();
}

void SearchController::setNumberMode(bool on) {
    numberMode_ = on;
    text_ = on ? QStringLiteral("这里输入查找编号") : QStringLiteral("这里输入查找关键字");
    Q_EMIT numberModeChanged(on);
    Q_EMIT textChanged(text_);
    Q_EMIT focusSearchBox();
    cues_.request(core::Cues::Select);
}

bool SearchController::start() {
    if (!listings_.searchEnabled()) return false;
    listings_.startListing();
    Q_EMIT searchStarting();

    const std::string text = text_.toStdString();
    const KeywordPlan plan = planKeyword(text);
    if (plan.barred) {
        listings_.setIdle();
        Q_EMIT refused(QStringLiteral("对不起,此字符被禁搜"));
        return false;
    }
    patterns_.keyword = plan.keyword;
    if (tab_ == 0) patterns_.extension = "*.mp3";
    Q_EMIT searchAccepted();
    Q_EMIT selectSearchText();
    if (!numberMode_) {
        history_.append(text_);
        rememberedCount_ = static_cast<int>(history_.size());
        Q_EMIT historyChanged(history_);
    }

    // The worker takes copies: what changes on this thread meanwhile does not reach it.
    const int tab = tab_;
    const auto roots = library::searchRoots(drives_, categoryOfTab(tab));
    const SearchPatterns patterns = patterns_;
    if (searchesSeriesFolders(tab)) patterns_.keyword = text;
    listings_.runThreaded(
        QStringLiteral("正 在 搜 索 ..."),
        [roots, patterns, text, tab](library::HitSink& sink) {
            SearchPatterns used = patterns;
            if (searchesSeriesFolders(tab)) {
                seriesFolderSearch(roots, text, used.extension, sink);
                if (tab != 11) return;
                used.keyword = text;
            }
            nameSearch(roots, used.walkPattern(), sink);
        },
        [this](std::int64_t hits) { finish(hits); });
    return true;
}

bool SearchController::searchFor(const QString& text) {
    text_ = text;
    Q_EMIT textChanged(text_);
    return start();
}

void SearchController::finish(std::int64_t hits) {
    if (hits > 0 && numberMode_) {
        Q_EMIT firstHitChosen();
    } else {
        cues_.request(hits > 0 ? core::Cues::Found : core::Cues::Error);
    }
    listings_.endThreaded();
    Q_EMIT finished(hits);
}

void SearchController::trimHistory() {
    if (history_.size() != rememberedCount_ || history_.isEmpty()) return;
    history_.removeLast();
    Q_EMIT historyChanged(history_);
}

}  // namespace zorvik::search
