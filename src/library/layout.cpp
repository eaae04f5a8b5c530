#include "library/layout.h"

#include "platform/fileops.h"
#include "platform/wildcard.h"

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

std::optional<int> mediaGroupOf(std::string_view extension) {
    if (extension.empty()) return std::nullopt;
    std::string lowered = platform::asciiLower(extension);
    std::optional<int> group;
    for (int i = 0; i < static_cast<int>(kMediaGroupExtensions.size()); ++i)
        if (kMediaGroupExtensions[static_cast<size_t>(i)].find(lowered) != std::string_view::npos)
            group = i;
    return group;
}

int iconOf(std::string_view path) { return mediaGroupOf(extensionOf(path)).value_or(0); }

int categoryOf(std::string_view path) {
    std::string probe;
    for (const auto& c : kCategories) {
        probe.assign(kLibraryFolder).append("\\").append(c.folder);
        if (path.find(probe) != std::string_view::npos) return c.number;
    }
    return 0;
}

std::string_view fileNameOf(std::string_view path) {
    size_t sep = path.find_last_of("\\/:");
    return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

std::string_view extensionOf(std::string_view path) {
    std::string_view name = fileNameOf(path);
    size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

std::string_view typeTextOf(std::string_view path) {
    std::string_view ext = extensionOf(path);
    return ext.empty() ? ext : ext.substr(1);
}

namespace {
void eraseFirst(std::string& text, std::string_view what) {
    if (what.empty()) return;
    size_t at = text.find(what);
    if (at != std::string::npos) text.erase(at, what.size());
}
}  // namespace

std::string displayName(std::string_view path) {
    std::string name(fileNameOf(path));
    eraseFirst(name, extensionOf(path));
    eraseFirst(name, kPrefixMarker);
    return name;
}

std::string sizeText(std::int64_t bytes) {
    std::string digits = std::to_string(bytes / 10240);  // -1 truncates to 0
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    digits.insert(digits.size() - 2, ".");
    return digits;
}

std::int64_t fileSize(std::string_view path) { return platform::fileSize(path); }

bool isPrefixed(std::string_view path) {
    return fileNameOf(path).find(kPrefixMarker) != std::string_view::npos;
}

std::string plainNameOf(std::string_view path) {
    std::string name(path);
    size_t nameStart = path.size() - fileNameOf(path).size();
    size_t at = name.find(kPrefixMarker, nameStart);
    if (at != std::string::npos) name.erase(at, kPrefixMarker.size());
    return name;
}

bool copyPlain(std::string_view source, std::string_view destination) {
    return platform::copyFile(source, destination, platform::Overwrite::Yes, kPrefixBlockSize);
}

void cleanCachedMedia(std::string_view folder) {
    std::string base(folder);
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    for (const auto& entry : platform::listFolder(base)) {
        std::string ext = platform::asciiLower(extensionOf(entry.name));
        if (!ext.empty() && kCachedMediaExtensions.find(ext) != std::string_view::npos &&
            entry.kind == platform::EntryKind::File)
            platform::deleteFile(base + entry.name);
    }
}

}  // namespace zorvik::library

namespace zorvik::library {

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
