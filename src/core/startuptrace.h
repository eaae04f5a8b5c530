#pragma once

#include <string_view>

namespace zorvik::core {

// With ZORVIK_STARTUP_TRACE set, each call writes one line to stderr:
// "zorvik-startup <ms since exec> <stage>", so a slow start can be read off
// stage by stage (bench/startup.sh reads the "ready" line). Otherwise a no-op.
void traceStartup(std::string_view stage);

}  // namespace zorvik::core
