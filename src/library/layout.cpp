#include "library/layout.h"

namespace zorvik::library {

const std::array<std::string_view, 36> kSubcategories{
    "1-音乐\\分类歌曲\\经典老歌", "1-音乐\\分类歌曲\\男女对唱", "1-音乐\\分类歌曲\\闽南台语",
    "1-音乐\\分类歌曲\\影视金曲", "1-音乐\\分类歌曲\\DJ串烧",   "1-音乐\\分类歌曲\\DJ舞曲",
    "1-音乐\\分类歌曲\\英文歌曲", "1-音乐\\分类歌曲\\非主流",   "1-音乐\\分类歌曲\\伤感情歌",
    "1-音乐\\分类歌曲\\儿童歌曲", "1-音乐\\分类歌曲\\葫芦丝",   "1-音乐\\分类歌曲\\萨克斯",
    "1-音乐\\分类歌曲\\校园歌曲", "1-音乐\\分类歌曲\\新年歌",   "1-音乐\\分类歌曲\\革命歌曲",
    "1-音乐\\分类歌曲\\戏曲音乐", "7-游戏\\jar格式",            "7-游戏\\sis格式",
    "7-游戏\\nes格式",            "7-游戏\\blz格式",            "7-游戏\\app格式",
    "7-游戏\\gb格式",             "7-游戏\\gbc格式",            "7-游戏\\smc格式",
    "11-铃声\\mp3铃声",           "11-铃声\\彩信铃声",          "11-铃声\\和弦铃声",
    "11-铃声\\特色铃声",          "12-其它\\AMV格式",           "12-其它\\ASF格式",
    "12-其它\\AVI格式",           "12-其它\\FLV格式",           "12-其它\\MP4格式",
    "12-其它\\RM格式",            "12-其它\\WMV格式",           "12-其它\\RMVB格式",
};

const std::array<std::string_view, 5> kNewArrivalFolders{
    "1-音乐\\新增歌曲", "2-MTV\\新增MTV", "3-电影\\新增电影", "4-连续剧\\新增连续剧",
    "8-伦理片\\新增生活片",
};

const std::array<std::string_view, 11> kPictureThemes{
    "美女", "爱情", "风景", "幽默搞笑", "激情", "动漫卡通", "美男", "节日祝福", "非主流", "另类", "名车",
};

std::string libraryRoot(std::string_view letter) {
    return std::string(letter) + ":\\" + std::string(kLibraryFolder) + "\\";
}

int categoryOf(std::string_view path) {
    std::string probe;
    for (const auto& c : kCategories) {
        probe.assign(kLibraryFolder).append("\\").append(c.folder);
        if (path.find(probe) != std::string_view::npos) return c.number;
    }
    return 0;
}

std::vector<std::string> searchRoots(const LibraryDrives& drives, int category) {
    std::vector<std::string> roots;
    for (const auto& letter : drives) {
        if (letter.empty()) continue;
        std::string root = libraryRoot(letter);
        if (category >= 1 && category <= static_cast<int>(kCategories.size()))
            root.append(kCategories[static_cast<size_t>(category - 1)].folder).append("\\");
        roots.push_back(std::move(root));
    }
    return roots;
}

}  // namespace zorvik::library
