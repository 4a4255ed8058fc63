#include "tests/support/FakeBusService.h"

FakeBusService::FakeBusService(QString service, QString path, QString connectionName, const QString& busAddress)
    : bus(busAddress.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName)
                               : QDBusConnection::connectToBus(busAddress, connectionName))
    , m_service(std::move(service))
    , m_path(std::move(path))
    , m_connectionName(std::move(connectionName))
{ }

FakeBusService::~FakeBusService()
{
    bus.unregisterObject(m_path);
    bus.unregisterService(m_service);
    QDBusConnection::disconnectFromBus(m_connectionName);
}

bool FakeBusService::registerOnBus()
{
    return bus.registerObject(m_path, this,
                              QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals
                                  | QDBusConnection::ExportAllProperties)
        && bus.registerService(m_service);
}

bool FakeBusService::reregister()
{
    return bus.unregisterService(m_service) && bus.registerService(m_service);
}
