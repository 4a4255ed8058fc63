#pragma once

#include <QDBusConnection>
#include <QString>

#include <memory>

class QLockFile;

// Makes sure only one Wisplet runs per user session: the first one owns the D-Bus name on the session
// bus, or, without a bus, a lock file in the runtime folder. Held for as long as this object lives.
class SingleInstance final
{
public:
    static constexpr const char* busName = "com.tidewell.wisplet";

    // The bus to use and, for the fallback, where the lock file goes ($XDG_RUNTIME_DIR when empty).
    explicit SingleInstance(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                            const QString& lockFolder = QString());
    ~SingleInstance();
    Q_DISABLE_COPY_MOVE(SingleInstance)

    // True when this process is the one Wisplet of the session.
    bool isFirst() const { return m_first; }

private:
    std::unique_ptr<QLockFile> m_lock;
    QDBusConnection m_bus;
    bool m_ownsName = false;
    bool m_first = false;
};
