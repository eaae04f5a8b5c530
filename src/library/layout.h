#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The shop's library: a fixed tree of numbered category folders under
// letter + ":\Brask搜歌库\" on each library drive, and how a file is classed
// by its place in that tree and by its extension.
namespace zorvik::library {

inline constexpr std::string_view kLibraryFolder = "Brask搜歌库";

// letter + ":\Brask搜歌库\"; an empty letter gives a path that names nothing.
std::string libraryRoot(std::string_view letter);

struct Category {
    int number;
    std::string_view folder;
};
inline constexpr std::array<Category, 12> kCategories{{
    {1, "1-音乐"}, {2, "2-MTV"}, {3, "3-电影"}, {4, "4-连续剧"},
    {5, "5-图片"}, {6, "6-电子书"}, {7, "7-游戏"}, {8, "8-伦理片"},
    {9, "9-小品"}, {10, "10-演唱会"}, {11, "11-铃声"}, {12, "12-其它"},
}};

// The 36 fixed subfolders, relative to the library root, in creation order.
extern const std::array<std::string_view, 36> kSubcategories;
// The new-arrival folders, relative to the library root.
extern const std::array<std::string_view, 5> kNewArrivalFolders;
// Picture themes, each under "5-图片\大图\" and "5-图片\小图\".
extern const std::array<std::string_view, 11> kPictureThemes;

// The five media groups; the index is also the icon and the device folder kind.
enum MediaGroup : int { Audio = 0, Video = 1, Picture = 2, Game = 3, EBook = 4 };
inline constexpr std::array<std::string_view, 5> kMediaGroupExtensions{
    ".mp3.wma.mid.wav",
    ".3gp.avi.mp4.wmv.asf.mov.rm.rmvb.mtv.dat.amv.dmv.vob.mpg.mkv.flv",
    ".gif.jpg.bmp",
    ".jar.sis.nes.blz.app.gb.gbc.smc.apk.ipa.bpp",
    ".txt",
};

// Group of an extension given with its dot, any letter case. The lists are
// tested in order by substring and the last that holds the text wins, so
// partial extensions such as ".rm" or "." are classed too.
std::optional<int> mediaGroupOf(std::string_view extension);
// Icon index of a path: its group, 0 for none.
int iconOf(std::string_view path);

// 1 ... 12 by the first category folder found in the path, 0 for none.
int categoryOf(std::string_view path);

// The last part of a path after '\' (or '/').
std::string_view fileNameOf(std::string_view path);
// The extension of a path's file name with its dot, as written; empty when none.
std::string_view extensionOf(std::string_view path);
// The type column: the extension without its dot.
std::string_view typeTextOf(std::string_view path);
// The name shown in lists: file name less its extension and marker.
std::string displayName(std::string_view path);

// Hundredths of units of 10,240 bytes with two decimals ("4.39"); -1 gives "0.00".
std::string sizeText(std::int64_t bytes);
// Length in bytes, -1 when the file cannot be found.
std::int64_t fileSize(std::string_view path);

// Prefixed files carry a leading block before the media bytes.
inline constexpr std::string_view kPrefixMarker = "bk2009";
inline constexpr std::int64_t kPrefixBlockSize = 407552;
bool isPrefixed(std::string_view path);
// The path with the first marker removed: the plain file's name.
std::string plainNameOf(std::string_view path);
// Writes the media bytes of a prefixed file to `destination`. A failed copy
// (a source shorter than the block, a full disk) leaves no file behind.
bool copyPlain(std::string_view source, std::string_view destination);

// The extensions that the cache clean-up removes.
inline constexpr std::string_view kCachedMediaExtensions =
    ".mp3.3gp.avi.mp4.wmv.asf.mov.rm.rmvb.mtv.dat.amv.dmv.vob.mpg.mkv.flv";
// Deletes the media files lying directly in a folder; failures are ignored.
void cleanCachedMedia(std::string_view folder);

}  // namespace zorvik::library

#include <vector>

namespace zorvik::library {

inline constexpr int kLibraryDriveCount = 6;
using LibraryDrives = std::array<std::string, kLibraryDriveCount>;

// The folders a listing walks: each configured library drive's root, or the
// given category folder (1 ... 12) in it; category 0 walks whole roots.
std::vector<std::string> searchRoots(const LibraryDrives& drives, int category);

}  // namespace zorvik::library
