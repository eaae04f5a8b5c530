#include "library/collation.h"

#include <QString>
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

std::string shopSortKey(std::string_view text) {
    const UCollator* collator = shopCollator();
    if (!collator) return std::string(text);
    const QString utf16 = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const auto* chars = reinterpret_cast<const UChar*>(utf16.utf16());
    const auto length = static_cast<int32_t>(utf16.size());
    std::string key(static_cast<size_t>(length) * 4 + 16, '\0');
    int32_t needed = ucol_getSortKey(collator, chars, length, reinterpret_cast<uint8_t*>(key.data()),
                                     static_cast<int32_t>(key.size()));
    if (needed > static_cast<int32_t>(key.size())) {
        key.resize(static_cast<size_t>(needed));
        needed = ucol_getSortKey(collator, chars, length, reinterpret_cast<uint8_t*>(key.data()), needed);
    }
    key.resize(needed > 0 ? static_cast<size_t>(needed) : 0);
    return key;
}

int SortedLines::insert(std::string line) {
    Entry entry{shopSortKey(line), std::move(line)};
    auto at = std::lower_bound(entries_.begin(), entries_.end(), entry, [](const Entry& a, const Entry& b) {
        return a.key != b.key ? a.key < b.key : a.line < b.line;
    });
    if (at != entries_.end() && at->line == entry.line) return -1;
    const auto index = at - entries_.begin();
    lines_.insert(lines_.begin() + index, entry.line);
    entries_.insert(at, std::move(entry));
    return static_cast<int>(index);
}

void SortedLines::assign(std::vector<std::string> lines) {
    entries_.clear();
    entries_.reserve(lines.size());
    for (auto& line : lines) entries_.push_back({shopSortKey(line), std::move(line)});
    std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
        return a.key != b.key ? a.key < b.key : a.line < b.line;
    });
    entries_.erase(std::unique(entries_.begin(), entries_.end(),
                               [](const Entry& a, const Entry& b) { return a.line == b.line; }),
                   entries_.end());
    lines_.clear();
    lines_.reserve(entries_.size());
    for (const auto& entry : entries_) lines_.push_back(entry.line);
}

void SortedLines::replace(int index, std::string line) {
    if (index < 0 || index >= count()) return;
    auto& entry = entries_[static_cast<size_t>(index)];
    entry.key = shopSortKey(line);
    entry.line = line;
    lines_[static_cast<size_t>(index)] = std::move(line);
}

void SortedLines::clear() {
    entries_.clear();
    lines_.clear();
}

}  // namespace zorvik::library
