#pragma once

#include <QPalette>
#include <QString>
#include <optional>
#include <string>

namespace zorvik::ui {

// The skin engine: a default look of its own, and eleven stored skins, 0 to
// 10, held inside the program. A skin is a palette and a style sheet over the
// Fusion style, for every window of the program at once.
class Skins final {
public:
    static constexpr int kCount = 11;

    // The look before any stored skin: the classic window colour behind navy text.
    static void applyDefaultLook();
    // Applies stored skin k; an index outside the store does nothing.
    static bool apply(int k);
    // The stored skin in force, or nullopt for the default look.
    static std::optional<int> current();

    static QString name(int k);
    static QPalette palette(int k);
    static QString styleSheet(int k);
    static QPalette defaultPalette();
};

// The skin number a settings value holds: a whole number from 0 to 10, or nothing.
std::optional<int> skinNumber(const std::string& text);

}  // namespace zorvik::ui
