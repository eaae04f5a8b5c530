#include "search/keyword.h"

#include "platform/textcodec.h"

namespace zorvik::search {

namespace {

constexpr std::string_view kBarredTexts = ".mp3.3gp.wma.dat.mpg.bk2009.";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string piecewisePattern(std::string_view text) {
    // Walk the characters, keeping each one's offset in the GBK bytes.
    std::string pattern;
    std::string piece;
    size_t gbkOffset = 0;
    size_t currentPiece = 0;
    const size_t usableBytes = platform::utf8ToGb18030(text).size() / 2 * 2;
    for (size_t i = 0; i < text.size();) {
        size_t length = 1;
        auto lead = static_cast<unsigned char>(text[i]);
        if (lead >= 0xF0) length = 4;
        else if (lead >= 0xE0) length = 3;
        else if (lead >= 0xC0) length = 2;
        std::string_view character = text.substr(i, length);
        i += length;
        size_t gbkLength = platform::utf8ToGb18030(character).size();
        if (gbkOffset >= usableBytes) break;  // the odd last byte
        size_t pieceOfCharacter = gbkOffset / 2;
        if (pieceOfCharacter != currentPiece && !piece.empty()) {
            pattern += piece + "*";
            piece.clear();
        }
        currentPiece = pieceOfCharacter;
        piece += character;
        gbkOffset += gbkLength;
    }
    if (!piece.empty()) pattern += piece + "*";
    return pattern;
}

KeywordPlan planKeyword(std::string_view text) {
    const std::string gbk = platform::utf8ToGb18030(text);
    const bool digitFirst = !gbk.empty() && isDigit(gbk.front());
    if (digitFirst && gbk.size() >= 3 && gbk != "2009") return {false, std::string(text)};
    if (digitFirst || gbk.size() < 2 || kBarredTexts.find(gbk) != std::string_view::npos)
        return {true, {}};
    return {false, piecewisePattern(text)};
}

}  // namespace zorvik::search
