#include "platform/wildcard.h"

#include <cstring>

namespace zorvik::platform {

namespace {

inline char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool hasAsciiLetters(std::string_view s) {
    for (char c : s)
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
    return false;
}

// Leftmost occurrence of `piece` in [text, text + size). Names are short, so
// the first byte is found with memchr and the rest compared; memmem's setup
// costs more than the search here.
const char* findPiece(const char* text, size_t size, std::string_view piece) {
    if (piece.size() > size) return nullptr;
    const char* const lastStart = text + (size - piece.size());
    const char first = piece.front();
    for (const char* at = text; at <= lastStart; ++at) {
        at = static_cast<const char*>(std::memchr(at, first, static_cast<size_t>(lastStart - at) + 1));
        if (!at) return nullptr;
        if (std::memcmp(at + 1, piece.data() + 1, piece.size() - 1) == 0) return at;
    }
    return nullptr;
}

// `text` against an already lower-cased piece of the same length.
bool equalFolded(const char* text, std::string_view lowered) {
    for (size_t i = 0; i < lowered.size(); ++i)
        if (lowerAscii(text[i]) != lowered[i]) return false;
    return true;
}

}  // namespace

std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lowerAscii(c);
    return out;
}

Wildcard::Wildcard(std::string_view pattern) {
    blank_ = pattern.find_first_not_of(" \t") == std::string_view::npos;
    std::string lowered = asciiLower(pattern);
    hasStar_ = lowered.find('*') != std::string::npos;
    anchoredStart_ = lowered.empty() || lowered.front() != '*';
    anchoredEnd_ = lowered.empty() || lowered.back() != '*';
    size_t start = 0;
    while (start <= lowered.size()) {
        size_t star = lowered.find('*', start);
        if (star == std::string::npos) star = lowered.size();
        if (star > start) {
            std::string piece = lowered.substr(start, star - start);
            bool letters = hasAsciiLetters(piece);
            segments_.push_back({std::move(piece), letters});
        }
        start = star + 1;
    }
}

bool Wildcard::matches(std::string_view name) const {
    if (blank_) return false;
    if (!hasStar_)
        return !segments_.empty() && name.size() == segments_.front().text.size() &&
               equalFolded(name.data(), segments_.front().text);

    // The anchored ends are compared in place, the tail first: an extension
    // turns most names away before anything else is looked at.
    size_t first = 0;
    size_t last = segments_.size();
    size_t pos = 0;
    size_t end = name.size();
    if (anchoredEnd_ && last > 0) {
        const std::string& tail = segments_.back().text;
        if (tail.size() > end || !equalFolded(name.data() + end - tail.size(), tail)) return false;
        end -= tail.size();
        --last;
    }
    if (anchoredStart_ && first < last) {
        const std::string& head = segments_.front().text;
        if (head.size() > end || !equalFolded(name.data(), head)) return false;
        pos = head.size();
        ++first;
    }
    // Leftmost placement of each middle piece is optimal for '*'-only patterns.
    // Pieces without letters are found in the name as it is; the name is
    // folded only when a piece with letters needs it.
    char buffer[1024];
    bool folded = false;
    for (size_t i = first; i < last; ++i) {
        const Segment& piece = segments_[i];
        const char* text = name.data();
        if (piece.hasLetters) {
            if (!folded) {
                if (name.size() > sizeof buffer) return false;  // longer than any file name
                for (size_t k = 0; k < name.size(); ++k) buffer[k] = lowerAscii(name[k]);
                folded = true;
            }
            text = buffer;
        }
        const char* hit = findPiece(text + pos, end - pos, piece.text);
        if (!hit) return false;
        pos = static_cast<size_t>(hit - text) + piece.text.size();
    }
    return true;
}

}  // namespace zorvik::platform
