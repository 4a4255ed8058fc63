#include "Wisplet/Platform/PortalMotionSetting.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString interfaceGroup = QStringLiteral("org.gnome.desktop.interface");
const QString animationsKey = QStringLiteral("enable-animations");
const QString readOneMethod = QStringLiteral("ReadOne");
// Portals before ReadOne only have Read, whose answer wraps the value in a second variant.
const QString readMethod = QStringLiteral("Read");
const QString unknownMethodError = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");

} // namespace

PortalMotionSetting::PortalMotionSetting(const QDBusConnection& bus, QObject* parent)
    : MotionSetting(parent)
    , m_bus(bus)
{
    useBus(bus);
}

void PortalMotionSetting::useBus(const QDBusConnection& bus)
{
    m_bus = bus;
    if (!m_bus.isConnected())
        return;
    // Subscribed before the first read, so that no change can fall between the two. By path and interface,
    // not by the portal's name: for a name, Qt asks the bus who owns it and waits for the answer in the one
    // thread all buses share. The message whole, since Qt connects no slot taking a QDBusVariant until
    // something has registered that type.
    m_bus.connect(QString(), portalPath, settingsInterface, QStringLiteral("SettingChanged"), this,
                  SLOT(onSettingChanged(QDBusMessage)));
    read(readOneMethod);
}

void PortalMotionSetting::onSettingChanged(const QDBusMessage& change)
{
    const QVariantList arguments = change.arguments();
    if (arguments.size() != 3 || arguments.at(0) != interfaceGroup || arguments.at(1) != animationsKey)
        return;
    ++m_generation;
    apply(arguments.at(2));
}

void PortalMotionSetting::read(const QString& method)
{
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, method);
    call << interfaceGroup << animationsKey;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, method, generation = m_generation](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                onReadFinished(*finished, method, generation);
            });
}

void PortalMotionSetting::onReadFinished(QDBusPendingCallWatcher& watcher, const QString& method, quint64 generation)
{
    if (generation != m_generation)
        return;
    const QDBusMessage reply = watcher.reply();
    if (reply.type() != QDBusMessage::ReplyMessage) {
        if (method == readOneMethod && reply.errorName() == unknownMethodError)
            read(readMethod);
        return;
    }
    apply(reply.arguments().value(0));
}

void PortalMotionSetting::apply(QVariant value)
{
    while (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    const bool reduce = value.metaType() == QMetaType::fromType<bool>() && !value.toBool();
    if (reduce == m_reduce)
        return;
    m_reduce = reduce;
    emit reduceMotionChanged(reduce);
}
