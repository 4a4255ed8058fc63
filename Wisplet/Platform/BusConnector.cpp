#include "Wisplet/Platform/BusConnector.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

std::atomic<int> connectsUnderWay = 0;

constexpr auto sessionBusVariable = "DBUS_SESSION_BUS_ADDRESS";

// libdbus reads the bus addresses once, at its first connection to a bus: given an address of no known
// kind then, Qt's default session connection fails at once, and so does every later one made through it
// (the accessibility bridge's, the tray icon's). The programs we start and libsecret get the user's address
// back at once.
void failQtDefaultSessionConnection()
{
    const bool wasSet = qEnvironmentVariableIsSet(sessionBusVariable);
    const QByteArray address = qgetenv(sessionBusVariable);
    qputenv(sessionBusVariable, "disabled:");
    QDBusConnection::sessionBus();
    if (wasSet)
        qputenv(sessionBusVariable, address);
    else
        qunsetenv(sessionBusVariable);
}

} // namespace

struct BusConnector::Shared
{
    std::mutex mutex;
    // Gone once the connector is.
    BusConnector* owner = nullptr;
};

BusConnector::BusConnector(BusProbe::Bus bus, std::chrono::milliseconds grace, QObject* parent)
    : QObject(parent)
    , m_shared(std::make_shared<Shared>())
{
    using BusProbe::Greeting;
    m_shared->owner = this;
    const QByteArray address = BusProbe::addressOf(bus);
    if (grace > std::chrono::milliseconds::zero()) {
        Q_ASSERT(!QCoreApplication::instance());
        m_greetingInGrace = BusProbe::greet(address, QDeadlineTimer(grace));
        m_qtDefaultRefused = bus == BusProbe::Bus::session && m_greetingInGrace == Greeting::silent;
        if (m_qtDefaultRefused)
            failQtDefaultSessionConnection();
    }
    const bool qtDefault = bus == BusProbe::Bus::session && !m_qtDefaultRefused;
    const bool waits = m_greetingInGrace == Greeting::silent;
    // Detached: a daemon that never answers keeps the thread, never the process.
    std::thread([shared = m_shared, address, qtDefault, waits] {
        if (waits)
            BusProbe::greet(address, QDeadlineTimer(QDeadlineTimer::Forever));
        {
            const std::scoped_lock lock(shared->mutex);
            if (!shared->owner)
                return;
            ++connectsUnderWay;
        }
        // Each connector its own: Qt hands out a connection of the same name again, however it ended.
        static std::atomic<int> connectors = 0;
        const QString name = QStringLiteral("wisplet_bus_%1").arg(++connectors);
        const QDBusConnection connection =
            qtDefault ? QDBusConnection::sessionBus() : QDBusConnection::connectToBus(QString::fromUtf8(address), name);
        const std::scoped_lock lock(shared->mutex);
        --connectsUnderWay;
        if (BusConnector* owner = shared->owner)
            QMetaObject::invokeMethod(
                owner, [owner, connection] { owner->finish(connection); }, Qt::QueuedConnection);
    }).detach();
}

BusConnector::~BusConnector()
{
    const std::scoped_lock lock(m_shared->mutex);
    m_shared->owner = nullptr;
}

void BusConnector::whenDone(QObject* context, std::function<void(const QDBusConnection&)> use)
{
    if (m_connection)
        use(*m_connection);
    else
        connect(this, &BusConnector::done, context, std::move(use), Qt::SingleShotConnection);
}

std::optional<QDBusConnection> BusConnector::waitUntilDone(const QDeadlineTimer& deadline)
{
    QEventLoop loop;
    whenDone(&loop, [&loop](const QDBusConnection&) { loop.quit(); });
    if (!m_connection) {
        QTimer::singleShot(int(deadline.remainingTime()), &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return m_connection;
}

bool BusConnector::anyUnderWay()
{
    return connectsUnderWay > 0;
}

void BusConnector::finish(const QDBusConnection& bus)
{
    m_connection = bus;
    emit done(bus);
}
