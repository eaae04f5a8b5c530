#include "search/pinyin.h"

#include <array>

#include "platform/textcodec.h"

namespace zorvik::search {

namespace {

struct Start {
    unsigned code;
    char letter;
};

// Where each initial's run of first-level codes begins; a run ends where the
// next begins, and Z runs to D7FF.
constexpr std::array<Start, 23> kStarts{{
    {0xB0A1, 'A'}, {0xB0C5, 'B'}, {0xB2C1, 'C'}, {0xB4EE, 'D'}, {0xB6EA, 'E'}, {0xB7A2, 'F'},
    {0xB8C1, 'G'}, {0xB9FE, 'H'}, {0xBBF7, 'J'}, {0xBFA6, 'K'}, {0xC0AC, 'L'}, {0xC2E8, 'M'},
    {0xC4C3, 'N'}, {0xC5B6, 'O'}, {0xC5BE, 'P'}, {0xC6DA, 'Q'}, {0xC8BB, 'R'}, {0xC8F6, 'S'},
    {0xCBFA, 'T'}, {0xCDDA, 'W'}, {0xCEF4, 'X'}, {0xD1B9, 'Y'}, {0xD4D1, 'Z'},
}};

char letterOfCode(unsigned code) {
    if (code == 0xB2CE) return 'S';  // 参 sits among the C codes
    char letter = kStarts.front().letter;
    for (const auto& start : kStarts) {
        if (start.code > code) break;
        letter = start.letter;
    }
    return letter;
}

}  // namespace

std::optional<char> pinyinInitialOf(unsigned char lead, unsigned char trail) {
    if (lead < 0xB0 || lead > 0xD7) return std::nullopt;
    const unsigned row = static_cast<unsigned>(lead) << 8;
    // A row that one letter holds whole maps every trail byte to it; in a row
    // where the letter changes only the trail bytes A1 ... FE count.
    const char first = letterOfCode(row | 0xA1);
    if (lead != 0xB2 && first == letterOfCode(row | 0xFE)) return first;
    if (trail < 0xA1 || trail > 0xFE) return std::nullopt;
    return letterOfCode(row | trail);
}

std::string pinyinInitialsOfGbk(std::string_view gbk) {
    std::string initials;
    const size_t n = gbk.size();
    size_t i = 0;
    while (i + 1 < n) {
        auto byte = static_cast<unsigned char>(gbk[i]);
        if (byte < 0xA0) {
            initials += gbk[i];
            ++i;
            continue;
        }
        if (auto letter = pinyinInitialOf(byte, static_cast<unsigned char>(gbk[i + 1]))) initials += *letter;
        i += 2;
    }
    if (i + 1 == n) initials += gbk[i];
    return initials;
}

std::string pinyinInitials(std::string_view utf8) {
    // A character GBK cannot hold takes four bytes in GB18030 (its second
    // byte a digit); it drops out whole instead of leaving stray bytes behind.
    const std::string encoded = platform::utf8ToGb18030(utf8);
    std::string gbk;
    gbk.reserve(encoded.size());
    for (size_t i = 0; i < encoded.size();) {
        auto byte = static_cast<unsigned char>(encoded[i]);
        if (byte < 0x81 || i + 1 >= encoded.size()) {
            gbk += encoded[i++];
            continue;
        }
        auto second = static_cast<unsigned char>(encoded[i + 1]);
        if (second >= 0x30 && second <= 0x39) {
            i += 4;
            continue;
        }
        gbk.append(encoded, i, 2);
        i += 2;
    }
    return pinyinInitialsOfGbk(gbk);
}

}  // namespace zorvik::search
