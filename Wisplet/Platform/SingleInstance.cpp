#include "Wisplet/Platform/SingleInstance.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr auto comeForwardMethod = "ComeForward";
const QString busService = QStringLiteral("org.freedesktop.DBus");
const QString busPath = QStringLiteral("/org/freedesktop/DBus");
// RequestName's flag (the D-Bus specification's number).
constexpr uint doNotQueue = 4;

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

enum class Lock {
    taken,
    heldElsewhere,
    impossible,
};

// An flock, which the kernel lets go of however the holder ends, so no lock is ever stale; the file itself
// stays, empty, and a sync tool copying it elsewhere carries no lock with it. Not inherited by children.
Lock takeLock(const QString& path, int& fd)
{
    fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0)
        return Lock::impossible;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return Lock::taken;
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    fd = -1;
    return held ? Lock::heldElsewhere : Lock::impossible;
}

QDBusMessage busMethod(const QString& name)
{
    return QDBusMessage::createMethodCall(busService, busPath, busService, name);
}

} // namespace

SingleInstance::SingleInstance(const QStringList& lockPaths, QObject* parent)
    : QObject(parent)
{
    Lock lock = Lock::impossible;
    for (const QString& path : lockPaths) {
        lock = takeLock(path, m_lockFd);
        if (lock != Lock::impossible)
            break;
    }
    // Where no lock file can be made at all, the program runs: it cannot keep its data there either.
    m_first = lock != Lock::heldElsewhere;
}

SingleInstance::~SingleInstance()
{
    // Sent without waiting for the answer: a stopped bus daemon must not hold up the quit, and the bus lets
    // go of the name anyway when the process ends. The bus gives back only a name of ours, also one whose
    // answer has not come yet.
    if (m_first && m_bus.isConnected()) {
        m_bus.unregisterObject(QString::fromLatin1(objectPath));
        m_bus.send(busMethod(QStringLiteral("ReleaseName")) << QString::fromLatin1(busName));
    }
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

void SingleInstance::useBus(const QDBusConnection& bus)
{
    m_bus = bus;
    if (m_first)
        exportOnBus();
}

void SingleInstance::exportOnBus()
{
    if (!m_bus.isConnected())
        return;
    // libdbus tells its own connection, on its own local path, that the bus has gone.
    m_bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"),
                  QStringLiteral("org.freedesktop.DBus.Local"), QStringLiteral("Disconnected"), this,
                  SLOT(onBusDisconnected()));
    // Shown before the name is asked for, so that a second start finds it as soon as the name is ours.
    m_bus.registerObject(QString::fromLatin1(objectPath), new InstanceAdaptor(*this),
                         QDBusConnection::ExportScriptableSlots);
    // Held by a Wisplet of another data folder that shares this bus: this one runs without it.
    m_bus.send(busMethod(QStringLiteral("RequestName")) << QString::fromLatin1(busName) << doNotQueue);
}

void SingleInstance::onBusDisconnected()
{
    emit busLost();
}

QStringList SingleInstance::standardLockPaths(const QString& dataFolder)
{
    return {QDir(dataFolder).filePath(QStringLiteral("wisplet.lock")),
            QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
                .filePath(lockFileName(qEnvironmentVariable("DISPLAY")))};
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

bool SingleInstance::askFirstToComeForward(const QDeadlineTimer& deadline) const
{
    if (!m_bus.isConnected())
        return false;
    QEventLoop loop;
    bool cameForward = false;
    const auto ask = [&] {
        const QDBusMessage call =
            QDBusMessage::createMethodCall(QString::fromLatin1(busName), QString::fromLatin1(objectPath),
                                           QString::fromLatin1(interfaceName), QString::fromLatin1(comeForwardMethod));
        auto* asked = new QDBusPendingCallWatcher(m_bus.asyncCall(call, int(deadline.remainingTime())), &loop);
        connect(asked, &QDBusPendingCallWatcher::finished, &loop, [&](QDBusPendingCallWatcher* answered) {
            cameForward = !answered->isError();
            if (cameForward || answered->error().type() != QDBusError::ServiceUnknown)
                loop.quit();
        });
    };
    // A first start on its way owns its name a moment after its lock: watched before the first question.
    const QDBusServiceWatcher owners(QString::fromLatin1(busName), m_bus, QDBusServiceWatcher::WatchForRegistration);
    connect(&owners, &QDBusServiceWatcher::serviceRegistered, &loop, ask);
    ask();
    QTimer::singleShot(int(deadline.remainingTime()), &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return cameForward;
}

#include "SingleInstance.moc"
