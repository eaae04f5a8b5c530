#pragma once

class QComboBox;
class QLabel;
class QLineEdit;
class QString;
class QWidget;

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

// Every push button below `root` shows its whole caption: a caption wider
// than its designed button gets a smaller type, as the shop's buttons never
// cut a word ("RMVB格式").
void fitButtonCaptions(QWidget* root);
// Whether a button's caption fits it as it stands.
bool captionFits(const QWidget* button);

// A field or label whose text must show whole in its designed width: a text
// too wide for it is drawn in a smaller type, and a shorter one again in the
// designed type.
void keepTextWhole(QLineEdit* field);
void setWholeText(QLabel* label, const QString& text);
// Whether the text fits the widget's width as it is drawn now.
bool textFits(const QWidget* widget);

}  // namespace zorvik::ui
