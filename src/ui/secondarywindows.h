#pragma once

#include <QWidget>

namespace zorvik::ui {

// The secondary windows live from start-up to exit and are shown and
// hidden, never destroyed. Each fills in with its own subsystem.

// Picture browser.
class TTuForm final : public QWidget {
    Q_OBJECT
public:
    explicit TTuForm(QWidget* parent = nullptr);
};

}  // namespace zorvik::ui
