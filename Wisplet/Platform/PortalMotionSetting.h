#pragma once

#include "Wisplet/Platform/MotionSetting.h"

#include <QDBusConnection>

class QDBusPendingCallWatcher;
class QDBusMessage;

// The desktop's "enable animations" choice (org.gnome.desktop.interface enable-animations), read from
// the XDG settings portal and followed as it changes; false means reduce motion. Until the portal
// answers, and whenever the portal, the key or a Boolean value is missing, motion is not reduced.
// Every call is asynchronous: the portal may be slow to start, and the GUI thread never waits for it.
class PortalMotionSetting final : public MotionSetting
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PortalMotionSetting)

public:
    explicit PortalMotionSetting(const QDBusConnection& bus, QObject* parent = nullptr);

    // The bus, once it is there: the setting is read then.
    void useBus(const QDBusConnection& bus);

    bool reduceMotion() const override { return m_reduce; }

private slots:
    void onSettingChanged(const QDBusMessage& change);

private:
    void read(const QString& method);
    void onReadFinished(QDBusPendingCallWatcher& watcher, const QString& method, quint64 generation);
    void apply(QVariant value);

    QDBusConnection m_bus;
    bool m_reduce = false;
    // Bumped by every change signal, so that a read answered after it cannot undo the newer value.
    quint64 m_generation = 0;
};
