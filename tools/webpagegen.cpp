// Writes the two web pages the station ships in its program folder ("网页/"):
// the maker's home page and the resource page, which describes the library
// layout from the very tables the station uses, so the page and the folders
// the station creates never disagree.
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "core/mediafiles.h"
#include "core/prefixed.h"
#include "library/layout.h"

namespace {

using zorvik::library::kCategories;
using zorvik::core::kMediaGroupExtensions;
using zorvik::library::kNewArrivalFolders;
using zorvik::library::kPictureThemes;
using zorvik::library::kSubcategories;

constexpr std::string_view kStyle =
    "<style>body{font-family:sans-serif;margin:2em auto;max-width:52em;color:#102040;line-height:1.6}"
    "h1{color:#b00000}h2{border-bottom:1px solid #85adc0}code{background:#eef3f6;padding:0 .2em}"
    "table{border-collapse:collapse}td,th{border:1px solid #85adc0;padding:.2em .6em;text-align:left}"
    "a{color:navy}a:hover{color:red}</style>\n";

std::string page(std::string_view title, const std::string& body) {
    return "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
           std::string(title) + "</title>\n" + std::string(kStyle) + "</head>\n<body>\n" + body +
           "</body>\n</html>\n";
}

std::string homePage() {
    return page("Zorvik影音 手机下载系统",
                "<h1>Zorvik影音 手机下载系统</h1>\n"
                "<p>为手机下载店设计的柜台软件：按关键字、编号、歌手拼音首字母或分类在本店资源库中查找歌曲、"
                "MTV、电影、连续剧、图片、电子书和游戏，把顾客要的文件放进五个下载清单之一，"
                "选择顾客的手机、存储卡或U盘后，自动复制到设备上对应的音乐、视频、图片、游戏和电子书文件夹，"
                "同时按本店设定的单价统计应收金额。</p>\n"
                "<h2>主要功能</h2>\n<ul>\n"
                "<li>五个下载清单，同时为五位顾客服务，各自复制、各自计价；</li>\n"
                "<li>编号查找与同步下载：输入编号回车即可复制到顾客设备；</li>\n"
                "<li>新增资源、热门排行、歌手与分类浏览；</li>\n"
                "<li>歌曲试听、图片浏览、U盘管理、CD目录打印、网上搜索。</li>\n</ul>\n"
                "<h2>资源库</h2>\n"
                "<p>资源库的文件夹结构、文件命名和各类文件的格式见 <a href=\"资源网.html\">Zorvik影音 资源网</a>。</p>\n"
                "<h2>使用须知</h2>\n"
                "<p>使用本软件即表示接受软件中“免责声明”的全部条款。门店应保证所提供资源的来源合法。</p>\n"
                "<p>Zorvik影音 开发组</p>\n");
}

std::string resourcePage() {
    std::string body =
        "<h1>Zorvik影音 资源网</h1>\n"
        "<p>本页说明资源库的文件夹结构。软件只在资源库文件夹中查找；"
        "每个资源盘（最多六个，在“基本设置”中选择）的根目录下都是同样的结构，选定资源盘时软件建好十二个分类文件夹。</p>\n"
        "<p><img src=\"目录结构.jpg\" alt=\"资源库文件夹结构\" style=\"float:right;margin-left:1em\"></p>\n"
        "<h2>资源库根目录</h2>\n<p><code>盘符:\\" +
        std::string(zorvik::library::kLibraryFolder) +
        "\\</code></p>\n<h2>十二个分类文件夹</h2>\n<table>\n<tr><th>编号</th><th>文件夹</th></tr>\n";
    for (const auto& category : kCategories)
        body += "<tr><td>" + std::to_string(category.number) + "</td><td><code>" + std::string(category.folder) +
                "</code></td></tr>\n";
    body += "</table>\n<h2>固定的子文件夹</h2>\n<p>“分类查找”按这些文件夹列出文件，文件夹名须与下表一致。</p>\n<ul>\n";
    for (auto folder : kSubcategories) body += "<li><code>" + std::string(folder) + "</code></li>\n";
    body += "</ul>\n<h2>新增资源</h2>\n<p>新到的资源放在这些文件夹里，“新增资源”按钮列出它们：</p>\n<ul>\n";
    for (auto folder : kNewArrivalFolders) body += "<li><code>" + std::string(folder) + "</code></li>\n";
    body += "</ul>\n<h2>图片主题</h2>\n<p>每个主题在 <code>5-图片\\大图\\</code> 和 <code>5-图片\\小图\\</code> 下各有一个文件夹：";
    bool first = true;
    for (auto theme : kPictureThemes) {
        body += (first ? "" : "、") + std::string(theme);
        first = false;
    }
    body += "。</p>\n<h2>文件类型</h2>\n<table>\n<tr><th>复制到设备的</th><th>扩展名</th></tr>\n";
    const char* groups[] = {"音乐文件夹", "视频文件夹", "图片文件夹", "游戏文件夹", "电子书文件夹"};
    for (size_t i = 0; i < kMediaGroupExtensions.size(); ++i)
        body += std::string("<tr><td>") + groups[i] + "</td><td><code>" + std::string(kMediaGroupExtensions[i]) +
                "</code></td></tr>\n";
    body += "</table>\n<h2>文件命名</h2>\n<ul>\n"
            "<li>以编号开头的文件（如 <code>3021歌手-歌名.mp3</code>）可以用“编号查找”输入编号找到；</li>\n"
            "<li>文件名中含 <code>" + std::string(zorvik::core::kPrefixMarker) +
            "</code> 的文件带有前置数据块，复制到顾客设备时软件会自动去掉，文件名中的标记也一并去掉。</li>\n"
            "</ul>\n<p><a href=\"主页.html\">返回主页</a></p>\n";
    return page("Zorvik影音 资源网", body);
}

bool write(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    if (!write(folder + "主页.html", homePage()) || !write(folder + "资源网.html", resourcePage())) {
        std::fprintf(stderr, "cannot write the web pages into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
