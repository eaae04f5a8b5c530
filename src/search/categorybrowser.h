#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <span>
#include <string_view>

#include "core/jobs.h"
#include "library/layout.h"

namespace zorvik::library {
class Listings;
}
namespace zorvik::core {
class Cues;
}

namespace zorvik::search {

// The pages of the browse panel, in tab order.
enum BrowsePage : int { SingersPage = 0, MusicPage, GamesPage, RingtonesPage, OtherPage, kBrowsePageCount };

// A page of category buttons: each button's caption is its subfolder's name
// below the page's base folder.
struct CategoryPage {
    std::string_view title;
    std::string_view base;  // below the library root, ending in '\'
    std::span<const std::string_view> buttons;
};
// The page titles, singers first.
extern const std::array<std::string_view, kBrowsePageCount> kBrowsePageTitles;
// The category buttons of a page (none on the singer page).
CategoryPage categoryPage(int page);
// "热门铃声" on the ringtone page has no folder and does nothing.
inline constexpr std::string_view kIdleRingtoneButton = "热门铃声";
// Only library drives 1 to 3 are browsed.
inline constexpr int kBrowsedDrives = 3;

// Browsing the library's fixed subcategories. GUI thread only.
class CategoryBrowser final : public QObject {
    Q_OBJECT
public:
    CategoryBrowser(core::JobRegistry& jobs, library::Listings& listings, core::Cues& cues,
                    const library::LibraryDrives& drives, QObject* parent = nullptr);

    // "分类查找": the 36 subcategory folders are made where missing on every
    // configured library drive (beside the counter, not in its way); cue 2.
    void openPanel();
    // A category button of a page: the subfolder named by its caption on
    // drives 1 to 3, walked on a worker into the result list. Nothing
    // found: cue 5. A search or browse started meanwhile takes over.
    void browse(int page, const QString& caption);

    // The subfolder the last category button chose.
    QString subcategory() const { return subcategory_; }
    // True while the folders of "分类查找" are still being made.
    bool makingFolders() const { return jobs_.busy(); }
    bool waitUntil(core::Job::Deadline deadline) const { return jobs_.waitUntil(deadline); }

Q_SIGNALS:
    void finished(qint64 hits);

private:
    library::Listings& listings_;
    core::Cues& cues_;
    const library::LibraryDrives& drives_;
    QString subcategory_;
    core::Jobs jobs_;  // last: joined before the rest goes
};

}  // namespace zorvik::search
