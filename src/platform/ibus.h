#pragma once

#include <QDBusConnection>
#include <QString>

#include <optional>
#include <string>
#include <vector>

// IBus as the input methods' stand-in where fcitx5 is not running: its
// daemon's own bus, the engines set up in its settings, the global engine.
namespace zorvik::platform::ibus {

struct Engine {
    QString shown;
    QString unique;
};

// The daemon's bus: IBUS_ADDRESS, else the address the daemon wrote for this
// display below ~/.config/ibus/bus/. nullopt with no daemon to reach.
std::optional<QDBusConnection> bus();
// The preloaded engines (IBus's setting "preload-engines"), with the long
// names the daemon knows them by.
std::vector<Engine> engines(const QDBusConnection& bus);
QString globalEngine(const QDBusConnection& bus);
bool setGlobalEngine(const QDBusConnection& bus, const QString& name);

}  // namespace zorvik::platform::ibus
