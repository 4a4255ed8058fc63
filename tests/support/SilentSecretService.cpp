#include "tests/support/SilentSecretService.h"

#include <QUuid>

namespace {

const QString serviceName = QStringLiteral("org.freedesktop.secrets");

} // namespace

SilentSecretService::SilentSecretService(const QString& busAddress)
    : m_connectionName(QStringLiteral("silent-secrets-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    , m_bus(QDBusConnection::connectToBus(busAddress, m_connectionName))
{ }

SilentSecretService::~SilentSecretService()
{
    m_bus.unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);
    m_bus.unregisterService(serviceName);
    QDBusConnection::disconnectFromBus(m_connectionName);
}

bool SilentSecretService::registerOnBus()
{
    return m_bus.registerVirtualObject(QStringLiteral("/"), this, QDBusConnection::SubPath)
        && m_bus.registerService(serviceName);
}
