#pragma once

class QComboBox;

namespace zorvik::ui {

// Manners of the shop's Windows controls that Qt's lack (see also
// focusselect.h).

// Enter on a focused push button presses it, in every window of the program,
// as Space does; elsewhere Enter does what the window gives it (the main
// window searches). Installed once for the application; later calls do nothing.
void pressFocusedButtonsOnEnter();

// The wheel changes the box only while it has the focus: a wheel turned over
// the window must not change a library drive or a customer's device on the way.
void wheelOnlyWhenFocused(QComboBox* box);

}  // namespace zorvik::ui
