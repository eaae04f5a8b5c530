#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorvik::library {

// Text in the order the shop's Chinese Windows sorted it: punctuation,
// digits, Latin letters without regard to case, then Chinese by pinyin.
// Texts that this order holds equal keep a fixed order by their bytes.
bool shopLess(std::string_view a, std::string_view b);

// Lines kept in that order, as a sorted string list keeps them: each new
// line goes to its sorted place, and a line already held is not added again.
class SortedLines final {
public:
    // Index the line went to; -1 when it was held already.
    int insert(std::string line);
    // Puts `line` where line `index` was, without moving it.
    void replace(int index, std::string line);
    void clear() { lines_.clear(); }

    const std::vector<std::string>& lines() const { return lines_; }
    int count() const { return static_cast<int>(lines_.size()); }

private:
    std::vector<std::string> lines_;
};

}  // namespace zorvik::library
