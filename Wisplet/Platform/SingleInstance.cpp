#include "Wisplet/Platform/SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

SingleInstance::SingleInstance(const QDBusConnection& bus, const QString& lockFolder)
    : m_bus(bus)
{
    if (m_bus.isConnected() && m_bus.interface()) {
        // Without replacement or queueing: a second start finds the name taken and stops.
        const auto reply =
            m_bus.interface()->registerService(QString::fromLatin1(busName), QDBusConnectionInterface::DontQueueService,
                                               QDBusConnectionInterface::DontAllowReplacement);
        m_ownsName = reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
        m_first = m_ownsName;
        return;
    }
    const QString folder =
        lockFolder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) : lockFolder;
    m_lock = std::make_unique<QLockFile>(QDir(folder).filePath(QStringLiteral("wisplet.lock")));
    m_lock->setStaleLockTime(0); // a lock left by a process that died is stale at once
    m_first = m_lock->tryLock(0);
}

SingleInstance::~SingleInstance()
{
    if (m_ownsName)
        m_bus.interface()->unregisterService(QString::fromLatin1(busName));
}
