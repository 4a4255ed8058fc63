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
// answers without a limit or 25 s at a time, and Qt makes every connection, of every bus, on one thread of its
// own while the caller waits for it, so a stopped or swamped daemon would hold up whoever uses any bus next. A
// thread of ours first waits, as long as it takes, for the daemon to answer a client's start of its own up to
// the first message, and only then lets Qt connect: a daemon that answers late gives its bus late, never "not
// at all", and never holds up another bus. Whatever needs the bus starts from whenDone().
class BusConnector final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BusConnector)

public:
    // Starts at once; the application object need not exist yet.
    //
    // The session bus with a grace: Qt's accessibility bridge (at the first window), its tray icon and a
    // desktop's theme connect through Qt's default session connection, on the main thread. The calling
    // thread gives the daemon up to the grace to answer; one that does gives Qt's default connection, which
    // whenDone() then gives too. One that does not leaves Qt's own users without the bus for the run (their
    // connection fails at once instead of waiting), and ours comes when the daemon answers. That takes a
    // change of the environment that no other thread may see: made first in main, before the application
    // object and any thread.
    explicit BusConnector(BusProbe::Bus bus, std::chrono::milliseconds grace = {}, QObject* parent = nullptr);
    ~BusConnector() override;

    // How the daemon answered within the grace (silent without one).
    BusProbe::Greeting greetingInGrace() const { return m_greetingInGrace; }
    bool qtDefaultRefused() const { return m_qtDefaultRefused; }

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
    BusProbe::Greeting m_greetingInGrace = BusProbe::Greeting::silent;
    bool m_qtDefaultRefused = false;
    std::optional<QDBusConnection> m_connection;
};
