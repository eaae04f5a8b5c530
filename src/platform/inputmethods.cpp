#include "platform/inputmethods.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QString>
#include <QVariant>

#include <map>
#include <optional>

#include "platform/dbuscall.h"
#include "platform/ibus.h"

namespace zorvik::platform {

namespace {

const QString kService = QStringLiteral("org.fcitx.Fcitx5");
const QString kPath = QStringLiteral("/controller");
const QString kInterface = QStringLiteral("org.fcitx.Fcitx.Controller1");

struct Method {
    QString shown;
    QString unique;
};

// Asking first matters: a call to an absent name would have D-Bus start fcitx5.
bool fcitxRunning(const QDBusConnection& bus) {
    if (!bus.isConnected()) return false;
    QDBusConnectionInterface* daemon = bus.interface();
    return daemon && daemon->isServiceRegistered(kService).value();
}

std::optional<QList<QVariant>> call(const QDBusConnection& bus, const QString& method,
                                    const QList<QVariant>& arguments = {}) {
    return callRunning(bus, kService, kPath, kInterface, method, arguments);
}

// An array of structures whose first `strings` members are strings, read
// only when the signature is exactly the expected one.
std::optional<std::vector<std::vector<QString>>> structArray(const QVariant& value,
                                                             const char* signature, int strings) {
    if (value.userType() != qMetaTypeId<QDBusArgument>()) return std::nullopt;
    const QDBusArgument array = value.value<QDBusArgument>();
    if (array.currentSignature() != QLatin1String(signature)) return std::nullopt;
    std::vector<std::vector<QString>> rows;
    array.beginArray();
    while (!array.atEnd()) {
        array.beginStructure();
        std::vector<QString> row(static_cast<size_t>(strings));
        for (auto& member : row) array >> member;
        while (!array.atEnd()) array.asVariant();  // the members not needed here
        array.endStructure();
        rows.push_back(std::move(row));
    }
    array.endArray();
    return rows;
}

// unique name -> shown name, in fcitx5's order
std::vector<Method> availableMethods(const QDBusConnection& bus) {
    std::vector<Method> methods;
    auto reply = call(bus, QStringLiteral("AvailableInputMethods"));
    if (!reply || reply->size() != 1) return methods;
    auto rows = structArray(reply->front(), "a(ssssssb)", 2);
    if (!rows) return methods;
    for (const auto& row : *rows) methods.push_back({row[1].isEmpty() ? row[0] : row[1], row[0]});
    return methods;
}

// Unique names of the current group, the ones the operator switches between.
std::optional<std::vector<QString>> groupMethods(const QDBusConnection& bus) {
    auto group = call(bus, QStringLiteral("CurrentInputMethodGroup"));
    if (!group || group->size() != 1) return std::nullopt;
    auto info = call(bus, QStringLiteral("InputMethodGroupInfo"), {group->front().toString()});
    if (!info || info->size() != 2) return std::nullopt;
    auto rows = structArray(info->at(1), "a(ss)", 1);
    if (!rows) return std::nullopt;
    std::vector<QString> names;
    for (const auto& row : *rows) names.push_back(row[0]);
    return names;
}

void tellApartSharedNames(std::vector<Method>& methods) {
    std::map<QString, int> uses;
    for (const Method& method : methods) ++uses[method.shown];
    for (Method& method : methods)
        if (uses[method.shown] > 1) method.shown += QStringLiteral(" (") + method.unique + QLatin1Char(')');
}

std::vector<Method> fcitxMethods(const QDBusConnection& bus) {
    std::vector<Method> available = availableMethods(bus);
    std::vector<Method> methods;
    // Every engine fcitx5 knows is "available" (hundreds of keyboard
    // layouts); the group holds the ones set up on this machine.
    if (auto group = groupMethods(bus)) {
        for (const QString& unique : *group)
            for (const Method& method : available)
                if (method.unique == unique) {
                    methods.push_back(method);
                    break;
                }
    } else {
        methods = std::move(available);
    }
    return methods;
}

std::vector<Method> installed(const QDBusConnection& session) {
    std::vector<Method> methods;
    if (fcitxRunning(session)) {
        methods = fcitxMethods(session);
    } else if (auto bus = ibus::bus()) {
        for (const auto& engine : ibus::engines(*bus)) methods.push_back({engine.shown, engine.unique});
    }
    tellApartSharedNames(methods);
    return methods;
}

}  // namespace

std::vector<std::string> installedInputMethods(const QDBusConnection& session) {
    std::vector<std::string> names;
    for (const Method& method : installed(session)) names.push_back(method.shown.toStdString());
    return names;
}

std::optional<std::string> inputMethodId(const QDBusConnection& session, const std::string& name) {
    if (name.empty()) return std::nullopt;
    const QString wanted = QString::fromStdString(name);
    const std::vector<Method> methods = installed(session);
    for (const Method& method : methods)
        if (method.shown == wanted) return method.unique.toStdString();
    for (const Method& method : methods)
        if (method.unique == wanted) return method.unique.toStdString();
    return std::nullopt;
}

std::string currentInputMethod(const QDBusConnection& session) {
    if (fcitxRunning(session)) {
        auto reply = call(session, QStringLiteral("CurrentInputMethod"));
        return reply && reply->size() == 1 ? reply->front().toString().toStdString() : std::string();
    }
    if (auto bus = ibus::bus()) return ibus::globalEngine(*bus).toStdString();
    return {};
}

bool setCurrentInputMethod(const QDBusConnection& session, const std::string& id) {
    if (id.empty()) return false;
    if (fcitxRunning(session))
        return call(session, QStringLiteral("SetCurrentIM"), {QString::fromStdString(id)}).has_value();
    if (auto bus = ibus::bus()) return ibus::setGlobalEngine(*bus, QString::fromStdString(id));
    return false;
}

bool switchInputMethod(const QDBusConnection& session, const std::string& name) {
    auto id = inputMethodId(session, name);
    return id && setCurrentInputMethod(session, *id);
}

std::vector<std::string> installedInputMethods() {
    return installedInputMethods(QDBusConnection::sessionBus());
}

bool switchInputMethod(const std::string& name) {
    return switchInputMethod(QDBusConnection::sessionBus(), name);
}

}  // namespace zorvik::platform
