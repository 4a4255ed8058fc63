#pragma once

#include "Wisplet/Platform/BusProbe.h"

#include <QDBusConnection>
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QDeadlineTimer;

// A message bus connected without the main thread waiting for its daemon. libdbus waits for a daemon's
// greeting without a limit, and Qt makes every connection on one thread of its own while the caller waits
// for it, so a stopped or swamped daemon would hold up whoever connects next. A thread of ours first waits,
// as long as it takes, for the daemon to answer a greeting of its own, and only then lets Qt connect: a
// daemon that answers late gives its bus late, never "not at all". Whatever needs the bus starts from
// whenDone().
class BusConnector final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BusConnector)

public:
    // Starts at once; the application object need not exist yet.
    explicit BusConnector(BusProbe::Bus bus, QObject* parent = nullptr);
    ~BusConnector() override;

    // Session bus only, once, before anything of Qt's own uses it: Qt's accessibility bridge (at the first
    // window), its tray icon and a desktop's theme connect through Qt's default session connection, on the
    // main thread. A daemon that has answered by now, or within the grace, gives Qt's default connection,
    // which whenDone() then gives too. One that has not leaves Qt's own users without the bus for the run
    // (their connection fails at once instead of waiting), and ours comes when the daemon answers. True in
    // the first case.
    bool settleQtDefault(std::chrono::milliseconds grace);
    bool qtDefaultRefused() const;

    // Runs `use` on the main thread once Qt has made the connection or failed to, at once if it has, while
    // context lives. Never while the daemon keeps silent.
    void whenDone(QObject* context, std::function<void(const QDBusConnection&)> use);
    // The same with the main thread waiting, user input held back, until the deadline at the latest.
    std::optional<QDBusConnection> waitUntilDone(const QDeadlineTimer& deadline);

    // Qt is making a connection of ours at this moment: the end of the process must not wait for it, as
    // Qt's connection thread would at exit.
    static bool anyUnderWay();

signals:
    void done(const QDBusConnection& bus);

private:
    struct Shared;

    void finish(const QDBusConnection& bus);

    std::shared_ptr<Shared> m_shared;
    std::optional<QDBusConnection> m_connection;
};
