#pragma once

#include "tests/support/PrivateBus.h"
#include "tests/support/TestEnvironment.h"

#include <QList>
#include <QMap>
#include <QProcess>
#include <QString>

#include <memory>

// The built program started as a user starts it, for tests that drive it from outside on the harness's
// display: the platform is its own choice, and the environment is the test's with the given changes (a null
// value removes the variable).
namespace LaunchedProgram {

std::unique_ptr<QProcess> start(const QString& binary, const QMap<QString, QString>& changes);
// The changes for a user of that bus whose home, settings and data are in the folder. Leaks are for the unit
// tests; these are about what the user sees.
QMap<QString, QString> homeOnBus(const QString& busAddress, const TempFolder& home);
// The first visible window of the process; 0 when it has none.
quint32 visibleWindowOf(const QProcess& process);
// Its visible windows whose title matches the pattern (an extended regular expression), in X's order.
QList<quint32> visibleWindowsOf(const QProcess& process, const QString& titlePattern);
// It ended by itself, normally, with this exit code, within the X tests' generous limit.
bool exitedWith(QProcess& process, int code);
// Opens the floating panel with a hot key and waits for it to come to rest. A press the program did not
// see (made before its grab, or lost on a loaded machine) is made again; one that opened the panel never is,
// since a second press would close it. False when the panel never opened or never came to rest.
bool openPanelWithKey(quint32 panel, const QString& key);

// The program with a home and a session bus of its own, its defaults file holding the given JSON, so that
// runs never share settings or the one-instance name; started once its floating panel shows the island.
// Ended when the session is.
class Session final
{
public:
    Session() = default;
    ~Session();
    Q_DISABLE_COPY_MOVE(Session)

    // Its bus alone, for a test that puts a service of its own there first; start() starts it when needed.
    bool startBus();
    QString busAddress() const { return m_bus.address(); }
    PrivateBus& bus() { return m_bus; }
    // The program reaches its bus through this address instead, for a test that puts a proxy in front of it.
    void reachBusThrough(const QString& address) { m_busAddressGiven = address; }
    bool start(const QString& binary, const QByteArray& defaults);
    QProcess& process() const { return *m_process; }
    // The floating panel: its one visible window without a title.
    quint32 panel() const { return m_panel; }
    // A path in its home; its data folder is "data".
    QString homeFile(const QString& name) const { return m_home.file(name); }
    QString errorText() const { return m_errorText; }

private:
    PrivateBus m_bus;
    bool m_busStarted = false;
    QString m_busAddressGiven;
    TempFolder m_home;
    std::unique_ptr<QProcess> m_process;
    quint32 m_panel = 0;
    QString m_errorText;
};

} // namespace LaunchedProgram
