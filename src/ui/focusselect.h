#pragma once

class QComboBox;
class QLineEdit;

namespace zorvik::ui {

// The shop's Windows edit boxes selected their whole text when they were given
// the focus by the program, by Tab or by a label's shortcut, so that typing
// replaced a prompt; a mouse click only placed the caret. These give a Qt edit
// or editable combo box the same manner.
void selectAllOnFocus(QLineEdit* edit);
void selectAllOnFocus(QComboBox* box);

}  // namespace zorvik::ui
