#include "platform/names.h"

#include <array>

namespace zorvik::platform {

namespace {

// ASCII bytes a name may not hold: the control characters and the refused ones.
constexpr auto kRefusedAscii = [] {
    std::array<bool, 128> refused{};
    for (int c = 0; c < 0x20; ++c) refused[static_cast<size_t>(c)] = true;
    for (char c : kWindowsRefusedCharacters) refused[static_cast<unsigned char>(c)] = true;
    return refused;
}();

// Length of the UTF-8 sequence starting at `at`, 0 when it is not one
// (overlong forms, surrogates and code points past U+10FFFF included).
size_t utf8SequenceAt(std::string_view text, size_t at) {
    const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto continuation = [&](size_t i) { return i < text.size() && (byte(i) & 0xC0) == 0x80; };
    const unsigned char lead = byte(at);
    if (lead >= 0xC2 && lead <= 0xDF) return continuation(at + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (!continuation(at + 1) || !continuation(at + 2)) return 0;
        const unsigned char second = byte(at + 1);
        if (lead == 0xE0 && second < 0xA0) return 0;  // overlong
        if (lead == 0xED && second >= 0xA0) return 0;  // surrogate
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (!continuation(at + 1) || !continuation(at + 2) || !continuation(at + 3)) return 0;
        const unsigned char second = byte(at + 1);
        if (lead == 0xF0 && second < 0x90) return 0;  // overlong
        if (lead == 0xF4 && second >= 0x90) return 0;  // past U+10FFFF
        return 4;
    }
    return 0;
}

}  // namespace

bool fitsWindowsName(std::string_view name) {
    for (size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x80) {
            if (kRefusedAscii[c]) return false;
            ++i;
            continue;
        }
        const size_t length = utf8SequenceAt(name, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

bool climbsOut(std::string_view path) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("\\/", start);
        if (end == std::string_view::npos) end = path.size();
        if (path.substr(start, end - start) == "..") return true;
        start = end + 1;
    }
    return false;
}

}  // namespace zorvik::platform
