// The playlist read from any file, and every row shown.
#include "fuzzsupport.h"
#include "player/playlist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zorvik;
    fuzz::startQt();
    player::Playlist playlist(fuzz::writeInput("播放列表.txt", data, size));
    playlist.load();
    for (int row = 0; row < playlist.rowCount(); ++row)
        (void)playlist.data(playlist.index(row), Qt::DisplayRole);
    return 0;
}
