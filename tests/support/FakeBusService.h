#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>

// A desktop service faked on the session bus from a connection of its own, so its calls and signals
// travel the bus as the real service's do. Subclasses add Q_CLASSINFO("D-Bus Interface", …) and their
// methods as public slots; the name and connection go when the fake does.
class FakeBusService : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakeBusService)

public:
    // On the test's session bus, or on the bus at busAddress.
    FakeBusService(QString service, QString path, QString connectionName, const QString& busAddress = {});
    ~FakeBusService() override;

    // Exports the object and takes the service's name.
    bool registerOnBus();
    // A new instance of the service: the name is dropped and taken again.
    bool reregister();

    QString service() const { return m_service; }
    QString path() const { return m_path; }

    QDBusConnection bus;

private:
    QString m_service;
    QString m_path;
    QString m_connectionName;
};
