#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/settingskeys.h"
#include "orders/tally.h"

namespace zorvik::core {
class Settings;
}

namespace zorvik::orders {

// One of the twelve unit prices, in category order.
struct PriceField {
    std::string_view key;     // in the price section
    const char* name;         // the category as the operator reads it
    const char* unit;         // what one item is counted as, for messages
    const char* defaultText;  // shown and charged when the file holds no price
};

inline constexpr std::array<PriceField, kCategoryCount> kPriceFields{{
    {core::keys::kPriceKeys[0], "音乐", "首", "0.1"},
    {core::keys::kPriceKeys[1], "MTV", "首", "0.2"},
    {core::keys::kPriceKeys[2], "电影", "部", "1"},
    {core::keys::kPriceKeys[3], "连续剧", "集", "0.2"},
    {core::keys::kPriceKeys[4], "图片", "个", "0.1"},
    {core::keys::kPriceKeys[5], "电子书", "部", "0.5"},
    {core::keys::kPriceKeys[6], "游戏", "个", "5"},
    {core::keys::kPriceKeys[7], "伦理片", "部", "1"},
    {core::keys::kPriceKeys[8], "小品", "个", "1"},
    {core::keys::kPriceKeys[9], "演唱会", "个", "1"},
    {core::keys::kPriceKeys[10], "铃声", "个", "0.1"},
    {core::keys::kPriceKeys[11], "其它", "个", "1"},
}};

using PriceTexts = std::array<std::string, kCategoryCount>;

enum class PriceFault { None, Empty, Negative, NotANumber, TooLarge };

struct ParsedPrice {
    std::int64_t tenThousandths = 0;
    PriceFault fault = PriceFault::None;
    bool ok() const { return fault == PriceFault::None; }
};

// The largest price taken: below a billion yuan, so that a price times any
// list's count still adds up exactly in 64 bits.
inline constexpr int kMaxPriceWholeDigits = 9;
inline constexpr std::size_t kMaxPriceTextLength = 32;

// A price as typed: digits with at most one ".", blanks around it ignored
// ("5", "0.1", ".5", "10.25", "3."). Exact decimal arithmetic, rounded half
// away from zero at the fifth decimal.
ParsedPrice parsePrice(std::string_view text);

// The texts the window shows and the prices the tally charges.
struct LoadedPrices {
    PriceTexts texts;
    UnitPriceTable prices{};
    // One line per stored price that was not a number, empty when all loaded.
    std::string faults;
};

PriceTexts defaultPriceTexts();

// An absent key keeps its default; a stored text that is no price is named
// in `faults`, keeps its default, and the prices after it still load.
LoadedPrices loadPrices(const core::Settings& settings);

// Why the texts cannot be saved, one line per bad field; empty when all twelve are prices.
std::string priceTextsRefusal(const PriceTexts& texts);

struct PriceSave {
    bool saved = false;
    std::string refusal;  // set when a text is no price; nothing was written then
};

// Validates all twelve first; then writes them in one replacement of the
// settings file, so a failure leaves the old prices whole (it is reported
// to the settings' error reports).
PriceSave savePrices(core::Settings& settings, const PriceTexts& texts);

}  // namespace zorvik::orders
