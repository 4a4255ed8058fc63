#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QUuid>

// A Secret Service that owns the bus name and takes every call without ever answering one, as a hung keyring
// or one waiting behind an unlock prompt does. From a connection of its own to the bus at the address, so the
// calls travel the bus; the name and connection go when it does. Its calls are handled on the thread it lives
// on, whose event loop must run.
class SilentSecretService final : public QDBusVirtualObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SilentSecretService)

public:
    explicit SilentSecretService(const QString& busAddress)
        : m_connectionName(QStringLiteral("silent-secrets-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
        , m_bus(QDBusConnection::connectToBus(busAddress, m_connectionName))
    { }
    ~SilentSecretService() override
    {
        m_bus.unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);
        m_bus.unregisterService(QStringLiteral("org.freedesktop.secrets"));
        QDBusConnection::disconnectFromBus(m_connectionName);
    }

    // Takes org.freedesktop.secrets and every object path under it.
    bool registerOnBus()
    {
        return m_bus.registerVirtualObject(QStringLiteral("/"), this, QDBusConnection::SubPath)
            && m_bus.registerService(QStringLiteral("org.freedesktop.secrets"));
    }
    // The calls taken so far, none of them answered.
    int calls() const { return m_calls; }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage&, const QDBusConnection&) override
    {
        ++m_calls;
        return true;
    }

private:
    QString m_connectionName;
    QDBusConnection m_bus;
    int m_calls = 0;
};
