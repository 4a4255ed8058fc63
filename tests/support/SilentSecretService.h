#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>

// A Secret Service that owns the bus name and takes every call without ever answering one, as a hung keyring
// or one waiting behind an unlock prompt does. From a connection of its own to the bus at the address, so the
// calls travel the bus; the name and connection go when it does. Its calls are handled on the thread it lives
// on, whose event loop must run.
class SilentSecretService final : public QDBusVirtualObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SilentSecretService)

public:
    explicit SilentSecretService(const QString& busAddress);
    ~SilentSecretService() override;

    // Takes org.freedesktop.secrets and every object path under it.
    bool registerOnBus();
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
