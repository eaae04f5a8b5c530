#include "core/startuptrace.h"

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace zorvik::core {

namespace {

// The process's start in milliseconds of the boot clock; the kernel keeps it
// in clock ticks, which is as fine as it gets without help from the starter.
double processStartMs() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');  // the command name may hold blanks
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i)
        if (i == 22) return std::stod(field) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
    return 0;
}

double bootClockMs() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

}  // namespace

void traceStartup(std::string_view stage) {
    static const bool enabled = std::getenv("ZORVIK_STARTUP_TRACE") != nullptr;
    if (!enabled) return;
    static const double start = processStartMs();
    std::fprintf(stderr, "zorvik-startup %.1f %.*s\n", bootClockMs() - start, static_cast<int>(stage.size()),
                 stage.data());
    std::fflush(stderr);
}

}  // namespace zorvik::core
