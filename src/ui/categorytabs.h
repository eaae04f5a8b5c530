#pragma once

#include <QTabBar>

namespace zorvik::ui {

// The twelve category tabs, red and bold. A tab searches the category at its
// position; a mouse press is told apart from a change by keyboard.
class CategoryTabs final : public QTabBar {
    Q_OBJECT
public:
    explicit CategoryTabs(QWidget* parent);

Q_SIGNALS:
    // After the tab under the mouse has been selected.
    void pressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace zorvik::ui
