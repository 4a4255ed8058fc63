#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>

// A desktop service faked on the session bus from a connection of its own, so its calls and signals
// travel the bus as the real service's do. Subclasses add Q_CLASSINFO("D-Bus Interface", …) and their
// methods as public slots; the name and connection go when the fake does.
class FakeBusService : public QObject, protected QDBusContext
{
    Q_DISABLE_COPY_MOVE(FakeBusService)

public:
    FakeBusService(QString service, QString path, QString connectionName)
        : bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName))
        , m_service(std::move(service))
        , m_path(std::move(path))
        , m_connectionName(std::move(connectionName))
    { }

    ~FakeBusService() override
    {
        bus.unregisterObject(m_path);
        bus.unregisterService(m_service);
        QDBusConnection::disconnectFromBus(m_connectionName);
    }

    // Exports the object and takes the service's name.
    bool registerOnBus()
    {
        return bus.registerObject(m_path, this, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals)
            && bus.registerService(m_service);
    }

    // A new instance of the service: the name is dropped and taken again.
    bool reregister() { return bus.unregisterService(m_service) && bus.registerService(m_service); }

    QString service() const { return m_service; }
    QString path() const { return m_path; }

    QDBusConnection bus;

private:
    QString m_service;
    QString m_path;
    QString m_connectionName;
};
