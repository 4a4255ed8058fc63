#pragma once

#include "Wisplet/Platform/NotificationServer.h"

#include <QList>

// The desktop's notification service in memory, for tests of what a tool posts: it keeps every post and
// answers as `available` says (on the next pass of the event loop, as the real one does).
class RecordingNotifications final : public NotificationServer
{

public:
    using NotificationServer::NotificationServer;

    void checkAvailable(QObject* context, AvailabilityHandler handler) override
    {
        ++availabilityChecks;
        QMetaObject::invokeMethod(
            context, [handler = std::move(handler), up = available] { handler(up); }, Qt::QueuedConnection);
    }

    void post(const Notification& notification, QObject* context, PostHandler handler) override
    {
        PostResult result{available ? Outcome::posted : Outcome::unavailable, {}};
        if (available && !failureText.isEmpty())
            result = {Outcome::failed, failureText};
        if (result.outcome == Outcome::posted)
            posted.append(notification);
        QMetaObject::invokeMethod(
            context, [handler = std::move(handler), result] { handler(result); }, Qt::QueuedConnection);
    }

    QStringList titles() const
    {
        QStringList result;
        for (const Notification& notification : posted)
            result << notification.summary;
        return result;
    }

    // As if the user clicked the notification at `index` of those posted.
    void click(qsizetype index) { emit activated(posted.at(index).tag); }

    QList<Notification> posted;
    // How often the program asked whether it may post.
    int availabilityChecks = 0;
    bool available = true;
    // Non-empty: every post fails with this text.
    QString failureText;
};
