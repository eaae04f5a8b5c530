#include "ui/skinmenu.h"

#include <QActionGroup>

#include "core/settings.h"
#include "ui/skins.h"

namespace zorvik::ui {

SkinMenu::SkinMenu(core::Settings& settings, QWidget* parent)
    : QMenu(QStringLiteral("皮肤"), parent), settings_(settings), entries_(new QActionGroup(this)) {
    setObjectName(QStringLiteral("skinMenu"));
    entries_->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (int k = 0; k < Skins::kCount; ++k) {
        QAction* entry = addAction(Skins::name(k));
        entry->setCheckable(true);
        entries_->addAction(entry);
        connect(entry, &QAction::triggered, this, [this, k] { choose(k); });
        if (k == 0) addSeparator();
    }
}

QAction* SkinMenu::entry(int k) const { return entries_->actions().value(k); }

int SkinMenu::ticked() const {
    QAction* checked = entries_->checkedAction();
    return checked ? static_cast<int>(entries_->actions().indexOf(checked)) : -1;
}

void SkinMenu::choose(int k) {
    if (!Skins::apply(k)) return;
    entry(k)->setChecked(true);
    // A failed write shows the error box; the skin stays.
    settings_.write(core::keys::kSkin, std::to_string(k));
}

void SkinMenu::restoreSaved() {
    // Anything but a whole number from 0 to 10 leaves the default look, quietly.
    if (auto k = skinNumber(settings_.read(core::keys::kSkin))) {
        Skins::apply(*k);
        entry(*k)->setChecked(true);
    }
}

}  // namespace zorvik::ui
