#include "Wisplet/Platform/SingleInstance.h"
#include "Wisplet/Tools/Files/FileShelf.h"
#include "tests/support/FakeBusService.h"
#include "tests/support/Files.h"
#include "tests/support/HeldBusProxy.h"
#include "tests/support/LaunchedProgram.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/PrivateDisplay.h"
#include "tests/support/TestMain.h"
#include "tests/support/XTools.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QSemaphore>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <sys/stat.h>

namespace {

using LaunchedProgram::exitedWith;
using LaunchedProgram::visibleWindowOf;
using XTools::timeoutMs;

std::unique_ptr<QProcess> program(const QMap<QString, QString>& changes)
{
    return LaunchedProgram::start(QStringLiteral(WISPLET_BINARY), changes);
}

// The program with one picture on its shelf and the files tool alone. The picture is of a test format whose
// decoding marks a file and then takes a while (a minute, unless seconds says otherwise).
struct ShelfWithASlowPicture
{
    LaunchedProgram::Session wisplet;
    QString decoding = wisplet.homeFile(QStringLiteral("decoding"));

    bool start(const QString& pictureInHome, const QByteArray& seconds)
    {
        const QString picture = wisplet.homeFile(pictureInHome);
        if (!TestFiles::write(picture, "SLOWIMAGE"))
            return false;
        FileShelf(wisplet.homeFile(QStringLiteral("data/Wisplet"))).add({QUrl::fromLocalFile(picture)});
        // Seen by the program started now, not by the tests after.
        qputenv("QT_PLUGIN_PATH", SLOW_IMAGE_PLUGINS);
        qputenv("SLOW_IMAGE_MARKER", QFile::encodeName(decoding));
        qputenv("SLOW_IMAGE_SECONDS", seconds);
        const bool started =
            wisplet.start(QStringLiteral(WISPLET_BINARY),
                          R"({"onboarded": true, "tools.order": ["files"], "tools.enabled": ["files"]})");
        for (const char* name : {"QT_PLUGIN_PATH", "SLOW_IMAGE_MARKER", "SLOW_IMAGE_SECONDS"})
            qunsetenv(name);
        return started;
    }
};

enum class Settings { onboarded, none, fifo };
enum class Slow { sessionBus, systemBus, trayWatcher };

// The welcome window once it has the focus, as it takes it when it opens; 0 until then.
quint32 focusedWelcomeOf(const QProcess& process)
{
    const QStringList named =
        XTools::run(QStringLiteral("xdotool"),
                    {QStringLiteral("search"), QStringLiteral("--pid"), QString::number(process.processId()),
                     QStringLiteral("--name"), QStringLiteral("Welcome to Wisplet")})
            .value_or(QString())
            .split(u'\n', Qt::SkipEmptyParts);
    const quint32 focused = XTools::focusedWindow();
    return named.contains(QString::number(focused)) ? focused : 0;
}

// A keyring of its own on the bus, so that the program keeps a connection through libsecret as well.
// Its process id, 0 when it did not come up.
uint startKeyring(const QString& busAddress, const TempFolder& home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    QProcess daemon;
    daemon.setProcessEnvironment(environment);
    daemon.start(QStringLiteral("gnome-keyring-daemon"),
                 {QStringLiteral("--unlock"), QStringLiteral("--components=secrets")});
    daemon.write("wisplet-test");
    daemon.closeWriteChannel();
    if (!daemon.waitForFinished(timeoutMs))
        return 0;
    QDBusConnection bus = QDBusConnection::connectToBus(busAddress, QStringLiteral("keyring-check"));
    const QString secrets = QStringLiteral("org.freedesktop.secrets");
    uint pid = 0;
    QTRY_LOOP_IMPL((pid = bus.interface()->servicePid(secrets).value()) != 0, timeoutMs, 50);
    QDBusConnection::disconnectFromBus(QStringLiteral("keyring-check"));
    return pid;
}

} // namespace

// A desktop panel's tray host: with one on the bus, Qt shows the tray icon through the bus, and waits for
// the bus as it does.
class FakeTrayHost final : public FakeBusService
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isStatusNotifierHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    explicit FakeTrayHost(const QString& busAddress)
        : FakeBusService(QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
                         QStringLiteral("fake-tray-host"), busAddress)
    { }

    bool isStatusNotifierHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

    // Written on the peers' thread.
    QAtomicInt registered = 0;

public slots:
    void RegisterStatusNotifierItem(const QString&) { ++registered; }
};

// The accessibility launcher, which Qt asks on the main thread whether a screen reader runs: none does.
class FakeAccessibilityLauncher final : public FakeBusService
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.a11y.Status")
    Q_PROPERTY(bool IsEnabled READ no)
    Q_PROPERTY(bool ScreenReaderEnabled READ no)

public:
    explicit FakeAccessibilityLauncher(const QString& busAddress)
        : FakeBusService(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                         QStringLiteral("fake-accessibility"), busAddress)
    { }

    bool no() const { return false; }
};

// A tray watcher that answers the first question put to it, whatever it is, and then no more, as one that
// hangs while the desktop starts.
class OnceAnsweringTrayWatcher final : public QDBusVirtualObject
{
public:
    explicit OnceAnsweringTrayWatcher(QSemaphore& released)
        : m_released(released)
    { }

    QString introspect(const QString&) const override
    {
        return QStringLiteral(R"(<interface name="org.kde.StatusNotifierWatcher">)"
                              R"(<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>)"
                              R"(</interface>)");
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (m_answered++ > 0) {
            m_released.tryAcquire(1, 60'000);
            return true;
        }
        const bool property = message.member() == QLatin1String("Get");
        connection.send(property ? message.createReply(QVariant::fromValue(QDBusVariant(true)))
                                 : message.createReply(QStringLiteral("<node>%1</node>").arg(introspect({}))));
        return true;
    }

private:
    QSemaphore& m_released;
    int m_answered = 0;
};

// The desktop's tray host and accessibility launcher on a thread of their own, so that the test can keep
// them from answering for a while, as they are while a desktop starts, and go on meanwhile.
class DesktopPeers final
{
public:
    enum class Watcher { answering, answeringOnce };

    explicit DesktopPeers(const QString& busAddress, Watcher watcher = Watcher::answering)
    {
        m_thread.start();
        onTheirThread([this, busAddress, watcher] {
            tray = std::make_unique<FakeTrayHost>(busAddress);
            m_accessibility = std::make_unique<FakeAccessibilityLauncher>(busAddress);
            m_registered = m_accessibility->registerOnBus();
            if (watcher == Watcher::answering) {
                m_registered = m_registered && tray->registerOnBus();
            } else {
                m_onceAnswering = std::make_unique<OnceAnsweringTrayWatcher>(m_released);
                m_registered = m_registered && tray->bus.registerVirtualObject(tray->path(), m_onceAnswering.get())
                    && tray->bus.registerService(tray->service());
            }
        });
    }

    ~DesktopPeers()
    {
        // Enough for every question held.
        m_released.release(1'000);
        onTheirThread([this] {
            tray.reset();
            m_accessibility.reset();
        });
        m_thread.quit();
        m_thread.wait();
    }

    Q_DISABLE_COPY_MOVE(DesktopPeers)

    bool isRegistered() const { return m_registered; }
    // Neither answers anything for that long, or until the peers go.
    void holdFor(int ms)
    {
        QMetaObject::invokeMethod(tray.get(), [this, ms] { m_released.tryAcquire(1, ms); });
    }

    std::unique_ptr<FakeTrayHost> tray;

private:
    void onTheirThread(const std::function<void()>& work)
    {
        QObject context;
        context.moveToThread(&m_thread);
        QMetaObject::invokeMethod(&context, work, Qt::BlockingQueuedConnection);
    }

    QThread m_thread;
    QSemaphore m_released;
    std::unique_ptr<FakeAccessibilityLauncher> m_accessibility;
    std::unique_ptr<OnceAnsweringTrayWatcher> m_onceAnswering;
    bool m_registered = false;
};

class TestLaunch final : public QObject
{
    Q_OBJECT

private slots:
    void withoutAnXDisplayItSaysSoAndStops_data()
    {
        QTest::addColumn<QString>("display");
        QTest::newRow("DISPLAY not set") << QString();
        QTest::newRow("no X server behind DISPLAY") << QStringLiteral(":4093");
    }

    void withoutAnXDisplayItSaysSoAndStops()
    {
        QFETCH(QString, display);
        const auto wisplet = program({{QStringLiteral("DISPLAY"), display}});
        QVERIFY(exitedWith(*wisplet, 1));
        const QString said = QString::fromLocal8Bit(wisplet->readAllStandardError());
        QVERIFY2(said.startsWith(QLatin1String("Wisplet needs an X11 display"))
                     && said.contains(QLatin1String("XWayland")),
                 qPrintable(said));
    }

    void aSecondStartBringsTheRunningOneForward_data()
    {
        QTest::addColumn<Settings>("settingsFile");
        QTest::newRow("one who has seen the welcome") << Settings::onboarded;
        QTest::newRow("a new user") << Settings::none;
        // Which once hung the start; unread, the settings make a new user of anyone.
        QTest::newRow("a FIFO for a settings file") << Settings::fifo;
    }

    // The panel comes forward; put away half-way through, the welcome is what comes back instead.
    void aSecondStartBringsTheRunningOneForward()
    {
        QFETCH(Settings, settingsFile);
        PrivateBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.errorText()));
        const TempFolder home;
        const QString settings = home.file(QStringLiteral("config/Wisplet/defaults.json"));
        if (settingsFile == Settings::onboarded)
            QVERIFY(TestFiles::write(settings, R"({"onboarded": true})"));
        if (settingsFile == Settings::fifo) {
            QVERIFY(QDir().mkpath(QFileInfo(settings).absolutePath()));
            QVERIFY(::mkfifo(QFile::encodeName(settings).constData(), 0600) == 0);
        }
        const QMap<QString, QString> environment{
            {QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address()},
            {QStringLiteral("XDG_CONFIG_HOME"), home.file(QStringLiteral("config"))},
            {QStringLiteral("XDG_DATA_HOME"), home.file(QStringLiteral("data"))},
            // Leaks are for the unit tests; this one is about what the user sees.
            {QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0")}};
        const auto running = program(environment);
        if (settingsFile == Settings::fifo) {
            QString said;
            QTRY_VERIFY_WITH_TIMEOUT((said += QString::fromLocal8Bit(running->readAllStandardError()),
                                      said.contains(settings) && said.contains(QLatin1String("not a regular file"))),
                                     timeoutMs * 3);
        }
        quint32 forward = 0;
        if (settingsFile == Settings::onboarded) {
            QTRY_VERIFY_WITH_TIMEOUT((forward = visibleWindowOf(*running)) != 0, timeoutMs * 3);
            QVERIFY(XTools::focusedWindow() != forward);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT((forward = focusedWelcomeOf(*running)) != 0, timeoutMs * 3);
            QVERIFY(XTools::xdotool({QStringLiteral("windowminimize"), QString::number(forward)}));
            QTRY_VERIFY_WITH_TIMEOUT(!XTools::isViewable(forward), timeoutMs);
        }

        const auto second = program(environment);
        QVERIFY(exitedWith(*second, 0));
        QTRY_VERIFY_WITH_TIMEOUT(XTools::isViewable(forward) && XTools::focusedWindow() == forward, timeoutMs);
        QCOMPARE(running->state(), QProcess::Running);
        running->terminate();
        QVERIFY(exitedWith(*running, 0));
    }

    void losingTheSessionBusLeavesItRunning()
    {
        PrivateBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.errorText()));
        const TempFolder home;
        const uint keyring = startKeyring(bus.address(), home);
        QVERIFY(keyring != 0);
        const auto stopKeyring = qScopeGuard([keyring] { ::kill(pid_t(keyring), SIGTERM); });
        QMap<QString, QString> environment = LaunchedProgram::homeOnBus(bus.address(), home);
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
        const auto running = program(environment);
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindowOf(*running) != 0, timeoutMs * 3);
        const quint32 panel = visibleWindowOf(*running);

        bus.stop();
        QString said;
        QTRY_VERIFY_WITH_TIMEOUT(
            (said += QString::fromLocal8Bit(running->readAllStandardError()), said.contains(u'\n')), timeoutMs);
        // Long enough for a quit on its way to happen.
        QVERIFY(!running->waitForFinished(2000));
        said += QString::fromLocal8Bit(running->readAllStandardError());
        QVERIFY(XTools::isViewable(panel));
        QVERIFY2(said.count(u'\n') == 1 && said.contains(QLatin1String("session bus")), qPrintable(said));
        running->terminate();
        QVERIFY(exitedWith(*running, 0));
    }

    // A bus daemon that stops answering (stopped, swamped), from the start or before the quit: the island still
    // shows, and SIGTERM still ends the program in order.
    void aSilentBusHoldsNothingUp_data()
    {
        QTest::addColumn<bool>("sessionBus");
        QTest::addColumn<bool>("beforeTheQuit");
        QTest::newRow("session bus silent from the start") << true << false;
        QTest::newRow("session bus silent before the quit") << true << true;
        QTest::newRow("system bus silent from the start") << false << false;
    }

    void aSilentBusHoldsNothingUp()
    {
        QFETCH(bool, sessionBus);
        QFETCH(bool, beforeTheQuit);
        LaunchedProgram::Session session;
        QVERIFY2(session.startBus(), qPrintable(session.errorText()));
        PrivateBus systemBus;
        QVERIFY2(sessionBus || systemBus.start(), qPrintable(systemBus.errorText()));
        PrivateBus& silent = sessionBus ? session.bus() : systemBus;
        // With a tray host on the bus, Qt's tray icon goes through the bus, and so does its end.
        DesktopPeers peers(session.busAddress());
        QVERIFY(peers.isRegistered());
        // A frozen daemon would outlive the test, and the peers would wait for it as they go.
        const auto thaw = qScopeGuard([&silent] { silent.resume(); });
        const QByteArray systemBefore = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
        const auto restore = qScopeGuard([&systemBefore] { qputenv("DBUS_SYSTEM_BUS_ADDRESS", systemBefore); });
        if (!sessionBus)
            qputenv("DBUS_SYSTEM_BUS_ADDRESS", systemBus.address().toUtf8());
        if (!beforeTheQuit)
            QVERIFY(silent.pause());
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(session.start(QStringLiteral(WISPLET_BINARY), R"({"onboarded": true})"),
                 qPrintable(session.errorText()));
        QVERIFY2(clock.elapsed() < 3'000,
                 qPrintable(QStringLiteral("the island showed after %1 ms").arg(clock.elapsed())));
        if (beforeTheQuit) {
            QTRY_VERIFY_WITH_TIMEOUT(peers.tray->registered.loadRelaxed() > 0, timeoutMs);
            QVERIFY(silent.pause());
        }

        QProcess& running = session.process();
        running.terminate();
        QVERIFY(running.waitForFinished(2'000));
        QCOMPARE(running.exitStatus(), QProcess::NormalExit);
        QCOMPARE(running.exitCode(), 0);
    }

    // A daemon or a desktop peer that is slow at the start costs nothing for the run: the bus comes once the
    // daemon answers, the name stays, and the tray icon comes once the tray host answers.
    void aSlowStartCostsNothing_data()
    {
        QTest::addColumn<int>("daemonStoppedMs");
        QTest::addColumn<int>("peersHeldMs");
        QTest::newRow("daemon stopped for 1.5 s") << 1500 << 0;
        QTest::newRow("tray host and accessibility launcher held for 2 s") << 0 << 2000;
    }

    void aSlowStartCostsNothing()
    {
        QFETCH(int, daemonStoppedMs);
        QFETCH(int, peersHeldMs);
        LaunchedProgram::Session session;
        QVERIFY2(session.startBus(), qPrintable(session.errorText()));
        DesktopPeers peers(session.busAddress());
        QVERIFY(peers.isRegistered());
        QDBusConnection bus = QDBusConnection::connectToBus(session.busAddress(), QStringLiteral("observer"));
        const auto disconnect = qScopeGuard([] { QDBusConnection::disconnectFromBus(QStringLiteral("observer")); });
        const auto thaw = qScopeGuard([&session] { session.bus().resume(); });
        QVERIFY(daemonStoppedMs == 0 || session.bus().pause());
        peers.holdFor(peersHeldMs);
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(session.start(QStringLiteral(WISPLET_BINARY), R"({"onboarded": true})"),
                 qPrintable(session.errorText()));
        // Not before: the test's own calls would wait for the daemon.
        if (daemonStoppedMs > 0) {
            QTest::qWait(std::max(0, daemonStoppedMs - int(clock.elapsed())));
            session.bus().resume();
        }

        const QString name = QString::fromLatin1(SingleInstance::busName);
        QTRY_VERIFY_WITH_TIMEOUT(bus.interface()->servicePid(name).value() == uint(session.process().processId()),
                                 timeoutMs);
        // Qt's own tray connection is made while the daemon is stopped only if it never is.
        if (daemonStoppedMs == 0)
            QTRY_VERIFY_WITH_TIMEOUT(peers.tray->registered.loadRelaxed() > 0, timeoutMs);
        QProcess& running = session.process();
        QVERIFY(running.waitForFinished(500) == false);
        QVERIFY(bus.interface()->isServiceRegistered(name).value());
        running.terminate();
        QVERIFY(running.waitForFinished(2'000));
        QCOMPARE(running.exitCode(), 0);
    }

    // A daemon that answers a client's first line and then is slow, in front of the session bus or of the
    // system bus, or a tray watcher that answers once and then hangs: the island shows, the other bus serves at
    // once, and SIGTERM ends the program in order.
    void somethingSlowAfterItsFirstAnswerHoldsNothingUp_data()
    {
        QTest::addColumn<Slow>("slow");
        QTest::newRow("session bus") << Slow::sessionBus;
        QTest::newRow("system bus") << Slow::systemBus;
        QTest::newRow("tray watcher") << Slow::trayWatcher;
    }

    void somethingSlowAfterItsFirstAnswerHoldsNothingUp()
    {
        QFETCH(Slow, slow);
        LaunchedProgram::Session session;
        QVERIFY2(session.startBus(), qPrintable(session.errorText()));
        DesktopPeers peers(session.busAddress(),
                           slow == Slow::trayWatcher ? DesktopPeers::Watcher::answeringOnce
                                                     : DesktopPeers::Watcher::answering);
        QVERIFY(peers.isRegistered());
        PrivateBus systemBus;
        QVERIFY2(slow != Slow::systemBus || systemBus.start(), qPrintable(systemBus.errorText()));
        HeldBusProxy proxy(slow == Slow::systemBus ? systemBus.address() : session.busAddress());
        QVERIFY(proxy.start());
        const QByteArray systemBefore = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
        const auto restore = qScopeGuard([&systemBefore] { qputenv("DBUS_SYSTEM_BUS_ADDRESS", systemBefore); });
        if (slow == Slow::sessionBus)
            session.reachBusThrough(proxy.address());
        if (slow == Slow::systemBus)
            qputenv("DBUS_SYSTEM_BUS_ADDRESS", proxy.address().toUtf8());
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(session.start(QStringLiteral(WISPLET_BINARY), R"({"onboarded": true})"),
                 qPrintable(session.errorText()));
        QVERIFY2(clock.elapsed() < 3'000,
                 qPrintable(QStringLiteral("the island showed after %1 ms").arg(clock.elapsed())));
        QProcess& running = session.process();
        if (slow == Slow::systemBus) {
            QDBusConnection bus = QDBusConnection::connectToBus(session.busAddress(), QStringLiteral("observer"));
            const auto disconnect = qScopeGuard([] { QDBusConnection::disconnectFromBus(QStringLiteral("observer")); });
            const QString name = QString::fromLatin1(SingleInstance::busName);
            QTRY_VERIFY_WITH_TIMEOUT(bus.interface()->servicePid(name).value() == uint(running.processId()), 3'000);
            QTRY_VERIFY_WITH_TIMEOUT(peers.tray->registered.loadRelaxed() > 0, 3'000);
        }
        QVERIFY(!running.waitForFinished(slow == Slow::trayWatcher ? 1'000 : 0));
        running.terminate();
        QVERIFY(running.waitForFinished(2'000));
        QCOMPARE(running.exitCode(), 0);
    }

    // Qt asks the accessibility launcher on the main thread whether a screen reader runs: one that does not
    // answer holds the main thread, and SIGTERM still ends the program within 2 s.
    void aSignalEndsTheProgramWhateverHoldsIt()
    {
        LaunchedProgram::Session session;
        QVERIFY2(session.startBus(), qPrintable(session.errorText()));
        DesktopPeers peers(session.busAddress());
        QVERIFY(peers.isRegistered());
        peers.holdFor(60'000);
        const TempFolder home;
        const auto running = program(LaunchedProgram::homeOnBus(session.busAddress(), home));
        QVERIFY(running->waitForStarted(timeoutMs));
        QTest::qWait(2'000);
        QCOMPARE(running->state(), QProcess::Running);
        QElapsedTimer clock;
        clock.start();
        running->terminate();
        QVERIFY(running->waitForFinished(2'500));
        QVERIFY2(clock.elapsed() < 2'000, qPrintable(QStringLiteral("ended after %1 ms").arg(clock.elapsed())));
        QCOMPARE(running->exitCode(), 128 + SIGTERM);
    }

    // Two displays of one user share the data folder: a start on the other display runs no second copy over
    // the same files. Through the same bus the running one comes forward; through another the user is told.
    void aStartOnAnotherDisplayLeavesTheDataToTheRunningOne_data()
    {
        QTest::addColumn<bool>("sameBus");
        QTest::newRow("same bus") << true;
        QTest::newRow("another bus") << false;
    }

    void aStartOnAnotherDisplayLeavesTheDataToTheRunningOne()
    {
        QFETCH(bool, sameBus);
        LaunchedProgram::Session first;
        QVERIFY2(first.start(QStringLiteral(WISPLET_BINARY), R"({"onboarded": true})"), qPrintable(first.errorText()));
        PrivateBus otherBus;
        QVERIFY2(sameBus || otherBus.start(), qPrintable(otherBus.errorText()));
        PrivateDisplay display;
        QVERIFY2(display.start(QSize(1024, 768)), qPrintable(display.errorText()));

        const auto second =
            program({{QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), sameBus ? first.busAddress() : otherBus.address()},
                     {QStringLiteral("XDG_CONFIG_HOME"), first.homeFile(QStringLiteral("config"))},
                     {QStringLiteral("XDG_DATA_HOME"), first.homeFile(QStringLiteral("data"))},
                     {QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0")}});
        QVERIFY(exitedWith(*second, 0));
        const QString said = QString::fromLocal8Bit(second->readAllStandardError());
        QVERIFY2(said.contains(QLatin1String("already running")) != sameBus, qPrintable(said));
        QCOMPARE(first.process().state(), QProcess::Running);
    }

    // A worker still decoding a shelf picture when the program is asked to quit is not waited for.
    void quitsWithoutWaitingForAWorker()
    {
        ShelfWithASlowPicture shelf;
        QVERIFY2(shelf.start(QStringLiteral("picture.slow"), {}), qPrintable(shelf.wisplet.errorText()));
        QProcess* running = &shelf.wisplet.process();
        // The shelf's page asks for the picture's thumbnail, which a worker starts to decode.
        QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+1")}));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(shelf.decoding), timeoutMs);

        running->terminate();
        QVERIFY(running->waitForFinished(2'000));
        QCOMPARE(running->exitStatus(), QProcess::NormalExit);
        QCOMPARE(running->exitCode(), 0);
    }

    // A copy of a shelf picture the user asked for, still being made when the program is asked to quit, is
    // finished within the quit's time and leaves nothing else in the user's folder.
    void aCopyUnderWayAtQuitIsFinished()
    {
        ShelfWithASlowPicture shelf;
        QVERIFY2(shelf.start(QStringLiteral("pictures/picture.png"), "1"), qPrintable(shelf.wisplet.errorText()));
        QProcess* running = &shelf.wisplet.process();
        const quint32 panel = shelf.wisplet.panel();
        // The shelf's page, once the panel has opened and come to rest, its picture's thumbnail decoding; then
        // the picture chosen and its copy asked for.
        QVERIFY(LaunchedProgram::openPanelWithKey(panel, QStringLiteral("ctrl+alt+1")));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(shelf.decoding), timeoutMs);
        QVERIFY(QFile::remove(shelf.decoding));
        const QPoint panelCorner = XTools::frameOf(panel).topLeft();
        // The button shows once the picture is chosen, with the click. On a loaded machine a click can find the
        // list or the button not there yet: both are made again until the sheet shows (neither does harm twice).
        const QString sheet = QStringLiteral("^Export an image copy$");
        const auto sheetShows = [&] { return LaunchedProgram::visibleWindowsOf(*running, sheet).size() == 1; };
        bool shown = false;
        for (int tries = 0; tries < 3 && !shown; ++tries) {
            QVERIFY(XTools::clickAt(panelCorner + QPoint(123, 212)));
            QVERIFY(XTools::clickAt(panelCorner + QPoint(220, 400)));
            shown = QTest::qWaitFor(sheetShows, timeoutMs / 3);
        }
        QVERIFY(shown);
        // "Save copy…", then the proposed name beside the picture.
        QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
        QTRY_COMPARE_WITH_TIMEOUT(LaunchedProgram::visibleWindowsOf(*running, QStringLiteral("^Save copy$")).size(), 1,
                                  timeoutMs);
        QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(shelf.decoding), timeoutMs);

        running->terminate();
        QVERIFY(running->waitForFinished(2'000));
        QCOMPARE(running->exitStatus(), QProcess::NormalExit);
        QCOMPARE(QDir(shelf.wisplet.homeFile(QStringLiteral("pictures"))).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"picture-converted.jpeg", "picture.png"}));
    }
};

WISPLET_TEST_MAIN(TestLaunch)
#include "tst_launch.moc"
