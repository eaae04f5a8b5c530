#include "search/categorybrowser.h"

#include <string>
#include <vector>

#include "core/cues.h"
#include "library/listing.h"
#include "platform/fileops.h"

namespace zorvik::search {

namespace {

constexpr std::array<std::string_view, 16> kMusicButtons{
    "经典老歌", "男女对唱", "革命歌曲", "影视金曲", "DJ串烧", "闽南台语", "非主流", "英文歌曲",
    "伤感情歌", "儿童歌曲", "葫芦丝", "萨克斯", "新年歌", "校园歌曲", "DJ舞曲", "戏曲音乐"};
constexpr std::array<std::string_view, 8> kGameButtons{
    "smc格式", "gbc格式", "gb格式", "app格式", "blz格式", "nes格式", "sis格式", "jar格式"};
constexpr std::array<std::string_view, 4> kRingtoneButtons{"mp3铃声", "彩信铃声", "和弦铃声", "特色铃声"};
constexpr std::array<std::string_view, 8> kOtherButtons{
    "MP4格式", "AVI格式", "AMV格式", "ASF格式", "RMVB格式", "RM格式", "WMV格式", "FLV格式"};

bool blank(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

}  // namespace

const std::array<std::string_view, kBrowsePageCount> kBrowsePageTitles{"歌手", "音乐", "游戏", "铃声", "其它"};

CategoryPage categoryPage(int page) {
    switch (page) {
        case MusicPage: return {kBrowsePageTitles[MusicPage], "1-音乐\\分类歌曲\\", kMusicButtons};
        case GamesPage: return {kBrowsePageTitles[GamesPage], "7-游戏\\", kGameButtons};
        case RingtonesPage: return {kBrowsePageTitles[RingtonesPage], "11-铃声\\", kRingtoneButtons};
        case OtherPage: return {kBrowsePageTitles[OtherPage], "12-其它\\", kOtherButtons};
        default: return {kBrowsePageTitles[SingersPage], {}, {}};
    }
}

CategoryBrowser::CategoryBrowser(core::JobRegistry& jobs, library::Listings& listings, core::Cues& cues,
                                 const library::LibraryDrives& drives, QObject* parent)
    // Its job only makes missing folders: cut short, nothing is left half made.
    : QObject(parent), listings_(listings), cues_(cues), drives_(drives), jobs_(this, jobs, core::JobKind::Reads) {}

void CategoryBrowser::openPanel() {
    std::vector<std::string> roots;
    for (const auto& letter : drives_)
        if (!blank(letter)) roots.push_back(library::libraryRoot(letter));
    if (!roots.empty())
        jobs_.start([roots, &drives = listings_.drives()](std::stop_token stop) {
            for (auto sub : library::kSubcategories)
                for (const auto& root : roots) {
                    if (stop.stop_requested()) return;
                    std::string folder = root + std::string(sub);
                    if (!platform::folderExists(drives, folder)) (void)platform::createFolders(drives, folder);
                }
        });
    cues_.request(core::Cues::Select);
}

void CategoryBrowser::browse(int page, const QString& caption) {
    const CategoryPage chosen = categoryPage(page);
    if (chosen.buttons.empty()) return;
    subcategory_ = caption;
    std::vector<std::string> folders;
    for (int d = 0; d < kBrowsedDrives; ++d) {
        const std::string& letter = drives_[static_cast<size_t>(d)];
        if (letter.empty()) continue;
        folders.push_back(library::libraryRoot(letter) + std::string(chosen.base) + caption.toStdString() + "\\");
    }
    listings_.listFolders(std::move(folders), /*makeMissing=*/false, [this](std::int64_t hits) {
        if (hits == 0) cues_.request(core::Cues::Error);
        Q_EMIT finished(hits);
    });
}

}  // namespace zorvik::search
