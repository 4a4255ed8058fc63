#include "Wisplet/Platform/BusProbe.h"
#include "Wisplet/Platform/BusWaitLimit.h"
#include "Wisplet/Platform/FreedesktopNotifications.h"
#include "Wisplet/Platform/SessionSleepWatcher.h"
#include "Wisplet/Platform/SingleInstance.h"
#include "Wisplet/Platform/TerminationSignals.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSignalSpy>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

// Far below the 25 s libdbus waits for an answer by default, far above what the work costs.
constexpr int promptMs = 1'000;
constexpr int probeMs = 300;

struct Row
{
    // Starts the piece on the bus and ends it again.
    std::function<void(const QDBusConnection& bus, const QString& folder)> startAndEnd;
};

QString escapedPath(const QString& address)
{
    const QString path = address.section(u',', 0, 0).mid(QStringLiteral("unix:path=").size());
    return QStringLiteral("unix:path=") + QString::fromLatin1(path.toUtf8().toPercentEncoding());
}

// A socket connected to a local socket as BusProbe names it; -1 when it cannot be.
int connectedTo(const QByteArray& socketName)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketName.isEmpty() || socketName.size() >= qsizetype(sizeof(address.sun_path)))
        return -1;
    std::copy(socketName.cbegin(), socketName.cend(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + socketName.size());
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Nothing to read yet, and not shut down (which reads as the end).
bool isOpen(int fd)
{
    char byte = 0;
    return ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) < 0 && errno == EAGAIN;
}

// Points the session bus variable at the bus until the returned guard goes.
auto sessionBusAt(const PrivateBus& bus)
{
    QByteArray before = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
    return qScopeGuard([before = std::move(before)] { qputenv("DBUS_SESSION_BUS_ADDRESS", before); });
}

} // namespace

Q_DECLARE_METATYPE(Row)

// A session bus whose daemon stops answering (stopped, swamped) after the program connected, or before.
class TestSilentBus final : public QObject
{
    Q_OBJECT

private:
    PrivateBus m_live;
    PrivateBus m_frozen;
    QDBusConnection m_frozenConnection{QString()};
    TempFolder m_folder;
    // A socket that listens and never accepts: a daemon that never gets round to its new clients.
    int m_deaf = -1;
    QByteArray m_deafName;

private slots:
    void initTestCase()
    {
        QVERIFY2(m_live.start(), qPrintable(m_live.errorText()));
        QVERIFY2(m_frozen.start(), qPrintable(m_frozen.errorText()));
        m_frozenConnection = QDBusConnection::connectToBus(m_frozen.address(), QStringLiteral("frozen"));
        QVERIFY(m_frozenConnection.isConnected());
        QVERIFY(m_frozen.pause());

        m_deafName = QByteArrayLiteral("wisplet-deaf-") + QByteArray::number(::getpid());
        m_deaf = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::copy(m_deafName.cbegin(), m_deafName.cend(), address.sun_path + 1);
        const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + m_deafName.size());
        QVERIFY(::bind(m_deaf, reinterpret_cast<const sockaddr*>(&address), length) == 0);
        QVERIFY(::listen(m_deaf, 8) == 0);
    }

    void cleanupTestCase()
    {
        m_frozen.resume();
        ::close(m_deaf);
    }

    void theProbeTellsASilentDaemon_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("silent");
        const QString live = m_live.address();
        const QString frozen = m_frozen.address();
        const QString nowhere = QStringLiteral("unix:path=/nonexistent/bus");
        QTest::newRow("answering") << live << false;
        QTest::newRow("frozen") << frozen << true;
        QTest::newRow("frozen, its path escaped") << escapedPath(frozen) << true;
        QTest::newRow("abstract socket, never accepted")
            << QStringLiteral("unix:abstract=") + QString::fromLatin1(m_deafName) << true;
        QTest::newRow("nothing listens") << nowhere << false;
        QTest::newRow("nothing listens, then frozen") << nowhere + u';' + frozen << true;
        QTest::newRow("frozen, then answering") << frozen + u';' + live << true;
        QTest::newRow("another transport first") << QStringLiteral("tcp:host=localhost,port=1;") + frozen << false;
        QTest::newRow("no address") << QString() << false;
    }

    void theProbeTellsASilentDaemon()
    {
        QFETCH(QString, address);
        QFETCH(bool, silent);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(BusProbe::isSilent(address.toUtf8(), probeMs), silent);
        QVERIFY(clock.elapsed() < promptMs);
    }

    // A session without the variable has its bus in the runtime folder, where libdbus finds it: the probe
    // looks there too, and only there.
    void theProbeFindsTheBusWhereLibdbusDoes_data()
    {
        QTest::addColumn<bool>("addressSet");
        QTest::addColumn<bool>("silent");
        QTest::newRow("no address, frozen daemon in the runtime folder") << false << true;
        QTest::newRow("an answering address, frozen daemon in the runtime folder") << true << false;
    }

    void theProbeFindsTheBusWhereLibdbusDoes()
    {
        QFETCH(bool, addressSet);
        QFETCH(bool, silent);
        const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const auto restore = qScopeGuard([&] {
            qputenv("DBUS_SESSION_BUS_ADDRESS", address);
            qputenv("XDG_RUNTIME_DIR", runtime);
        });
        TempFolder folder;
        const QByteArray frozen = BusProbe::localSockets(m_frozen.address().toUtf8()).value(0);
        QVERIFY(QFile::link(QString::fromUtf8(frozen), folder.file(QStringLiteral("bus"))));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.path()));
        if (addressSet)
            qputenv("DBUS_SESSION_BUS_ADDRESS", m_live.address().toUtf8());
        else
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        QCOMPARE(BusProbe::isSilent(BusProbe::addressOf(BusProbe::Bus::session), probeMs), silent);
    }

    void nothingWaitsForAFrozenBus_data()
    {
        QTest::addColumn<Row>("row");
        QTest::newRow("one-instance name asked for") << Row{[](const QDBusConnection& bus, const QString& folder) {
            SingleInstance instance(bus, {folder + QStringLiteral("/wisplet.lock")});
            QVERIFY(instance.isFirst());
        }};
        QTest::newRow("notifications") << Row{
            [](const QDBusConnection& bus, const QString&) { FreedesktopNotifications notifications(bus); }};
        QTest::newRow("screensaver") << Row{[](const QDBusConnection& bus, const QString&) {
            SessionSleepWatcher watcher(QDBusConnection(QStringLiteral("no system bus")), bus);
        }};
    }

    void nothingWaitsForAFrozenBus()
    {
        QFETCH(Row, row);
        QElapsedTimer clock;
        clock.start();
        row.startAndEnd(m_frozenConnection, m_folder.path());
        QVERIFY2(clock.elapsed() < promptMs, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
    }

    void theNameIsGivenBackWithoutWaiting()
    {
        PrivateBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.errorText()));
        const QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), QStringLiteral("owner"));
        auto instance =
            std::make_unique<SingleInstance>(connection, QStringList{m_folder.file(QStringLiteral("owner.lock"))});
        QTRY_COMPARE(connection.interface()->serviceOwner(QString::fromLatin1(SingleInstance::busName)).value(),
                     connection.baseService());
        QVERIFY(bus.pause());
        QElapsedTimer clock;
        clock.start();
        instance.reset();
        QVERIFY2(clock.elapsed() < promptMs, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
    }

    // Qt's own waits on a daemon that stops answering, for its greeting or for a call, end at a limit by
    // shutting down this process's connections to that bus; the sockets it was started with, and every other
    // socket, are left alone. A live daemon is never cut off.
    void aLimitEndsQtsWaitsOnTheBus_data()
    {
        QTest::addColumn<bool>("connectedBefore");
        QTest::addColumn<bool>("stops");
        QTest::newRow("greeting, daemon stopped") << false << true;
        QTest::newRow("call, daemon stopped") << true << true;
        QTest::newRow("greeting, daemon answering") << false << false;
        QTest::newRow("call, daemon answering") << true << false;
    }

    void aLimitEndsQtsWaitsOnTheBus()
    {
        QFETCH(bool, connectedBefore);
        QFETCH(bool, stops);
        PrivateBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.errorText()));
        const auto restore = sessionBusAt(bus);
        const int heldAtStart = connectedTo(BusProbe::localSockets(bus.address().toUtf8()).value(0));
        QVERIFY(heldAtStart >= 0);
        BusWaitLimit::spareSocketsHeldAtStart();
        int pair[2] = {-1, -1};
        QVERIFY(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) == 0);
        const auto close = qScopeGuard([&] {
            for (const int fd : {heldAtStart, pair[0], pair[1]})
                ::close(fd);
        });

        const QString name = QString::fromLatin1(QTest::currentDataTag());
        const auto disconnect = qScopeGuard([&name] { QDBusConnection::disconnectFromBus(name); });
        QDBusConnection connection(QString{});
        if (connectedBefore)
            connection = QDBusConnection::connectToBus(bus.address(), name);
        const auto thaw = qScopeGuard([&bus] { bus.resume(); });
        QVERIFY(!stops || bus.pause());
        QElapsedTimer clock;
        clock.start();
        bool reached = false;
        {
            const BusWaitLimit limit(BusProbe::Bus::session, std::chrono::milliseconds(probeMs));
            if (!connectedBefore)
                connection = QDBusConnection::connectToBus(bus.address(), name);
            const QDBusReply<bool> answer =
                connection.interface()->isServiceRegistered(QStringLiteral("org.example.Nobody"));
            QCOMPARE(answer.isValid(), !stops);
            reached = limit.wasReached();
        }
        QVERIFY2(clock.elapsed() < promptMs, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
        QCOMPARE(reached, stops);
        QTRY_COMPARE(connection.isConnected(), !stops);
        QVERIFY(isOpen(heldAtStart));
        QVERIFY(isOpen(pair[0]));
    }

    // A termination signal that comes while Qt waits on the main thread for a daemon (or a peer) that stopped
    // answering is taken all the same, soon enough to quit within 2 s: the wait is cut short. A main thread
    // that takes it keeps its bus.
    void aSignalEndsAWaitOnTheBus_data()
    {
        QTest::addColumn<bool>("stops");
        QTest::newRow("daemon stopped during a call") << true;
        QTest::newRow("daemon answering") << false;
    }

    void aSignalEndsAWaitOnTheBus()
    {
        QFETCH(bool, stops);
        PrivateBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.errorText()));
        const auto restore = sessionBusAt(bus);
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        const auto disconnect = qScopeGuard([&name] { QDBusConnection::disconnectFromBus(name); });
        const QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), name);
        QVERIFY(connection.isConnected());
        TerminationSignals handler;
        QSignalSpy requests(&handler, &TerminationSignals::terminationRequested);
        const auto thaw = qScopeGuard([&bus] { bus.resume(); });
        QVERIFY(!stops || bus.pause());

        QElapsedTimer clock;
        clock.start();
        std::thread signaller([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            ::kill(::getpid(), SIGTERM);
        });
        const QDBusReply<bool> answer =
            connection.interface()->isServiceRegistered(QStringLiteral("org.example.Nobody"));
        signaller.join();
        QCOMPARE(answer.isValid(), !stops);
        QTRY_COMPARE_WITH_TIMEOUT(requests.size(), 1, 2'000);
        QVERIFY2(clock.elapsed() < 2'000, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
        QCOMPARE(connection.isConnected(), !stops);
    }
};

WISPLET_TEST_MAIN(TestSilentBus)
#include "tst_silentbus.moc"
