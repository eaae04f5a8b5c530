#include "storage/explorerorder.h"

#include <QLocale>

namespace zorvik::storage {

namespace {

enum class Rank { Symbol, Digit, Letter, Han };

struct CodePoint {
    char32_t value;
    qsizetype length;  // UTF-16 units
};

CodePoint codePointAt(QStringView s, qsizetype i) {
    const QChar c = s[i];
    if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
        return {QChar::surrogateToUcs4(c, s[i + 1]), 2};
    return {c.unicode(), 1};
}

Rank rankOf(char32_t c) {
    if (c >= U'0' && c <= U'9') return Rank::Digit;
    if (QChar::script(c) == QChar::Script_Han) return Rank::Han;
    return QChar::isLetter(c) ? Rank::Letter : Rank::Symbol;
}

// End of the run of one rank starting at i.
qsizetype runEnd(QStringView s, qsizetype i, Rank rank) {
    while (i < s.size()) {
        const CodePoint c = codePointAt(s, i);
        if (rankOf(c.value) != rank) break;
        i += c.length;
    }
    return i;
}

int compareNumbers(QStringView a, QStringView b) {
    auto digits = [](QStringView s) {
        qsizetype zeros = 0;
        while (zeros + 1 < s.size() && s[zeros] == u'0') ++zeros;
        return s.mid(zeros);
    };
    const QStringView x = digits(a);
    const QStringView y = digits(b);
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    const int c = x.compare(y);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

ExplorerOrder::ExplorerOrder() : pinyin_(QLocale(QLocale::Chinese, QLocale::China)) {
    pinyin_.setCaseSensitivity(Qt::CaseInsensitive);
}

int ExplorerOrder::compare(QStringView a, QStringView b) const {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const CodePoint x = codePointAt(a, i);
        const CodePoint y = codePointAt(b, j);
        const Rank rx = rankOf(x.value);
        const Rank ry = rankOf(y.value);
        if (rx != ry) return rx < ry ? -1 : 1;
        if (rx == Rank::Digit || rx == Rank::Han) {
            const qsizetype ei = runEnd(a, i, rx);
            const qsizetype ej = runEnd(b, j, rx);
            const int c = rx == Rank::Digit ? compareNumbers(a.sliced(i, ei - i), b.sliced(j, ej - j))
                                            : pinyin_.compare(a.sliced(i, ei - i), b.sliced(j, ej - j));
            if (c != 0) return c < 0 ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        const char32_t fx = rx == Rank::Letter ? QChar::toCaseFolded(x.value) : x.value;
        const char32_t fy = ry == Rank::Letter ? QChar::toCaseFolded(y.value) : y.value;
        if (fx != fy) return fx < fy ? -1 : 1;
        i += x.length;
        j += y.length;
    }
    if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
    // Names equal but for case or leading zeros still get one fixed order.
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace zorvik::storage
