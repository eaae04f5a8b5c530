#include "platform/ibus.h"

#include <gio/gio.h>

#include <QDBusArgument>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <memory>

#include "platform/dbuscall.h"

namespace zorvik::platform::ibus {

namespace {

const QString kService = QStringLiteral("org.freedesktop.IBus");
const QString kPath = QStringLiteral("/org/freedesktop/IBus");
const QString kInterface = QStringLiteral("org.freedesktop.IBus");

std::optional<QList<QVariant>> call(const QDBusConnection& bus, const QString& method,
                                    const QList<QVariant>& arguments = {}) {
    return callRunning(bus, kService, kPath, kInterface, method, arguments);
}

QString firstLine(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readLine()).trimmed();
}

// Where the daemon writes its address: "<machine id>-<host>-<display>", as
// ibus_get_socket_path() names it.
QString addressFile() {
    QString machine = firstLine(QStringLiteral("/etc/machine-id"));
    if (machine.isEmpty()) machine = firstLine(QStringLiteral("/var/lib/dbus/machine-id"));
    QString host = QStringLiteral("unix");
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty()) {
        const QString x = qEnvironmentVariable("DISPLAY");  // "[host]:number[.screen]"
        const qsizetype colon = x.lastIndexOf(QLatin1Char(':'));
        if (machine.isEmpty() || colon < 0) return {};
        if (colon > 0) host = x.left(colon);
        display = x.mid(colon + 1).section(QLatin1Char('.'), 0, 0);
    }
    if (machine.isEmpty() || display.isEmpty()) return {};
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config + QStringLiteral("/ibus/bus/") + machine + QLatin1Char('-') + host + QLatin1Char('-') + display;
}

QString announcedAddress() {
    QString address = qEnvironmentVariable("IBUS_ADDRESS");
    if (!address.isEmpty()) return address;
    QFile file(addressFile());
    if (!file.open(QIODevice::ReadOnly)) return {};
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QStringLiteral("IBUS_ADDRESS="))) return line.mid(13);
    }
    return {};
}

// An engine's description as IBus sends it: a variant (perhaps within
// another) holding the structure (type name, attachments, name, long name, ...).
std::optional<Engine> engineOf(QVariant value) {
    while (value.userType() == qMetaTypeId<QDBusVariant>()) value = value.value<QDBusVariant>().variant();
    if (value.userType() != qMetaTypeId<QDBusArgument>()) return std::nullopt;
    const QDBusArgument description = value.value<QDBusArgument>();
    if (!description.currentSignature().startsWith(QStringLiteral("(sa{sv}ss"))) return std::nullopt;
    QString type;
    Engine engine;
    description.beginStructure();
    description >> type;
    description.asVariant();  // the attachments
    description >> engine.unique >> engine.shown;
    while (!description.atEnd()) description.asVariant();
    description.endStructure();
    if (engine.shown.isEmpty()) engine.shown = engine.unique;
    return engine;
}

// IBus's setting, where its schema is installed.
QStringList preloadEngines() {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source) return {};
    std::unique_ptr<GSettingsSchema, decltype(&g_settings_schema_unref)> schema(
        g_settings_schema_source_lookup(source, "org.freedesktop.ibus.general", TRUE), g_settings_schema_unref);
    if (!schema || !g_settings_schema_has_key(schema.get(), "preload-engines")) return {};
    std::unique_ptr<GSettings, decltype(&g_object_unref)> settings(g_settings_new_full(schema.get(), nullptr, nullptr),
                                                                   g_object_unref);
    QStringList names;
    gchar** values = g_settings_get_strv(settings.get(), "preload-engines");
    for (gchar** v = values; v && *v; ++v) names << QString::fromUtf8(*v);
    g_strfreev(values);
    return names;
}

}  // namespace

std::optional<QDBusConnection> bus() {
    const QString address = announcedAddress();
    if (address.isEmpty()) return std::nullopt;
    // One connection per address: a daemon started again has a new one.
    const QString name = QStringLiteral("zorvik-ibus ") + address;
    QDBusConnection connection = QDBusConnection::connectToBus(address, name);
    if (!connection.isConnected()) {
        QDBusConnection::disconnectFromBus(name);
        return std::nullopt;
    }
    return connection;
}

std::vector<Engine> engines(const QDBusConnection& bus) {
    const QStringList names = preloadEngines();
    std::vector<Engine> found;
    if (names.isEmpty()) return found;
    auto reply = call(bus, QStringLiteral("GetEnginesByNames"), {names});
    std::vector<Engine> known;
    if (reply && reply->size() == 1 && reply->front().userType() == qMetaTypeId<QDBusArgument>()) {
        const QDBusArgument array = reply->front().value<QDBusArgument>();
        array.beginArray();
        while (!array.atEnd())
            if (auto engine = engineOf(array.asVariant())) known.push_back(*engine);
        array.endArray();
    }
    // The setting's order; an engine the daemon does not know is not set up.
    for (const QString& name : names)
        for (const Engine& engine : known)
            if (engine.unique == name) {
                found.push_back(engine);
                break;
            }
    return found;
}

QString globalEngine(const QDBusConnection& bus) {
    auto reply = callRunning(bus, kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                             QStringLiteral("Get"), {kInterface, QStringLiteral("GlobalEngine")});
    if (!reply || reply->size() != 1) reply = call(bus, QStringLiteral("GetGlobalEngine"));  // before IBus 1.5.17
    if (!reply || reply->size() != 1) return {};
    auto engine = engineOf(reply->front());
    return engine ? engine->unique : QString();
}

bool setGlobalEngine(const QDBusConnection& bus, const QString& name) {
    return call(bus, QStringLiteral("SetGlobalEngine"), {name}).has_value();
}

}  // namespace zorvik::platform::ibus
