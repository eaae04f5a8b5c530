#include "platform/inputmethods.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QString>
#include <QVariant>

#include <map>
#include <optional>

namespace zorvik::platform {

namespace {

const QString kService = QStringLiteral("org.fcitx.Fcitx5");
const QString kPath = QStringLiteral("/controller");
const QString kInterface = QStringLiteral("org.fcitx.Fcitx.Controller1");
// A hung fcitx5 must not freeze the counter for long.
constexpr int kTimeoutMs = 1500;

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
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    message.setAutoStartService(false);  // fcitx5 may have quit since it was asked for
    QDBusMessage reply = bus.call(message, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) return std::nullopt;
    return reply.arguments();
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

std::vector<Method> installed(const QDBusConnection& bus) {
    if (!fcitxRunning(bus)) return {};
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
    std::map<QString, int> uses;
    for (const Method& method : methods) ++uses[method.shown];
    for (Method& method : methods)
        if (uses[method.shown] > 1) method.shown += QStringLiteral(" (") + method.unique + QLatin1Char(')');
    return methods;
}

}  // namespace

std::vector<std::string> installedInputMethods(const QDBusConnection& bus) {
    std::vector<std::string> names;
    for (const Method& method : installed(bus)) names.push_back(method.shown.toStdString());
    return names;
}

bool switchInputMethod(const QDBusConnection& bus, const std::string& name) {
    if (name.empty()) return false;
    const QString wanted = QString::fromStdString(name);
    const std::vector<Method> methods = installed(bus);
    const Method* target = nullptr;
    for (const Method& method : methods)
        if (method.shown == wanted) target = &method;
    for (const Method& method : methods)
        if (!target && method.unique == wanted) target = &method;
    if (!target) return false;
    return call(bus, QStringLiteral("SetCurrentIM"), {target->unique}).has_value();
}

std::vector<std::string> installedInputMethods() {
    return installedInputMethods(QDBusConnection::sessionBus());
}

bool switchInputMethod(const std::string& name) {
    return switchInputMethod(QDBusConnection::sessionBus(), name);
}

}  // namespace zorvik::platform
