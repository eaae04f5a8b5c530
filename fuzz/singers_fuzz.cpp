// The singer list read from any file, filtered by letters from the input
// and paged through.
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzzsupport.h"
#include "library/listing.h"
#include "player/cueplayer.h"
#include "search/patterns.h"
#include "search/searchcontroller.h"
#include "search/singers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zorvik;
    fuzz::startQt();
    static player::CuePlayer cues(QString::fromStdString(fuzz::scratch() + "no-cues/"));
    static library::Listings listings;
    static library::LibraryDrives drives{};
    static search::SearchPatterns patterns;
    static search::SearchController search(listings, cues, drives, patterns);

    FuzzedDataProvider in(data, size);
    const std::string letters = in.ConsumeRandomLengthString(4);
    const std::string file = in.ConsumeRemainingBytesAsString();
    search::SingerBrowser singers(search);
    singers.load(fuzz::writeInput("歌手.txt", reinterpret_cast<const uint8_t*>(file.data()), file.size()));
    singers.setLetters(QString::fromUtf8(letters.data(), static_cast<qsizetype>(letters.size())));
    for (int page = 0; page < 3; ++page) {
        for (int row = 0; row < search::kGridRows; ++row)
            for (int column = 0; column < search::kGridColumns; ++column) (void)singers.cell(row, column);
        singers.nextPage();
    }
    singers.previousPage();
    return 0;
}
