#include "Wisplet/Platform/SessionSleepWatcher.h"

namespace {

// Each screensaver signals on its own interface; the path differs between desktops, so any path counts. Not
// filtered by service name either: for a name, Qt asks the bus who owns it and waits for the answer, in the
// one thread that all buses share.
constexpr QLatin1String screenSavers[] = {
    QLatin1String("org.freedesktop.ScreenSaver"),
    QLatin1String("org.gnome.ScreenSaver"),
};

} // namespace

SessionSleepWatcher::SessionSleepWatcher(const QDBusConnection& systemBus, const QDBusConnection& sessionBus,
                                         QObject* parent)
    : SleepWatcher(parent)
{
    useSystemBus(systemBus);
    useSessionBus(sessionBus);
}

void SessionSleepWatcher::useSystemBus(const QDBusConnection& bus)
{
    // By path and interface, as the screensavers below: whoever sends it, it only makes Wisp doze or wake.
    QDBusConnection(bus).connect(QString(), QStringLiteral("/org/freedesktop/login1"),
                                 QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                                 this, SLOT(onPrepareForSleep(bool)));
}

void SessionSleepWatcher::useSessionBus(const QDBusConnection& bus)
{
    for (const QLatin1String& saver : screenSavers) {
        QDBusConnection(bus).connect(QString(), QString(), saver, QStringLiteral("ActiveChanged"), this,
                                     SLOT(onScreenSaverActiveChanged(bool)));
    }
}

void SessionSleepWatcher::onPrepareForSleep(bool sleeping)
{
    if (sleeping)
        emit willSleep();
    else
        emit didWake();
}

void SessionSleepWatcher::onScreenSaverActiveChanged(bool active)
{
    if (active)
        emit displaysDidSleep();
    else
        emit displaysDidWake();
}
