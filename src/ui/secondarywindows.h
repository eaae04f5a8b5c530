#pragma once

#include <QWidget>

namespace zorvik::ui {

// The secondary windows live from start-up to exit and are shown and
// hidden, never destroyed. Each fills in with its own subsystem.

// Web search window.
class Twang final : public QWidget {
    Q_OBJECT
public:
    explicit Twang(QWidget* parent = nullptr);
};

// About and disclaimer window.
class TGYuForm4 final : public QWidget {
    Q_OBJECT
public:
    explicit TGYuForm4(QWidget* parent = nullptr);
};

// CD catalogue window.
class TCDMuLuForm final : public QWidget {
    Q_OBJECT
public:
    explicit TCDMuLuForm(QWidget* parent = nullptr);
};

}  // namespace zorvik::ui
