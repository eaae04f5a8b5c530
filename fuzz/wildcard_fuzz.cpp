// The wildcard matcher against a plain matcher of the same rule: '*' any run,
// ASCII letters without regard to case, every other byte itself.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <vector>

#include "platform/wildcard.h"

namespace {

char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool plainMatch(const std::string& pattern, const std::string& name) {
    // at[j]: the pattern so far matches the first j bytes of the name.
    std::vector<char> at(name.size() + 1, 0);
    at[0] = 1;
    for (char p : pattern) {
        std::vector<char> next(name.size() + 1, 0);
        if (p == '*') {
            char any = 0;
            for (size_t j = 0; j <= name.size(); ++j) next[j] = any = static_cast<char>(any | at[j]);
        } else {
            for (size_t j = 0; j < name.size(); ++j)
                if (at[j] && fold(p) == fold(name[j])) next[j + 1] = 1;
        }
        at.swap(next);
    }
    return at[name.size()];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string pattern = in.ConsumeRandomLengthString(64);
    const std::string name = in.ConsumeRemainingBytesAsString();
    const zorvik::platform::Wildcard wildcard(pattern);
    const bool got = wildcard.matches(name);
    if (wildcard.isBlank()) {
        if (got) std::abort();  // a blank pattern matches nothing
    } else if (got != plainMatch(pattern, name)) {
        std::abort();
    }
    return 0;
}
