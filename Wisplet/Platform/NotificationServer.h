#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

// The desktop's notification service. Every call answers later, on the caller's thread, through its
// handler, and only while the context object still exists; nothing ever blocks on the service.
class NotificationServer : public QObject
{
    Q_OBJECT

public:
    struct Notification
    {
        QString summary;
        QString body;
        bool sound = false;
        // Handed back by activated() when the user clicks the notification.
        QString tag;
    };

    enum class Outcome { posted, unavailable, failed };
    struct PostResult
    {
        Outcome outcome = Outcome::unavailable;
        // Why it failed, from the service.
        QString errorText;
    };

    using AvailabilityHandler = std::function<void(bool available)>;
    using PostHandler = std::function<void(const PostResult& result)>;

    using QObject::QObject;

    // Whether the service answers, which is all the permission the desktop has to give.
    virtual void checkAvailable(QObject* context, AvailabilityHandler handler) = 0;
    virtual void post(const Notification& notification, QObject* context, PostHandler handler) = 0;

signals:
    // The user clicked one of the notifications this process posted.
    void activated(const QString& tag);
};

// Without a notification service nothing is shown, and nothing ever answers as available.
class NullNotificationServer final : public NotificationServer
{
    Q_OBJECT

public:
    using NotificationServer::NotificationServer;

    void checkAvailable(QObject* context, AvailabilityHandler handler) override
    {
        QMetaObject::invokeMethod(
            context, [handler = std::move(handler)] { handler(false); }, Qt::QueuedConnection);
    }

    void post(const Notification&, QObject* context, PostHandler handler) override
    {
        QMetaObject::invokeMethod(
            context, [handler = std::move(handler)] { handler({}); }, Qt::QueuedConnection);
    }
};
