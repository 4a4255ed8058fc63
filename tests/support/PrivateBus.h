#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A D-Bus session bus of the test's own whose configuration lists no service directories, so nothing
// can be activated on it: a name nobody owns stays unowned (for example, no Secret Service).
class PrivateBus final
{
public:
    PrivateBus() = default;
    ~PrivateBus();
    Q_DISABLE_COPY_MOVE(PrivateBus)

    // Starts dbus-daemon and waits for its address; false when it did not come up.
    bool start();
    // Stops the daemon; a client still connected sees the bus vanish.
    void stop();
    // Freezes the daemon (SIGSTOP): its clients' connections stay open and nothing answers them, as with a
    // hung or swamped daemon. Thawed by resume() or stop().
    bool pause();
    void resume();

    QString address() const { return m_address; }
    QString errorText() const { return m_errorText; }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QString m_errorText;
};
