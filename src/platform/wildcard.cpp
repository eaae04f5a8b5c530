#include "platform/wildcard.h"

#include <cstring>

namespace zorvik::platform {

namespace {

inline char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

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
        if (star > start) segments_.push_back(lowered.substr(start, star - start));
        start = star + 1;
    }
}

bool Wildcard::matches(std::string_view name) const {
    if (blank_) return false;
    char buffer[1024];
    if (name.size() > sizeof buffer) return false;  // longer than any file name
    for (size_t i = 0; i < name.size(); ++i) buffer[i] = lowerAscii(name[i]);
    std::string_view folded(buffer, name.size());

    if (!hasStar_) return !segments_.empty() && folded == segments_.front();

    size_t first = 0;
    size_t last = segments_.size();
    size_t pos = 0;
    size_t end = folded.size();
    if (anchoredStart_) {
        if (!folded.starts_with(segments_.front())) return false;
        pos = segments_.front().size();
        ++first;
    }
    if (anchoredEnd_ && last > first) {
        const std::string& tail = segments_.back();
        if (tail.size() > end - pos || !folded.ends_with(tail)) return false;
        end -= tail.size();
        --last;
    }
    // Leftmost placement of each middle piece is optimal for '*'-only patterns.
    for (size_t i = first; i < last; ++i) {
        const std::string& piece = segments_[i];
        const void* hit = memmem(folded.data() + pos, end - pos, piece.data(), piece.size());
        if (!hit) return false;
        pos = static_cast<size_t>(static_cast<const char*>(hit) - folded.data()) + piece.size();
    }
    return true;
}

}  // namespace zorvik::platform
