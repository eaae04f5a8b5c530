#include "ui/controlmanners.h"

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <map>
#include <tuple>
#include <vector>

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
        if (!static_cast<QKeyEvent*>(event)->isAutoRepeat() && button->isEnabled()) button->click();
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

namespace {
// The button's border and a pixel of air on either side of its caption.
constexpr int kCaptionMargin = 4;
constexpr int kSmallestCaptionPixels = 10;
}  // namespace

bool captionFits(const QWidget* button) {
    const auto* b = qobject_cast<const QPushButton*>(button);
    return !b || b->fontMetrics().horizontalAdvance(b->text()) + kCaptionMargin <= b->width();
}

void fitButtonCaptions(QWidget* root) {
    // A row of like buttons keeps one type size: the one its widest caption needs.
    std::map<std::tuple<QWidget*, int, int>, std::vector<QPushButton*>> rows;
    for (QPushButton* button : root->findChildren<QPushButton*>())
        if (!button->text().isEmpty()) rows[{button->parentWidget(), button->y(), button->width()}].push_back(button);
    for (const auto& [row, buttons] : rows) {
        int pixels = QFontInfo(buttons.front()->font()).pixelSize();
        for (QPushButton* button : buttons) {
            QFont font = button->font();
            font.setPixelSize(pixels);
            while (QFontMetrics(font).horizontalAdvance(button->text()) + kCaptionMargin > button->width() &&
                   font.pixelSize() > kSmallestCaptionPixels)
                font.setPixelSize(font.pixelSize() - 1);
            pixels = font.pixelSize();
        }
        if (pixels == QFontInfo(buttons.front()->font()).pixelSize()) continue;
        for (QPushButton* button : buttons) {
            QFont font = button->font();
            font.setPixelSize(pixels);
            button->setFont(font);
        }
    }
}

namespace {

// Frame and inner margins of a one-line field, both sides.
constexpr int kFieldMargin = 8;

QString textOf(const QWidget* w) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(w)) return edit->text();
    if (const auto* label = qobject_cast<const QLabel*>(w)) return label->text();
    return {};
}

int marginOf(const QWidget* w) { return qobject_cast<const QLineEdit*>(w) ? kFieldMargin : 0; }

// The type size the widget was designed with, kept from the first fitting.
int designedPixels(QWidget* w) {
    const QVariant kept = w->property("designedPixelSize");
    if (kept.isValid()) return kept.toInt();
    const int pixels = QFontInfo(w->font()).pixelSize();
    w->setProperty("designedPixelSize", pixels);
    return pixels;
}

void fitText(QWidget* w) {
    QFont font = w->font();
    font.setPixelSize(designedPixels(w));
    const QString text = textOf(w);
    while (QFontMetrics(font).horizontalAdvance(text) + marginOf(w) > w->width() &&
           font.pixelSize() > kSmallestCaptionPixels)
        font.setPixelSize(font.pixelSize() - 1);
    if (font != w->font()) w->setFont(font);
}

}  // namespace

bool textFits(const QWidget* widget) {
    return widget->fontMetrics().horizontalAdvance(textOf(widget)) + marginOf(widget) <= widget->width();
}

void keepTextWhole(QLineEdit* field) {
    QObject::connect(field, &QLineEdit::textChanged, field, [field] { fitText(field); });
    fitText(field);
}

void setWholeText(QLabel* label, const QString& text) {
    label->setText(text);
    fitText(label);
}

void wheelOnlyWhenFocused(QComboBox* box) {
    box->setFocusPolicy(Qt::StrongFocus);  // a wheel does not give it the focus either
    box->installEventFilter(new FocusedWheel(box));
}

}  // namespace zorvik::ui
