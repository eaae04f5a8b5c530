// Closing the station while it walks a large library: the real station and
// main window (offscreen) over LIBRARY (mapped as E:, library drive 1). For
// each case the window is closed part-way through a walk, and the time from
// the close until every job has ended and the window and station are gone is
// printed; the target is 200 ms (the exit sound's linger comes on top).
//   idle      no walk running (for scale)
//   warm-up   the warm-up walk at start-up
//   search    a keyword search over the whole library
//   series    a series-folder search (tab 4-连续剧)
//
//   zorvik_closebench PROGRAM_FOLDER ROUNDS

#include <QApplication>
#include <QSignalSpy>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "app/station.h"
#include "search/searchcontroller.h"
#include "stallwatch.h"
#include "ui/mainwindow.h"

using namespace zorvik;

namespace {

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "zorvik_closebench: %s\n", what.c_str());
    std::exit(1);
}

void runFor(int ms) {
    const auto t0 = bench::Clock::now();
    while (bench::secondsSince(t0) * 1000 < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Starts a station, lets `walk` begin a walk (or wait for the warm-up to
// end), closes the window `afterMs` later and returns the milliseconds until
// both are gone, and whether a walk was still running at the close.
std::pair<double, bool> closeDuring(const std::string& programFolder, const std::function<void(app::Station&)>& walk,
                                    int afterMs) {
    auto station = std::make_unique<app::Station>(core::ProgramFolders::at(programFolder));
    auto window = std::make_unique<ui::TForm1>(*station);
    QSignalSpy started(station.get(), &app::Station::startupFinished);
    window->show();
    while (started.isEmpty()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (walk) walk(*station);
    runFor(afterMs);
    const bool walking = station->listings().walking();
    const auto t0 = bench::Clock::now();
    window->close();
    if (!station->jobsEnded()) fail("a job did not end");
    window.reset();
    station.reset();
    return {bench::secondsSince(t0) * 1000, walking};
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: zorvik_closebench PROGRAM_FOLDER ROUNDS\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int rounds = std::max(1, std::atoi(argv[2]));
    struct Case {
        const char* name;
        std::function<void(app::Station&)> walk;
        int afterMs;  // a series search is over a small category: closed sooner
    };
    const Case cases[] = {
        {"idle", [](app::Station& s) { while (s.listings().walking()) runFor(50); }, 300},
        {"warm-up", {}, 300},
        {"search",
         [](app::Station& s) {
             while (s.listings().walking()) runFor(50);
             s.search().selectTab(search::kNoTab);
             s.search().setText(QStringLiteral("中国"));
             if (!s.search().start()) fail("the search did not start");
         },
         300},
        {"series",
         [](app::Station& s) {
             while (s.listings().walking()) runFor(50);
             s.search().selectTab(3);
             s.search().setText(QStringLiteral("歌"));
             if (!s.search().start()) fail("the series search did not start");
         },
         20},
    };
    double idle = 0, worst = 0;
    for (const auto& c : cases) {
        const bool isIdle = std::string(c.name) == "idle";
        double longest = 0;
        int walking = 0;
        for (int r = 0; r < rounds; ++r) {
            auto [ms, wasWalking] = closeDuring(folder, c.walk, c.afterMs);
            longest = std::max(longest, ms);
            walking += wasWalking ? 1 : 0;
        }
        (isIdle ? idle : worst) = std::max(isIdle ? idle : worst, longest);
        std::printf("%-8s longest of %d closes: %7.1f ms  (walking at %d of them)\n", c.name, rounds, longest,
                    walking);
    }
    std::printf("idle_close_ms %.1f\n", idle);
    std::printf("walk_close_ms %.1f\n", worst);
    std::printf("walk_close_over_target %.3f\n", worst / 200.0);
    return 0;
}
