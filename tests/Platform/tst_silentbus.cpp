#include "Wisplet/Platform/BusConnector.h"
#include "Wisplet/Platform/BusProbe.h"
#include "Wisplet/Platform/FreedesktopNotifications.h"
#include "Wisplet/Platform/PortalMotionSetting.h"
#include "Wisplet/Platform/SessionSleepWatcher.h"
#include "Wisplet/Platform/SingleInstance.h"
#include "tests/support/HeldBusProxy.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"

#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QScopeGuard>

#include <future>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
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

// Points a bus variable at an address until the returned guard goes.
auto busVariableAt(const char* variable, const QString& address)
{
    QByteArray before = qgetenv(variable);
    qputenv(variable, address.toUtf8());
    return qScopeGuard([variable, before = std::move(before)] { qputenv(variable, before); });
}

// The probe with no limit, on a thread of its own as the program runs it.
std::future<BusProbe::Greeting> probe(const QString& address)
{
    return std::async(std::launch::async, [address = address.toUtf8()] {
        return BusProbe::greet(address, QDeadlineTimer(QDeadlineTimer::Forever));
    });
}

bool ended(const std::future<BusProbe::Greeting>& probing, int withinMs)
{
    return probing.wait_for(std::chrono::milliseconds(withinMs)) == std::future_status::ready;
}

// A socket that listens and never accepts: a daemon that never gets round to its new clients.
struct DeafListener
{
    int fd = -1;
    QString address;

    explicit DeafListener(int family)
    {
        fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_storage storage{};
        socklen_t length = sizeof(sockaddr_in);
        if (family == AF_UNIX) {
            const QByteArray name = QByteArrayLiteral("wisplet-deaf-") + QByteArray::number(::getpid());
            auto* local = reinterpret_cast<sockaddr_un*>(&storage);
            local->sun_family = AF_UNIX;
            std::copy(name.cbegin(), name.cend(), local->sun_path + 1);
            length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size());
            address = QStringLiteral("unix:abstract=") + QString::fromLatin1(name);
        } else {
            auto* inet = reinterpret_cast<sockaddr_in*>(&storage);
            inet->sin_family = AF_INET;
            inet->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        }
        ::bind(fd, reinterpret_cast<const sockaddr*>(&storage), length);
        ::listen(fd, 8);
        if (family == AF_INET && ::getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length) == 0) {
            const int port = ntohs(reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
            address = QStringLiteral("tcp:host=127.0.0.1,port=%1,family=ipv4").arg(port);
        }
    }
    ~DeafListener()
    {
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
    }
    Q_DISABLE_COPY_MOVE(DeafListener)
};

} // namespace

Q_DECLARE_METATYPE(Row)
Q_DECLARE_METATYPE(BusProbe::Greeting)

// A session bus whose daemon stops answering (stopped, swamped) after the program connected, or before.
class TestSilentBus final : public QObject
{
    Q_OBJECT

private:
    PrivateBus m_live;
    PrivateBus m_frozen;
    QDBusConnection m_frozenConnection{QString()};
    TempFolder m_folder;
    DeafListener m_deafLocal{AF_UNIX};
    DeafListener m_deafTcp{AF_INET};
    // Answers the start of a client's authentication, then nothing.
    std::unique_ptr<HeldBusProxy> m_slow;

private slots:
    void initTestCase()
    {
        QVERIFY2(m_live.start(), qPrintable(m_live.errorText()));
        QVERIFY2(m_frozen.start(), qPrintable(m_frozen.errorText()));
        m_frozenConnection = QDBusConnection::connectToBus(m_frozen.address(), QStringLiteral("frozen"));
        QVERIFY(m_frozenConnection.isConnected());
        QVERIFY(m_frozen.pause());
        m_slow = std::make_unique<HeldBusProxy>(m_live.address());
        QVERIFY(m_slow->start());
    }

    void cleanupTestCase() { m_frozen.resume(); }

    // The probe waits for a daemon however long it is stopped or swamped, and for nothing else: libdbus does
    // not wait where nothing listens, and kinds of address the probe cannot try are its own.
    void theProbeWaitsForASilentDaemonOnly_data()
    {
        using BusProbe::Greeting;
        QTest::addColumn<QString>("address");
        QTest::addColumn<Greeting>("greeting");
        const QString live = m_live.address();
        const QString frozen = m_frozen.address();
        const QString nowhere = QStringLiteral("unix:path=/nonexistent/bus");
        QTest::newRow("answering") << live << Greeting::answered;
        QTest::newRow("stopped") << frozen << Greeting::silent;
        QTest::newRow("stopped, its path escaped") << escapedPath(frozen) << Greeting::silent;
        QTest::newRow("abstract socket, never accepted") << m_deafLocal.address << Greeting::silent;
        QTest::newRow("TCP, never accepted") << m_deafTcp.address << Greeting::silent;
        QTest::newRow("answering the first line only") << m_slow->address() << Greeting::silent;
        QTest::newRow("nothing listens") << nowhere << Greeting::nobodyListens;
        QTest::newRow("nothing listens, then stopped") << nowhere + u';' + frozen << Greeting::silent;
        QTest::newRow("nothing listens on TCP, then stopped")
            << QStringLiteral("tcp:host=localhost,port=1;") + frozen << Greeting::silent;
        QTest::newRow("stopped, then answering") << frozen + u';' + live << Greeting::silent;
        QTest::newRow("a kind it cannot try") << QStringLiteral("autolaunch:") << Greeting::unknownKind;
        QTest::newRow("no address") << QString() << Greeting::unknownKind;
    }

    void theProbeWaitsForASilentDaemonOnly()
    {
        QFETCH(QString, address);
        QFETCH(BusProbe::Greeting, greeting);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(BusProbe::greet(address.toUtf8(), QDeadlineTimer(probeMs)), greeting);
        QVERIFY(greeting == BusProbe::Greeting::silent ? clock.elapsed() >= probeMs : clock.elapsed() < promptMs);
    }

    void theProbeEndsWhenTheDaemonGoesOn()
    {
        PrivateBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.errorText()));
        QVERIFY(bus.pause());
        std::future<BusProbe::Greeting> probing = probe(bus.address());
        QVERIFY(!ended(probing, probeMs));
        bus.resume();
        QVERIFY(ended(probing, promptMs));
        QCOMPARE(probing.get(), BusProbe::Greeting::answered);
    }

    // A session without the variable, or with an empty one, has its bus in the runtime folder, where libdbus
    // finds it: the probe looks there too, and only there.
    void theProbeFindsTheBusWhereLibdbusDoes_data()
    {
        using BusProbe::Greeting;
        QTest::addColumn<QString>("variable");
        QTest::addColumn<bool>("runtimeBus");
        QTest::addColumn<Greeting>("greeting");
        QTest::newRow("no address, stopped daemon in the runtime folder") << QString() << true << Greeting::silent;
        QTest::newRow("an empty address, stopped daemon in the runtime folder")
            << QStringLiteral("") << true << Greeting::silent;
        QTest::newRow("an answering address, stopped daemon in the runtime folder")
            << m_live.address() << true << Greeting::answered;
        QTest::newRow("no address, no bus in the runtime folder") << QString() << false << Greeting::unknownKind;
    }

    void theProbeFindsTheBusWhereLibdbusDoes()
    {
        QFETCH(QString, variable);
        QFETCH(bool, runtimeBus);
        QFETCH(BusProbe::Greeting, greeting);
        const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const auto restore = qScopeGuard([&] {
            qputenv("DBUS_SESSION_BUS_ADDRESS", address);
            qputenv("XDG_RUNTIME_DIR", runtime);
        });
        TempFolder folder;
        const QString frozen = m_frozen.address().section(u',', 0, 0).mid(QStringLiteral("unix:path=").size());
        QVERIFY(!runtimeBus || QFile::link(frozen, folder.file(QStringLiteral("bus"))));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.path()));
        if (variable.isNull())
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        else
            qputenv("DBUS_SESSION_BUS_ADDRESS", variable.toUtf8());
        QCOMPARE(BusProbe::greet(BusProbe::addressOf(BusProbe::Bus::session), QDeadlineTimer(probeMs)), greeting);
    }

    // The bus comes once its daemon answers, however late; where nothing listens, the connection fails at
    // once. The main thread never waits meanwhile.
    void aConnectorGivesTheBusWhenTheDaemonAnswers_data()
    {
        QTest::addColumn<int>("stoppedMs");
        QTest::addColumn<bool>("listens");
        QTest::newRow("answering") << 0 << true;
        QTest::newRow("stopped for 1.5 s") << 1500 << true;
        QTest::newRow("nothing listens") << 0 << false;
    }

    void aConnectorGivesTheBusWhenTheDaemonAnswers()
    {
        QFETCH(int, stoppedMs);
        QFETCH(bool, listens);
        PrivateBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.errorText()));
        const auto thaw = qScopeGuard([&bus] { bus.resume(); });
        QVERIFY(stoppedMs == 0 || bus.pause());
        // The system bus: Qt's default session connection is the test's own.
        const auto restore = busVariableAt("DBUS_SYSTEM_BUS_ADDRESS",
                                           listens ? bus.address() : QStringLiteral("unix:path=/nonexistent/bus"));
        QElapsedTimer clock;
        clock.start();
        BusConnector connector(BusProbe::Bus::system);
        std::optional<QDBusConnection> given;
        connector.whenDone(this, [&given](const QDBusConnection& connection) { given = connection; });
        QVERIFY2(clock.elapsed() < probeMs, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
        if (stoppedMs > 0) {
            QTest::qWait(stoppedMs);
            QVERIFY(!given);
            bus.resume();
        }
        QTRY_VERIFY_WITH_TIMEOUT(given, promptMs);
        QCOMPARE(given->isConnected(), listens);
        QCOMPARE(given->interface() && given->interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus")),
                 listens);
    }

    void nothingWaitsForAFrozenBus_data()
    {
        QTest::addColumn<Row>("row");
        QTest::newRow("one-instance name asked for") << Row{[](const QDBusConnection& bus, const QString& folder) {
            SingleInstance instance({folder + QStringLiteral("/wisplet.lock")});
            QVERIFY(instance.isFirst());
            instance.useBus(bus);
        }};
        QTest::newRow("notifications") << Row{
            [](const QDBusConnection& bus, const QString&) { FreedesktopNotifications notifications(bus); }};
        QTest::newRow("screensaver") << Row{[](const QDBusConnection& bus, const QString&) {
            SessionSleepWatcher watcher(QDBusConnection(QStringLiteral("no system bus")), bus);
        }};
        QTest::newRow("sleep and wake") << Row{[](const QDBusConnection& bus, const QString&) {
            SessionSleepWatcher watcher(bus, QDBusConnection(QStringLiteral("no session bus")));
        }};
        QTest::newRow("motion setting") << Row{
            [](const QDBusConnection& bus, const QString&) { PortalMotionSetting motion(bus); }};
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
        auto instance = std::make_unique<SingleInstance>(QStringList{m_folder.file(QStringLiteral("owner.lock"))});
        instance->useBus(connection);
        QTRY_COMPARE(connection.interface()->serviceOwner(QString::fromLatin1(SingleInstance::busName)).value(),
                     connection.baseService());
        QVERIFY(bus.pause());
        QElapsedTimer clock;
        clock.start();
        instance.reset();
        QVERIFY2(clock.elapsed() < promptMs, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
    }
};

WISPLET_TEST_MAIN(TestSilentBus)
#include "tst_silentbus.moc"
