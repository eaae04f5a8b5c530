#include "ui/focusselect.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>

namespace zorvik::ui {

namespace {

class SelectAllOnFocus final : public QObject {
public:
    SelectAllOnFocus(QLineEdit* edit, QObject* parent) : QObject(parent), edit_(edit) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) {
            switch (static_cast<QFocusEvent*>(event)->reason()) {
                case Qt::MouseFocusReason:
                case Qt::PopupFocusReason:
                case Qt::ActiveWindowFocusReason:
                    break;  // a click places the caret; a window coming back keeps its selection
                default:
                    // Synchronously: keys already queued behind the focus change must replace the text.
                    edit_->selectAll();
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QLineEdit* edit_;
};

}  // namespace

void selectAllOnFocus(QLineEdit* edit) { edit->installEventFilter(new SelectAllOnFocus(edit, edit)); }

void selectAllOnFocus(QComboBox* box) {
    // An editable combo box takes the focus itself and hands the event to its line edit.
    if (auto* edit = box->lineEdit()) box->installEventFilter(new SelectAllOnFocus(edit, box));
}

}  // namespace zorvik::ui
