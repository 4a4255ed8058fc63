#pragma once

#include "Wisplet/Platform/SleepWatcher.h"

#include <QDBusConnection>

// Suspend and resume from logind's PrepareForSleep on the system bus, and the displays going dark from
// ActiveChanged of the screensaver (the freedesktop and the GNOME service) on the session bus. Without a
// system bus, suspend is not seen; the screensaver still is.
class SessionSleepWatcher final : public SleepWatcher
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SessionSleepWatcher)

public:
    SessionSleepWatcher(const QDBusConnection& systemBus, const QDBusConnection& sessionBus,
                        QObject* parent = nullptr);

    // Each bus once it is there.
    void useSystemBus(const QDBusConnection& bus);
    void useSessionBus(const QDBusConnection& bus);

private slots:
    void onPrepareForSleep(bool sleeping);
    void onScreenSaverActiveChanged(bool active);
};
