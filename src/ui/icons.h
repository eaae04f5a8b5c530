#pragma once

#include <QIcon>
#include <array>

namespace zorvik::ui {

// Icons of the five media groups, 22 by 22: the desktop theme's where it has
// them, else small drawn ones that ship with the program.
std::array<QIcon, 5> mediaGroupIcons();

}  // namespace zorvik::ui
