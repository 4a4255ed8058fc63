#include "Wisplet/Platform/SessionSleepWatcher.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace {

constexpr int busTimeoutMs = 10'000;
const QString fakeConnectionName = QStringLiteral("fake-services");
const QString noBusName = QStringLiteral("no-bus");
const QString logindService = QStringLiteral("org.freedesktop.login1");
const QString screenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString screenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");

// The watcher's signals by name, in the order they came.
void record(const SleepWatcher& watcher, QStringList& log)
{
    QObject::connect(&watcher, &SleepWatcher::willSleep, [&log] { log.append("willSleep"); });
    QObject::connect(&watcher, &SleepWatcher::didWake, [&log] { log.append("didWake"); });
    QObject::connect(&watcher, &SleepWatcher::displaysDidSleep, [&log] { log.append("displaysDidSleep"); });
    QObject::connect(&watcher, &SleepWatcher::displaysDidWake, [&log] { log.append("displaysDidWake"); });
}

// Sends a one-Boolean signal from a connection of its own, which owns the services' names.
void send(const QDBusConnection& bus, const QString& path, const QString& interface, const QString& name, bool value)
{
    QDBusMessage message = QDBusMessage::createSignal(path, interface, name);
    message << value;
    QVERIFY(bus.send(message));
}

void prepareForSleep(const QDBusConnection& bus, bool sleeping)
{
    send(bus, QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
         QStringLiteral("PrepareForSleep"), sleeping);
}

// The watcher's match rules go out without a reply; a call answered after them proves the bus has them.
void settle(const QDBusConnection& watcherBus)
{
    QVERIFY(watcherBus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus")));
}

QDBusConnection noBus()
{
    return QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), noBusName);
}

QDBusConnection fakeOnSessionBus()
{
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, fakeConnectionName);
}

} // namespace

class SessionSleepWatcherTest final : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        QDBusConnection::disconnectFromBus(fakeConnectionName);
        QDBusConnection::disconnectFromBus(noBusName);
    }

    void displaysSleepWithEitherScreenSaver_data()
    {
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("path");
        const auto row = [](const char* name, const QString& service, const char* path) {
            QTest::newRow(name) << service << QString::fromLatin1(path);
        };
        row("freedesktop", screenSaverService, "/org/freedesktop/ScreenSaver");
        row("freedesktop, KDE's path", screenSaverService, "/ScreenSaver");
        row("GNOME", QStringLiteral("org.gnome.ScreenSaver"), "/org/gnome/ScreenSaver");
    }

    void displaysSleepWithEitherScreenSaver()
    {
        QFETCH(QString, service);
        QFETCH(QString, path);
        QDBusConnection fake = fakeOnSessionBus();
        QVERIFY(fake.registerService(service));
        SessionSleepWatcher watcher(noBus(), QDBusConnection::sessionBus());
        QStringList log;
        record(watcher, log);
        settle(QDBusConnection::sessionBus());

        // Each signal waits for the one before: a connection that has only just started may hand on the
        // messages that come in meanwhile out of order.
        send(fake, path, service, QStringLiteral("ActiveChanged"), true);
        QTRY_COMPARE_WITH_TIMEOUT(log, QStringList{"displaysDidSleep"}, busTimeoutMs);
        send(fake, path, service, QStringLiteral("ActiveChanged"), false);
        QTRY_COMPARE_WITH_TIMEOUT(log, (QStringList{"displaysDidSleep", "displaysDidWake"}), busTimeoutMs);
    }

    void machineSleepsWithLogind()
    {
        PrivateBus systemBus;
        QVERIFY2(systemBus.start(), qPrintable(systemBus.errorText()));
        QDBusConnection fake = QDBusConnection::connectToBus(systemBus.address(), fakeConnectionName);
        QVERIFY(fake.registerService(logindService));
        const QString watcherConnection = QStringLiteral("watcher-system-bus");
        QStringList log;
        {
            const QDBusConnection watcherBus = QDBusConnection::connectToBus(systemBus.address(), watcherConnection);
            SessionSleepWatcher watcher(watcherBus, noBus());
            record(watcher, log);
            settle(watcherBus);
            prepareForSleep(fake, true);
            QTRY_COMPARE_WITH_TIMEOUT(log, QStringList{"willSleep"}, busTimeoutMs);
            prepareForSleep(fake, false);
            QTRY_COMPARE_WITH_TIMEOUT(log, (QStringList{"willSleep", "didWake"}), busTimeoutMs);
        }
        QDBusConnection::disconnectFromBus(watcherConnection);
    }

    void withoutASystemBusOnlyTheDisplaysAreSeen()
    {
        QDBusConnection fake = fakeOnSessionBus();
        QVERIFY(fake.registerService(logindService));
        QVERIFY(fake.registerService(screenSaverService));
        SessionSleepWatcher watcher(noBus(), QDBusConnection::sessionBus());
        QStringList log;
        record(watcher, log);
        settle(QDBusConnection::sessionBus());

        // logind's signal on the session bus is not logind's. Once the screensaver's later signals have come,
        // the first one has surely been passed over.
        prepareForSleep(fake, true);
        send(fake, screenSaverPath, screenSaverService, QStringLiteral("ActiveChanged"), true);
        QTRY_VERIFY_WITH_TIMEOUT(log.contains("displaysDidSleep"), busTimeoutMs);
        send(fake, screenSaverPath, screenSaverService, QStringLiteral("ActiveChanged"), false);
        QTRY_VERIFY_WITH_TIMEOUT(log.contains("displaysDidWake"), busTimeoutMs);
        QCOMPARE(log, (QStringList{"displaysDidSleep", "displaysDidWake"}));
    }
};

WISPLET_TEST_MAIN(SessionSleepWatcherTest)

#include "tst_sessionsleepwatcher.moc"
