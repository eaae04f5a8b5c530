#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The shop's library: a fixed tree of numbered category folders under
// letter + ":\Brask搜歌库\" on each of up to six library drives.
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

// 1 ... 12 by the first category folder found in the path, 0 for none.
int categoryOf(std::string_view path);

inline constexpr int kLibraryDriveCount = 6;
using LibraryDrives = std::array<std::string, kLibraryDriveCount>;

// The folders a listing walks: each configured library drive's root, or the
// given category folder (1 ... 12) in it; category 0 walks whole roots.
std::vector<std::string> searchRoots(const LibraryDrives& drives, int category);

}  // namespace zorvik::library
