#include "Wisplet/Platform/SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

constexpr auto comeForwardMethod = "ComeForward";

// What the first instance shows on the bus.
class InstanceAdaptor final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.tidewell.wisplet.Instance")

public:
    explicit InstanceAdaptor(SingleInstance& instance)
        : QObject(&instance)
        , m_instance(instance)
    { }

public slots:
    Q_SCRIPTABLE void ComeForward() { emit m_instance.comeForwardRequested(); }

private:
    SingleInstance& m_instance;
};

} // namespace

SingleInstance::SingleInstance(const QDBusConnection& bus, const QString& lockPath, QObject* parent)
    : QObject(parent)
    , m_lock(std::make_unique<QLockFile>(lockPath))
    , m_bus(bus)
{
    // The lock decides, whatever bus each start sees; a lock left by a process that died is stale at once.
    m_lock->setStaleLockTime(0);
    const bool locked = m_lock->tryLock(0);
    if (!locked && m_lock->error() == QLockFile::LockFailedError)
        return;
    // Where no lock file can be made at all (no runtime folder), the bus name decides alone, if there is one.
    const bool onBus = exportOnBus();
    m_first = locked || m_ownsName || !onBus;
}

SingleInstance::~SingleInstance()
{
    if (m_ownsName) {
        m_bus.unregisterObject(QString::fromLatin1(objectPath));
        m_bus.interface()->unregisterService(QString::fromLatin1(busName));
    }
}

bool SingleInstance::exportOnBus()
{
    if (!m_bus.isConnected() || !m_bus.interface())
        return false;
    // Held by a Wisplet on another display that shares this bus: this one runs without it.
    const auto reply =
        m_bus.interface()->registerService(QString::fromLatin1(busName), QDBusConnectionInterface::DontQueueService,
                                           QDBusConnectionInterface::DontAllowReplacement);
    m_ownsName = reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
    // libdbus tells its own connection, on its own local path, that the bus has gone.
    m_bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"),
                  QStringLiteral("org.freedesktop.DBus.Local"), QStringLiteral("Disconnected"), this,
                  SLOT(onBusDisconnected()));
    if (m_ownsName)
        m_bus.registerObject(QString::fromLatin1(objectPath), new InstanceAdaptor(*this),
                             QDBusConnection::ExportScriptableSlots);
    return true;
}

void SingleInstance::onBusDisconnected()
{
    m_ownsName = false;
    emit busLost();
}

QString SingleInstance::standardLockPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
        .filePath(lockFileName(qEnvironmentVariable("DISPLAY")));
}

QString SingleInstance::lockFileName(const QString& display)
{
    // host:number.screen, where an empty host and "unix" both mean this machine's socket.
    static const QRegularExpression form(QStringLiteral("^(.*):(\\d+)(\\.\\d+)?$"));
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    QString key = display;
    if (const QRegularExpressionMatch match = form.match(display); match.hasMatch()) {
        const QString host = match.captured(1);
        const bool local = host.isEmpty() || host == QLatin1String("unix");
        key = local ? match.captured(2) : host + QLatin1Char('-') + match.captured(2);
    }
    key.replace(unsafe, QStringLiteral("_"));
    return key.isEmpty() ? QStringLiteral("wisplet.lock") : QStringLiteral("wisplet-%1.lock").arg(key);
}

bool SingleInstance::askFirstToComeForward(int timeoutMs) const
{
    if (!m_bus.isConnected())
        return false;
    const QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(busName), QString::fromLatin1(objectPath),
                                       QString::fromLatin1(interfaceName), QString::fromLatin1(comeForwardMethod));
    // Events are served meanwhile, so that a first instance in this very process (a test) can answer.
    return m_bus.call(call, QDBus::BlockWithGui, timeoutMs).type() == QDBusMessage::ReplyMessage;
}

#include "SingleInstance.moc"
