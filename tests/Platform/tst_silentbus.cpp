#include "Wisplet/Platform/BusConnector.h"
#include "Wisplet/Platform/BusProbe.h"
#include "Wisplet/Platform/FreedesktopNotifications.h"
#include "Wisplet/Platform/SessionSleepWatcher.h"
#include "Wisplet/Platform/SingleInstance.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"

#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QScopeGuard>

#include <future>
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

// The probe, on a thread of its own as the program runs it.
std::future<void> probe(const QString& address)
{
    return std::async(std::launch::async, [address = address.toUtf8()] { BusProbe::waitForDaemon(address); });
}

bool ended(const std::future<void>& probing, int withinMs)
{
    return probing.wait_for(std::chrono::milliseconds(withinMs)) == std::future_status::ready;
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
    // Probes still waiting; ended by the daemons' thawing at the end.
    std::vector<std::future<void>> m_probes;

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
        ::shutdown(m_deaf, SHUT_RDWR);
        ::close(m_deaf);
    }

    // The probe waits for a daemon however long it is stopped, and for nothing else: libdbus does not wait
    // where nothing listens, and other transports are its own to try.
    void theProbeWaitsForAStoppedDaemonOnly_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("waits");
        const QString live = m_live.address();
        const QString frozen = m_frozen.address();
        const QString nowhere = QStringLiteral("unix:path=/nonexistent/bus");
        QTest::newRow("answering") << live << false;
        QTest::newRow("stopped") << frozen << true;
        QTest::newRow("stopped, its path escaped") << escapedPath(frozen) << true;
        QTest::newRow("abstract socket, never accepted")
            << QStringLiteral("unix:abstract=") + QString::fromLatin1(m_deafName) << true;
        QTest::newRow("nothing listens") << nowhere << false;
        QTest::newRow("nothing listens, then stopped") << nowhere + u';' + frozen << true;
        QTest::newRow("stopped, then answering") << frozen + u';' + live << true;
        QTest::newRow("another transport first") << QStringLiteral("tcp:host=localhost,port=1;") + frozen << false;
        QTest::newRow("no address") << QString() << false;
    }

    void theProbeWaitsForAStoppedDaemonOnly()
    {
        QFETCH(QString, address);
        QFETCH(bool, waits);
        // Left to end when the daemons do; a stopped one answers once it goes on.
        m_probes.push_back(probe(address));
        QCOMPARE(ended(m_probes.back(), waits ? probeMs : promptMs), !waits);
    }

    void theProbeEndsWhenTheDaemonGoesOn()
    {
        PrivateBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.errorText()));
        QVERIFY(bus.pause());
        const std::future<void> probing = probe(bus.address());
        QVERIFY(!ended(probing, probeMs));
        bus.resume();
        QVERIFY(ended(probing, promptMs));
    }

    // A session without the variable has its bus in the runtime folder, where libdbus finds it: the probe
    // looks there too, and only there.
    void theProbeFindsTheBusWhereLibdbusDoes_data()
    {
        QTest::addColumn<bool>("addressSet");
        QTest::addColumn<bool>("waits");
        QTest::newRow("no address, stopped daemon in the runtime folder") << false << true;
        QTest::newRow("an answering address, stopped daemon in the runtime folder") << true << false;
    }

    void theProbeFindsTheBusWhereLibdbusDoes()
    {
        QFETCH(bool, addressSet);
        QFETCH(bool, waits);
        const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const auto restore = qScopeGuard([&] {
            qputenv("DBUS_SESSION_BUS_ADDRESS", address);
            qputenv("XDG_RUNTIME_DIR", runtime);
        });
        TempFolder folder;
        const QString frozen = m_frozen.address().section(u',', 0, 0).mid(QStringLiteral("unix:path=").size());
        QVERIFY(QFile::link(frozen, folder.file(QStringLiteral("bus"))));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.path()));
        if (addressSet)
            qputenv("DBUS_SESSION_BUS_ADDRESS", m_live.address().toUtf8());
        else
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        m_probes.push_back(probe(QString::fromUtf8(BusProbe::addressOf(BusProbe::Bus::session))));
        QCOMPARE(ended(m_probes.back(), waits ? probeMs : promptMs), !waits);
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
