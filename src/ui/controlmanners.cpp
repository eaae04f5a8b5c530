#include "ui/controlmanners.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>

namespace zorvik::ui {

namespace {

bool isEnter(const QKeyEvent* key) {
    const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier;
}

class EnterPressesButton final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto type = event->type();
        if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) return false;
        auto* button = qobject_cast<QPushButton*>(watched);
        if (!button || !button->hasFocus() || !isEnter(static_cast<QKeyEvent*>(event))) return false;
        if (type == QEvent::ShortcutOverride) {
            // The key is the button's: a window's Enter shortcut must not take it.
            event->accept();
            return true;
        }
        if (!static_cast<QKeyEvent*>(event)->isAutoRepeat() && button->isEnabled()) button->animateClick();
        return true;
    }
};

class FocusedWheel final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Wheel && !static_cast<QWidget*>(watched)->hasFocus()) {
            event->ignore();  // the view under it may still scroll
            return true;
        }
        return false;
    }
};

}  // namespace

void pressFocusedButtonsOnEnter() {
    static EnterPressesButton* installed = nullptr;
    if (installed || !qApp) return;
    installed = new EnterPressesButton(qApp);
    qApp->installEventFilter(installed);
}

void wheelOnlyWhenFocused(QComboBox* box) {
    box->setFocusPolicy(Qt::StrongFocus);  // a wheel does not give it the focus either
    box->installEventFilter(new FocusedWheel(box));
}

}  // namespace zorvik::ui
