#pragma once

#include <string>
#include <string_view>

namespace zorvik::search {

// What a search text becomes. The rules count bytes of the text's GBK
// (GB18030) form, as the shop's station did.
struct KeywordPlan {
    bool barred = false;
    std::string keyword;  // the keyword pattern; empty when barred
};

// A text that starts with a digit, is at least 3 bytes and is not "2009" is
// searched whole (the shop's numbered files). Otherwise it is barred when it
// starts with a digit, is shorter than 2 bytes, or lies inside
// ".mp3.3gp.wma.dat.mpg.bk2009."; else it is cut into two-byte pieces.
KeywordPlan planKeyword(std::string_view text);

// The text cut into two-byte pieces, each followed by '*'; an odd last byte
// is dropped. A piece that would split a character takes the characters
// whose first byte lies in it, whole, so every character of the pattern is
// one the operator typed, in the order typed.
std::string piecewisePattern(std::string_view text);

}  // namespace zorvik::search
