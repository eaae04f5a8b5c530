// The counter while a slow phone is served: the real station and main window
// (offscreen), a phone that answers every call 300 ms late (tests' slowphone
// FUSE file system). Prints, for each step, how long it took and the longest
// stall of the GUI thread (gap of a 2 ms timer) meanwhile:
//   start      the window shown and started (for scale: nothing of the phone)
//   offer      from then until the phone is offered
//   choose     choosing it for list 1: its folders found or made
//   space      its disk space line
//   copy       20 files copied to it as one batch
//   delete     "删除选中的文件" on the 20 entries, their copies on the phone
//   picker     the folder picker opened on it and "My Music" unfolded
//
//   zorvik_slowphonebench PROGRAM_FOLDER PHONE_MOUNT BACKING_FOLDER FILES

#include <QApplication>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTreeView>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "app/station.h"
#include "platform/drives.h"
#include "stallwatch.h"
#include "ui/mainwindow.h"
#include "ui/orderpanel.h"

using namespace zorvik;
namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "zorvik_slowphonebench: %s\n", what.c_str());
    std::exit(1);
}

// Runs events until `done`, at most `limitS` seconds.
void runUntil(const std::function<bool()>& done, double limitS, const char* what) {
    const auto t0 = bench::Clock::now();
    while (!done()) {
        if (bench::secondsSince(t0) > limitS) fail(std::string("timed out: ") + what);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
}

double longest = 0;

void report(const char* step, bench::Clock::time_point t0, bench::StallWatch& watch) {
    longest = std::max(longest, bench::reportStep(step, t0, watch));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: zorvik_slowphonebench PROGRAM_FOLDER PHONE_MOUNT BACKING_FOLDER FILES\n");
        return 2;
    }
    const std::string phone = argv[2], backing = argv[3];
    const int files = std::atoi(argv[4]);

    app::Station station(core::ProgramFolders::at(argv[1]));
    ui::TForm1 window(station);
    bench::StallWatch watch;

    // The event loop alone, for scale.
    watch.reset();
    {
        QEventLoop idle;
        QTimer::singleShot(500, &idle, &QEventLoop::quit);
        idle.exec();
    }
    const double idleGap = watch.longest();

    auto t0 = bench::Clock::now();
    watch.reset();
    QSignalSpy started(&station, &app::Station::startupFinished);
    window.show();
    runUntil([&] { return !started.isEmpty(); }, 10, "start-up");
    report("start", t0, watch);  // the window's first show: no phone in it
    longest = 0;
    t0 = bench::Clock::now();
    watch.reset();
    QString entry;
    runUntil(
        [&] {
            for (const auto& e : station.removableDrives().entries()) {
                auto root = storage::deviceRootOf(e);
                auto drive = root ? station.driveTable().drive(root->at(0).toLatin1()) : std::nullopt;
                if (drive && drive->root == phone) entry = e;
            }
            return !entry.isEmpty();
        },
        30, "the phone offered");
    report("offer", t0, watch);

    t0 = bench::Clock::now();
    watch.reset();
    station.devices().choose(1, entry.toStdString());
    runUntil([&] { return !station.devices().choosing(1); }, 120, "choosing the phone");
    report("choose", t0, watch);

    t0 = bench::Clock::now();
    watch.reset();
    station.removableDrives().refreshDiskSpaceLine();
    runUntil([&] { return !station.removableDrives().busy() && !station.removableDrives().showsDiskNotice(); }, 60,
             "the space line");
    report("space", t0, watch);
    std::printf("         %s\n", station.removableDrives().diskText().toStdString().c_str());

    std::vector<std::string> entries;
    for (int i = 1; i <= files; ++i) entries.push_back("E:\\Brask搜歌库\\1-音乐\\" + std::to_string(3000 + i) + "慢歌.mp3");
    station.orderBook().add(entries);
    station.orderBook().selectAll(false);
    t0 = bench::Clock::now();
    watch.reset();
    QSignalSpy copied(&station.lane(1), &orders::CopyLane::batchFinished);
    station.downloadSelected();
    runUntil([&] { return !copied.isEmpty(); }, 600, "the copies");
    report("copy", t0, watch);
    int onPhone = 0;
    for (const auto& e : fs::directory_iterator(backing + "/My Music")) onPhone += e.is_regular_file() ? 1 : 0;
    if (onPhone != files) fail("the phone holds " + std::to_string(onPhone) + " songs, not " + std::to_string(files));

    station.orderBook().selectAll(false);
    t0 = bench::Clock::now();
    watch.reset();
    QSignalSpy deleted(&station.orderBook(), &orders::OrderBook::diskSpaceRefreshRequested);
    station.deleteSelectedEntries();
    runUntil([&] { return !deleted.isEmpty(); }, 600, "deleting the copies");
    report("delete", t0, watch);
    if (!fs::is_empty(backing + "/My Music")) fail("copies were left on the phone");

    t0 = bench::Clock::now();
    watch.reset();
    auto* picker = window.orderPanel()->folderPicker();
    picker->show();
    auto& tree = station.devices().folderPicker();
    // Its one top item is the phone's root, open from the start.
    const QModelIndex root = tree.index(0, 0);
    runUntil([&] { return tree.rowCount(root) >= 5; }, 60, "the picker's top level");
    QModelIndex music;
    for (int r = 0; r < tree.rowCount(root); ++r)
        if (tree.data(tree.index(r, 0, root), Qt::DisplayRole).toString() == QStringLiteral("My Music"))
            music = tree.index(r, 0, root);
    if (!music.isValid()) fail("no My Music in the picker");
    fs::create_directory(backing + "/My Music/老歌");
    picker->expand(music);
    runUntil([&] { return tree.rowCount(music) == 1; }, 60, "My Music unfolded");
    report("picker", t0, watch);

    std::printf("idle_longest_gap_ms %.1f\n", idleGap * 1000);
    std::printf("longest_stall_ms %.1f  (the steps with the phone)\n", longest * 1000);
    std::printf("stall_over_target %.3f\n", longest / 0.050);
    window.close();
    return 0;
}
