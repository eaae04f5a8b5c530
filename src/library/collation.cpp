#include "library/collation.h"

#include <unicode/ucol.h>

#include <algorithm>
#include <memory>

namespace zorvik::library {

namespace {

// The Chinese pinyin collation of ICU (the one QCollator uses for zh_CN),
// told what Qt cannot tell it: Latin before Chinese, as Windows sorted them.
// Secondary strength ignores letter case. Opened once; comparing is safe
// from any thread.
const UCollator* shopCollator() {
    static const std::unique_ptr<UCollator, void (*)(UCollator*)> collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        UCollator* opened = ucol_open("zh@colReorder=latn-hani", &status);
        if (U_FAILURE(status)) {
            status = U_ZERO_ERROR;
            opened = ucol_open("zh", &status);
        }
        if (opened) ucol_setStrength(opened, UCOL_SECONDARY);
        return std::unique_ptr<UCollator, void (*)(UCollator*)>(opened, ucol_close);
    }();
    return collator.get();
}

}  // namespace

bool shopLess(std::string_view a, std::string_view b) {
    if (const UCollator* collator = shopCollator()) {
        UErrorCode status = U_ZERO_ERROR;
        const UCollationResult order = ucol_strcollUTF8(collator, a.data(), static_cast<int32_t>(a.size()), b.data(),
                                                        static_cast<int32_t>(b.size()), &status);
        if (U_SUCCESS(status) && order != UCOL_EQUAL) return order == UCOL_LESS;
    }
    return a < b;
}

int SortedLines::insert(std::string line) {
    auto at = std::lower_bound(lines_.begin(), lines_.end(), line,
                               [](const std::string& a, const std::string& b) { return shopLess(a, b); });
    if (at != lines_.end() && *at == line) return -1;
    const auto index = at - lines_.begin();
    lines_.insert(at, std::move(line));
    return static_cast<int>(index);
}

void SortedLines::replace(int index, std::string line) {
    if (index < 0 || index >= count()) return;
    lines_[static_cast<size_t>(index)] = std::move(line);
}

}  // namespace zorvik::library
