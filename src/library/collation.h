#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorvik::library {

// Text in the order the shop's Chinese Windows sorted it: punctuation,
// digits, Latin letters without regard to case, then Chinese by pinyin. The
// key's bytes, compared as bytes, give that order.
std::string shopSortKey(std::string_view text);

// Lines kept in that order, as a sorted string list keeps them: each new
// line goes to its sorted place, and a line already held is not added again.
// Lines the order holds equal (a and A) keep a fixed order by their bytes.
class SortedLines final {
public:
    // Index the line went to; -1 when it was held already.
    int insert(std::string line);
    // All at once, as inserting them one by one would leave them, sorted
    // once rather than line by line.
    void assign(std::vector<std::string> lines);
    // Puts `line` where line `index` was, without moving it.
    void replace(int index, std::string line);
    void clear();

    const std::vector<std::string>& lines() const { return lines_; }
    int count() const { return static_cast<int>(lines_.size()); }

private:
    struct Entry {
        std::string key;
        std::string line;
    };
    std::vector<Entry> entries_;       // keys worked out once per line
    std::vector<std::string> lines_;  // the lines alone, in the same order
};

}  // namespace zorvik::library
