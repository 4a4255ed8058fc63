#pragma once

#include "Wisplet/Platform/NotificationServer.h"

#include <QList>

// A notification service that is always there and records what was posted, answering later as the real
// one does.
class RecordingNotificationServer final : public NotificationServer
{
    Q_OBJECT

public:
    using NotificationServer::NotificationServer;

    void checkAvailable(QObject* context, AvailabilityHandler handler) override
    {
        QMetaObject::invokeMethod(
            context, [handler = std::move(handler)] { handler(true); }, Qt::QueuedConnection);
    }

    void post(const Notification& notification, QObject* context, PostHandler handler) override
    {
        posted.append(notification);
        QMetaObject::invokeMethod(
            context,
            [handler = std::move(handler)] {
                handler({Outcome::posted, {}});
            },
            Qt::QueuedConnection);
    }

    QStringList titles() const
    {
        QStringList result;
        for (const Notification& notification : posted)
            result << notification.summary;
        return result;
    }

    QList<Notification> posted;
};
