#pragma once

#include <array>
#include <string>
#include <string_view>

// Every section and key of "Corlen.ini", named once, spelled as the shop's
// stored files spell them. Lookups ignore letter case, but nothing here leans
// on that: each name is read and written in the one spelling.
namespace zorvik::core::keys {

struct Key {
    std::string_view section;
    std::string_view name;
};

// Most values sit alone in a section that bears the key's own name.
inline constexpr Key kSkin{"PiFu", "PiFu"};
inline constexpr Key kInputMethod{"ShuRuFa", "shurufa1"};
inline constexpr Key kSyncDownload{"TongBuXZ", "TongBuXZ"};
inline constexpr Key kNumberSearch{"BianHaoCZ", "BianHaoCZ"};
inline constexpr Key kShopAddress{"DiZi", "DiZi1"};
inline constexpr Key kShopTelephone{"DianHua", "DianHua1"};
// The maker's pages, when a shop points them elsewhere.
inline constexpr Key kHomePage{"WangZhi", "ZhuYe"};
inline constexpr Key kResourcePage{"WangZhi", "ZiYuan"};

// Library drive n (1 ... 6) is both the section and the key "PanFu" + n.
inline std::string libraryDrive(int n) { return "PanFu" + std::to_string(n); }

// The twelve unit prices, one key per category in category order.
inline constexpr std::string_view kPriceSection = "DanJa";
inline constexpr std::array<std::string_view, 12> kPriceKeys{"yy", "mtv", "dy", "lxj", "tp",  "dzs",
                                                             "yx", "llp", "xp", "ych", "ls", "qt"};

// Fixed drives: one key per letter, its value a native folder.
inline constexpr std::string_view kDrivesSection = "Drives";

}  // namespace zorvik::core::keys
