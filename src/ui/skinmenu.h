#pragma once

#include <QMenu>

class QActionGroup;

namespace zorvik::core {
class Settings;
}

namespace zorvik::ui {

// "皮肤" in the window menu: the eleven stored skins, the first set apart;
// the chosen one ticked and remembered in the settings file.
class SkinMenu final : public QMenu {
    Q_OBJECT
public:
    SkinMenu(core::Settings& settings, QWidget* parent);

    QAction* entry(int k) const;
    // The ticked entry's number, or -1 before any skin is chosen.
    int ticked() const;

    // An entry chosen: apply it, tick it, remember it.
    void choose(int k);
    // At start-up: the remembered skin, when the setting holds a skin number.
    void restoreSaved();

private:
    core::Settings& settings_;
    QActionGroup* entries_;
};

}  // namespace zorvik::ui
