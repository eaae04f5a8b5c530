// An order list read from any file, every cell of it shown and the tally's
// types worked out, as the station does when the list is switched to.
#include "fuzzsupport.h"
#include "orders/orderbook.h"
#include "orders/orderrows.h"
#include "player/cueplayer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zorvik;
    fuzz::startQt();
    static player::CuePlayer cues(QString::fromStdString(fuzz::scratch() + "no-cues/"));
    fuzz::writeInput(orders::listFileName(1), data, size);
    orders::OrderBook book(fuzz::scratch(), cues);
    book.loadFirstList();
    const auto& rows = book.rows();
    for (int row = 0; row < rows.rowCount(); ++row)
        for (int column = 0; column < rows.columnCount(); ++column)
            (void)rows.data(rows.index(row, column), Qt::DisplayRole);
    return 0;
}
