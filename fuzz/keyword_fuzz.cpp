// The keyword cutter on any text: a pattern of whole characters the operator
// typed, each piece followed by '*'.
#include <cstdlib>

#include "fuzzsupport.h"
#include "search/keyword.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zorvik;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const search::KeywordPlan plan = search::planKeyword(text);
    if (plan.barred && !plan.keyword.empty()) std::abort();
    const std::string pattern = search::piecewisePattern(text);
    if (!pattern.empty() && pattern.back() != '*') std::abort();
    if (fuzz::validUtf8(text) && !fuzz::validUtf8(pattern)) std::abort();
    return 0;
}
