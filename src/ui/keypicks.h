#pragma once

#include <functional>

class QAbstractItemView;
class QModelIndex;

namespace zorvik::ui {

// In a Windows list box or list view the highlight that the keyboard moves
// (arrows, Home, End, the page keys, typing a name) is the pick, as a click
// on that row would make it. Qt moves the highlight without a click: this
// calls `picked` with the row the keys moved the highlight onto.
void pickWithKeys(QAbstractItemView* view, std::function<void(const QModelIndex&)> picked);

}  // namespace zorvik::ui
