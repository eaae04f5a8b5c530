// Times the library walk over a native folder mapped as drive E:.
//
//   zorvik_walkbench NATIVE_ROOT PATTERN [REPEATS] [--list FILE]
//
// Prints the seconds of each run, the best run and the hit count. --list
// writes the hits, one drive path a line, so that a script can check the
// order independently; they come from one more run after the timed ones, so
// that storing them never shows in the figures.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "library/walk.h"
#include "platform/drives.h"
#include "platform/fileops.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: zorvik_walkbench NATIVE_ROOT PATTERN [REPEATS] [--list FILE]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> positional;
    std::string listFile;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--list") {
            if (++i >= argc) return usage();
            listFile = argv[i];
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() < 2 || positional.size() > 3) return usage();
    const std::string root(positional[0]);
    const std::string pattern(positional[1]);
    int repeats = 5;
    if (positional.size() == 3) {
        repeats = std::atoi(std::string(positional[2]).c_str());
        if (repeats < 1) return usage();
    }

    using namespace zorvik;
    platform::DriveTable drives;
    drives.setFixed({{'E', root}});
    if (!platform::folderExists(drives, "E:\\")) {
        std::fprintf(stderr, "zorvik_walkbench: %s is not a folder\n", root.c_str());
        return 1;
    }

    std::int64_t count = -1;
    double best = 0;
    for (int run = 1; run <= repeats; ++run) {
        std::size_t bytes = 0;  // touches every path so the visit cannot be elided
        auto start = std::chrono::steady_clock::now();
        std::int64_t n = library::walk(drives, "E:\\", pattern, [&bytes](std::string_view path) {
            bytes += path.size();
            return true;
        });
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (count >= 0 && n != count) {
            std::fprintf(stderr, "zorvik_walkbench: run %d found %lld files, earlier runs %lld\n", run,
                         static_cast<long long>(n), static_cast<long long>(count));
            return 1;
        }
        count = n;
        if (run == 1 || seconds < best) best = seconds;
        std::printf("run %d %.6f s (%zu path bytes)\n", run, seconds, bytes);
    }
    std::printf("best %.6f\n", best);
    std::printf("hits %lld\n", static_cast<long long>(count));

    if (!listFile.empty()) {
        std::vector<std::string> hits = library::walkToList(drives, "E:\\", pattern);
        if (static_cast<std::int64_t>(hits.size()) != count) {
            std::fprintf(stderr, "zorvik_walkbench: the listing run found %zu files, timed runs %lld\n",
                         hits.size(), static_cast<long long>(count));
            return 1;
        }
        std::ofstream out(listFile, std::ios::binary | std::ios::trunc);
        for (const auto& h : hits) out << h << '\n';
        if (!out.flush()) {
            std::fprintf(stderr, "zorvik_walkbench: cannot write %s\n", listFile.c_str());
            return 1;
        }
    }
    return 0;
}
