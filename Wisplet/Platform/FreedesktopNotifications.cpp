#include "Wisplet/Platform/FreedesktopNotifications.h"

#include "Wisplet/Platform/PeerText.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
const QString defaultAction = QStringLiteral("default");
const QString appName = QStringLiteral("Wisplet");
// The installed icon and desktop entry share the application id.
const QString appId = QStringLiteral("com.tidewell.wisplet");
const QString soundName = QStringLiteral("message-new-instant");

QDBusMessage method(const QString& name)
{
    return QDBusMessage::createMethodCall(service, path, interface, name);
}

bool answered(const QDBusMessage& reply)
{
    return reply.type() == QDBusMessage::ReplyMessage;
}

// The service's own words for a failure, which the settings show.
QString failureOf(const QDBusMessage& reply)
{
    return PeerText::bounded(reply.errorMessage());
}

} // namespace

FreedesktopNotifications::FreedesktopNotifications(const QDBusConnection& bus, QObject* parent)
    : NotificationServer(parent)
    , m_bus(bus)
{
    useBus(bus);
}

void FreedesktopNotifications::useBus(const QDBusConnection& bus)
{
    m_bus = bus;
    if (!m_bus.isConnected())
        return;
    // Subscribed by path and interface, not by the service's name: for a name, Qt asks the bus who owns it
    // and waits for the answer, which a stopped bus daemon never gives. Only our own ids count anyway.
    m_bus.connect(QString(), path, interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(QString(), path, interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onNotificationClosed(uint, uint)));
    auto* owners = new QDBusServiceWatcher(service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(owners, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { m_tags.clear(); });
}

void FreedesktopNotifications::checkAvailable(QObject* context, AvailabilityHandler handler)
{
    call(method(QStringLiteral("GetCapabilities")),
         [context = QPointer(context), handler = std::move(handler)](const QDBusMessage& reply) {
             if (context)
                 handler(answered(reply));
         });
}

void FreedesktopNotifications::post(const Notification& notification, QObject* context, PostHandler handler)
{
    // The capabilities are asked each time: the service may have been replaced since the last post.
    call(method(QStringLiteral("GetCapabilities")),
         [this, notification, context = QPointer(context), handler = std::move(handler)](const QDBusMessage& reply) {
             if (!answered(reply)) {
                 if (context)
                     handler({Outcome::unavailable, failureOf(reply)});
                 return;
             }
             notify(notification, reply.arguments().value(0).toStringList(), context, handler);
         });
}

void FreedesktopNotifications::notify(const Notification& notification, const QStringList& capabilities,
                                      const QPointer<QObject>& context, const PostHandler& handler)
{
    QVariantMap hints{{QStringLiteral("desktop-entry"), appId}};
    if (notification.sound)
        hints.insert(QStringLiteral("sound-name"), soundName);
    else
        hints.insert(QStringLiteral("suppress-sound"), true);
    QStringList actions;
    if (capabilities.contains(QStringLiteral("actions")))
        actions << defaultAction << QStringLiteral("Open");
    // A server that reads markup would swallow a "<" or "&" of ours.
    const QString body =
        capabilities.contains(QStringLiteral("body-markup")) ? notification.body.toHtmlEscaped() : notification.body;

    QDBusMessage message = method(QStringLiteral("Notify"));
    message << appName << 0u << appId << notification.summary << body << actions << hints << -1;
    call(message, [this, tag = notification.tag, context, handler](const QDBusMessage& reply) {
        if (!answered(reply)) {
            if (context)
                handler({Outcome::failed, failureOf(reply)});
            return;
        }
        const QVariant id = reply.arguments().value(0);
        if (id.metaType() == QMetaType::fromType<uint>() && id.toUInt() != 0)
            m_tags.insert(id.toUInt(), tag);
        if (context)
            handler({Outcome::posted, {}});
    });
}

void FreedesktopNotifications::call(const QDBusMessage& message, ReplyHandler handler)
{
    // Qt never finishes a call on a connection that is not there.
    if (!m_bus.isConnected()) {
        handler(QDBusMessage::createError(QDBusError::Disconnected, QStringLiteral("The session bus is not connected.")));
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [handler = std::move(handler)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                handler(finished->reply());
            });
}

void FreedesktopNotifications::onActionInvoked(uint id, const QString& action)
{
    if (action != defaultAction || !m_tags.contains(id))
        return;
    emit activated(m_tags.value(id));
}

void FreedesktopNotifications::onNotificationClosed(uint id, uint /*reason*/)
{
    m_tags.remove(id);
}
