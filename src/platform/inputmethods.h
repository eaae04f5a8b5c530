#pragma once

#include <optional>
#include <string>
#include <vector>

class QDBusConnection;

// The machine's input methods: fcitx5 through its controller on the session
// bus, or, where fcitx5 is not running, IBus on the bus of its own that its
// daemon announces. Neither is ever started for this. Every call waits at
// most a moment for an answer, so a hung input method cannot freeze the counter.
namespace zorvik::platform {

// The input methods the operator has set up (fcitx5's current group, or
// IBus's preloaded engines), in their order, by the names shown for them; a
// name that two of them share is followed by the internal name in brackets.
std::vector<std::string> installedInputMethods(const QDBusConnection& session);
// The internal name of a set-up input method given by its shown or internal
// name; nullopt when none of them has it.
std::optional<std::string> inputMethodId(const QDBusConnection& session, const std::string& name);
// The internal name of the input method in use now (fcitx5: in the focused
// field); empty when there is none to ask.
std::string currentInputMethod(const QDBusConnection& session);
// Puts the input method with that internal name in use.
bool setCurrentInputMethod(const QDBusConnection& session, const std::string& id);
// Both: makes `name` (shown or internal) the input method in use. False when
// it is not set up or nothing could switch.
bool switchInputMethod(const QDBusConnection& session, const std::string& name);

// The same on the session bus.
std::vector<std::string> installedInputMethods();
bool switchInputMethod(const std::string& name);

}  // namespace zorvik::platform
