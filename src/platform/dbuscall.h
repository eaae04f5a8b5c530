#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

namespace zorvik::platform {

// One call to a service that is already running, answered within
// `timeoutMs` or taken as failed: D-Bus never starts the service for it,
// and a hung one cannot hold the counter up for long.
inline std::optional<QList<QVariant>> callRunning(const QDBusConnection& bus, const QString& service,
                                                  const QString& path, const QString& interface,
                                                  const QString& method, const QList<QVariant>& arguments = {},
                                                  int timeoutMs = 1500) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    message.setAutoStartService(false);
    QDBusMessage reply = bus.call(message, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) return std::nullopt;
    return reply.arguments();
}

}  // namespace zorvik::platform
