#pragma once

#include <string>

namespace zorvik::search {

// The keyword and extension patterns shared by all library walks; a walk
// copies them when it starts so that a new search cannot change them under it.
struct SearchPatterns {
    std::string keyword;
    std::string extension = "*.*";

    // The warm-up's keyword matches nothing and only warms the folder cache.
    static SearchPatterns warmUp() { return {"绿野Brask", "*.*"}; }

    std::string walkPattern() const { return "*" + keyword + extension; }
};

}  // namespace zorvik::search
