// The station on a program folder, saving its data files round after round
// until it is killed: the settings, one order list, the hot list and the
// playlist, each through the station's own objects. What round r writes tells
// r, so the clean-kill check can tell a whole file from a cut one.
//   zorvik_cleankill_saver <program folder> <first round>
#include <QCoreApplication>
#include <QSignalSpy>
#include <cstdio>
#include <string>
#include <vector>

#include "app/station.h"
#include "core/folders.h"
#include "core/settings.h"
#include "library/hotlist.h"
#include "orders/orderbook.h"
#include "player/playlist.h"
#include "player/previewplayer.h"

using namespace zorvik;

namespace {

std::string entry(const char* kind, long round, int i) {
    return "E:\\Brask搜歌库\\1-音乐\\" + std::string(kind) + std::to_string(round) + "-" + std::to_string(i) + ".mp3";
}

void saveRound(app::Station& station, long round) {
    const std::string r = std::to_string(round);
    station.settings().write("ZorvikKillCheck", {{"Round", r}, {"Check", r}});

    auto& orders = station.orderBook();
    orders.switchTo(static_cast<int>(round % 5) + 1);  // saves the list it leaves
    orders.clear();  // saved at once: an empty list is a whole state too
    std::vector<std::string> picks;
    for (int i = 1; i <= 2 + static_cast<int>(round % 4); ++i) picks.push_back(entry("清单", round, i));
    orders.add(picks);  // one change, one save, as the operator's batch add
    orders.saveActive();

    station.hotList().increment(entry("热门", round % 3, 0));

    auto& playlist = station.preview().playlist();
    playlist.clear();
    std::vector<player::PlaylistEntry> entries;
    for (int i = 1; i <= 1 + static_cast<int>(round % 3); ++i) entries.push_back({entry("播放", round, i), "x"});
    playlist.append(entries);
    playlist.save();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <program folder> <first round>\n", argv[0]);
        return 2;
    }
    app::Station station(core::ProgramFolders::at(argv[1]));
    QSignalSpy started(&station, &app::Station::startupFinished);
    station.create();
    station.firstShow();
    if (!started.wait(30000)) return 1;

    long round = std::stol(argv[2]);
    std::printf("saving\n");
    std::fflush(stdout);
    for (;;) {
        saveRound(station, round++);
        QCoreApplication::processEvents();
    }
}
