#pragma once

#include <QIcon>
#include <QStyle>
#include <array>
#include <functional>

namespace zorvik::ui {

// Icons of the five media groups, 22 by 22: the desktop theme's where it has
// them, else small drawn ones that ship with the program.
std::array<QIcon, 5> mediaGroupIcons();

// The desktop theme's icon `name`, else `fallback()`, looked up only when the
// icon is first drawn (a theme lookup reads the icon folders).
QIcon themeIconLater(const QString& name, std::function<QIcon()> fallback);
// The same with the style's own icon as the fallback.
QIcon styleIconLater(const char* name, QStyle* style, QStyle::StandardPixmap fallback);

}  // namespace zorvik::ui
