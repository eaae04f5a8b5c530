#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorvik::platform {

// The file-name wildcard rule: '*' matches any run of characters, including
// none; every other character matches itself, ASCII letters without regard to
// case. Works on UTF-8 bytes, so multi-byte characters match themselves.
// Compiled once and matched from any number of threads.
class Wildcard final {
public:
    explicit Wildcard(std::string_view pattern);

    bool matches(std::string_view name) const;
    // A pattern that is empty or only blanks matches nothing.
    bool isBlank() const { return blank_; }

private:
    struct Segment {
        std::string text;  // lower-cased
        bool hasLetters;   // false: matches the raw name bytes as they are
    };
    std::vector<Segment> segments_;  // pieces between stars
    bool anchoredStart_ = true;
    bool anchoredEnd_ = true;
    bool hasStar_ = false;
    bool blank_ = true;
};

// ASCII letters folded to lower case, other bytes unchanged.
std::string asciiLower(std::string_view text);

}  // namespace zorvik::platform
