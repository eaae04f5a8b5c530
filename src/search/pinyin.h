#pragma once

#include <optional>
#include <string>
#include <string_view>

// Pinyin initials of Chinese text, read off the GB2312 code order: the
// first-level characters are laid out by reading, so each initial letter
// owns one run of codes.
namespace zorvik::search {

// The upper-case initial of one two-byte character, or nothing (symbols,
// second-level characters, trail bytes outside A1-FE in a row where the
// letter changes).
std::optional<char> pinyinInitialOf(unsigned char lead, unsigned char trail);

// The byte rule on GBK text: a byte below 0xA0 is copied as it is, any other
// byte starts a two-byte character that becomes its initial or nothing, and
// a lone last byte is copied.
std::string pinyinInitialsOfGbk(std::string_view gbk);

// The same on UTF-8 text, applied to its GBK bytes; a character that GBK
// cannot hold gives nothing. The result is GBK bytes: ASCII where it matters.
std::string pinyinInitials(std::string_view utf8);

}  // namespace zorvik::search
