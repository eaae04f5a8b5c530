// The hot list read from any file: every non-empty line kept, counts read off
// each, and one more copy counted.
#include <cstdlib>

#include "fuzzsupport.h"
#include "library/hotlist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zorvik;
    fuzz::startQt();
    library::HotList hot;
    hot.load(fuzz::writeInput("热门推荐.txt", data, size));
    for (const auto& line : hot.lines()) {
        if (line.empty()) std::abort();
        (void)library::hotCountOf(line);
    }
    if (!hot.lines().empty()) hot.increment(hot.lines().back().substr(hot.lines().back().find(',') + 1));
    return 0;
}
