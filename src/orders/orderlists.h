#pragma once

#include <array>
#include <string>

#include "storage/localfolder.h"

namespace zorvik::orders {

// Immediate-copy counters of one order list: items queued and items done.
// "done" starts at 1 so that a list with nothing queued reads as finished.
struct ImmediateCopyCounters {
    int added = 0;
    int done = 1;
};

// File of order list n (1 ... 5) in the data folder.
inline std::string listFileName(int list) { return "清单" + std::to_string(list) + ".txt"; }

// The order-list state the main window owns from its creation.
struct OrderLists {
    std::array<ImmediateCopyCounters, storage::kOrderListCount> immediate{};
};

}  // namespace zorvik::orders
