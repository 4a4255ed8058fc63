#include "Wisplet/Platform/SessionSleepWatcher.h"

namespace {

// Each screensaver signals on its own service; the path differs between desktops, so any path counts.
struct ScreenSaver
{
    QLatin1String service;
    QLatin1String interface;
};
constexpr ScreenSaver screenSavers[] = {
    {QLatin1String("org.freedesktop.ScreenSaver"), QLatin1String("org.freedesktop.ScreenSaver")},
    {QLatin1String("org.gnome.ScreenSaver"), QLatin1String("org.gnome.ScreenSaver")},
};

} // namespace

SessionSleepWatcher::SessionSleepWatcher(const QDBusConnection& systemBus, const QDBusConnection& sessionBus,
                                         QObject* parent)
    : SleepWatcher(parent)
{
    if (QDBusConnection bus = systemBus; bus.isConnected()) {
        bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                    QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                    SLOT(onPrepareForSleep(bool)));
    }
    if (QDBusConnection bus = sessionBus; bus.isConnected()) {
        for (const ScreenSaver& saver : screenSavers) {
            bus.connect(saver.service, QString(), saver.interface, QStringLiteral("ActiveChanged"), this,
                        SLOT(onScreenSaverActiveChanged(bool)));
        }
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
