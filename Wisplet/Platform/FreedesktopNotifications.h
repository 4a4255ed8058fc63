#pragma once

#include "Wisplet/Platform/NotificationServer.h"

#include <QDBusConnection>
#include <QHash>

class QDBusMessage;

// Notifications through org.freedesktop.Notifications. The service broadcasts its clicks and closings
// for every client, so only the ids its Notify replies gave this process count, and an id is forgotten
// once the notification closes or the service changes hands (a new service numbers afresh).
class FreedesktopNotifications final : public NotificationServer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FreedesktopNotifications)

public:
    static constexpr int callTimeoutMs = 10'000;

    explicit FreedesktopNotifications(const QDBusConnection& bus, QObject* parent = nullptr);

    // The bus, once it is there; until then nothing is posted.
    void useBus(const QDBusConnection& bus);

    void checkAvailable(QObject* context, AvailabilityHandler handler) override;
    void post(const Notification& notification, QObject* context, PostHandler handler) override;

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onNotificationClosed(uint id, uint reason);

private:
    using ReplyHandler = std::function<void(const QDBusMessage& reply)>;

    void call(const QDBusMessage& message, ReplyHandler handler);
    void notify(const Notification& notification, const QStringList& capabilities, const QPointer<QObject>& context,
                const PostHandler& handler);

    QDBusConnection m_bus;
    QHash<uint, QString> m_tags;
};
