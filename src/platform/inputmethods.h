#pragma once

#include <string>
#include <vector>

class QDBusConnection;

namespace zorvik::platform {

// The input methods the operator has set up in fcitx5 (its current group, in
// its order), by the names fcitx5 shows for them; a name that two of them
// share is followed by the internal name in brackets. Empty with no session
// bus or no fcitx5 running: fcitx5 is never started for this.
std::vector<std::string> installedInputMethods();
// Makes `name` (a shown name, or fcitx5's internal one) the input method of
// the focused field. False when it is not there or nothing could switch.
bool switchInputMethod(const std::string& name);

// The same on a given bus (the session bus above).
std::vector<std::string> installedInputMethods(const QDBusConnection& bus);
bool switchInputMethod(const QDBusConnection& bus, const std::string& name);

}  // namespace zorvik::platform
