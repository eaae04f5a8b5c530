#include "orders/prices.h"

#include "core/errors.h"
#include "core/settings.h"

namespace zorvik::orders {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A message box cannot show a page of garbage: long texts are cut.
std::string quoted(std::string_view text) {
    constexpr size_t kShown = 20;
    if (text.size() <= kShown) return "“" + std::string(text) + "”";
    size_t cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // whole characters only
    return "“" + std::string(text.substr(0, cut)) + "…”";
}

std::string faultText(const PriceField& field, std::string_view text, PriceFault fault) {
    std::string name = std::string(field.name) + "单价";
    std::string t(core::profile::trim(text));
    switch (fault) {
    case PriceFault::Empty: return name + "为空";
    case PriceFault::Negative: return name + quoted(t) + "不能为负数";
    case PriceFault::TooLarge: return name + quoted(t) + "超出范围";
    case PriceFault::NotANumber:
    case PriceFault::None: break;
    }
    return name + quoted(t) + "不是有效的数字";
}

}  // namespace

ParsedPrice parsePrice(std::string_view text) {
    text = core::profile::trim(text);
    if (text.empty()) return {0, PriceFault::Empty};
    bool negative = text.front() == '-';
    if (negative) text.remove_prefix(1);

    size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    auto allDigits = [](std::string_view part) {
        for (char c : part)
            if (!isDigit(c)) return false;
        return true;
    };
    if (!allDigits(whole) || !allDigits(fraction) || (whole.empty() && fraction.empty()))
        return {0, PriceFault::NotANumber};
    if (negative) return {0, PriceFault::Negative};
    if (text.size() > kMaxPriceTextLength) return {0, PriceFault::TooLarge};

    while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
    if (whole.size() > static_cast<size_t>(kMaxPriceWholeDigits)) return {0, PriceFault::TooLarge};

    std::int64_t value = 0;
    for (char c : whole) value = value * 10 + (c - '0');
    for (size_t i = 0; i < 4; ++i) value = value * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    // Non-negative, so half away from zero is half up: only the fifth decimal decides.
    if (fraction.size() > 4 && fraction[4] >= '5') ++value;
    return {value, PriceFault::None};
}

PriceTexts defaultPriceTexts() {
    PriceTexts texts;
    for (size_t i = 0; i < kPriceFields.size(); ++i) texts[i] = kPriceFields[i].defaultText;
    return texts;
}

LoadedPrices loadPrices(const core::Settings& settings) {
    LoadedPrices loaded;
    loaded.texts = defaultPriceTexts();
    for (size_t i = 0; i < kPriceFields.size(); ++i)
        loaded.prices[i] = parsePrice(kPriceFields[i].defaultText).tenThousandths;

    // One read of the file; a key present with an empty value is a fault, an absent one is not.
    const auto stored = settings.readSection(core::keys::kPriceSection);
    for (size_t i = 0; i < kPriceFields.size(); ++i) {
        const PriceField& field = kPriceFields[i];
        const std::pair<std::string, std::string>* entry = nullptr;
        for (const auto& pair : stored) {
            if (!core::profile::sameName(pair.first, field.key)) continue;
            entry = &pair;
            break;
        }
        if (!entry) continue;
        ParsedPrice price = parsePrice(entry->second);
        if (!price.ok()) {
            if (!loaded.faults.empty()) loaded.faults += '\n';
            loaded.faults += faultText(field, entry->second, price.fault) + "，本次按默认单价 " +
                             field.defaultText + " 元/" + field.unit + " 计算";
            continue;
        }
        loaded.texts[i] = entry->second;
        loaded.prices[i] = price.tenThousandths;
    }
    return loaded;
}

std::string priceTextsRefusal(const PriceTexts& texts) {
    std::string refusal;
    for (size_t i = 0; i < kPriceFields.size(); ++i) {
        ParsedPrice price = parsePrice(texts[i]);
        if (price.ok()) continue;
        if (!refusal.empty()) refusal += '\n';
        refusal += faultText(kPriceFields[i], texts[i], price.fault);
    }
    if (!refusal.empty()) refusal += "\n请输入不小于 0 的数字，如 0.5。设置未保存。";
    return refusal;
}

PriceSave savePrices(core::Settings& settings, const PriceTexts& texts) {
    PriceSave result;
    result.refusal = priceTextsRefusal(texts);
    if (!result.refusal.empty()) return result;

    // The twelve go into the file together: a full disk cannot leave half of them changed.
    std::vector<std::pair<std::string, std::string>> values;
    for (size_t i = 0; i < kPriceFields.size(); ++i)
        values.emplace_back(std::string(kPriceFields[i].key), std::string(core::profile::trim(texts[i])));
    if (!settings.write(core::keys::kPriceSection, values)) return result;
    result.saved = true;
    return result;
}

}  // namespace zorvik::orders
