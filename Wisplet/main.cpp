#include "Wisplet/App/LinuxPlatform.h"
#include "Wisplet/App/ProcessSetup.h"
#include "Wisplet/App/WispletApp.h"
#include "Wisplet/Base/AppSupport.h"
#include "Wisplet/Platform/BusConnector.h"
#include "Wisplet/Platform/FreedesktopNotifications.h"
#include "Wisplet/Platform/PrivateFiles.h"
#include "Wisplet/Platform/SingleInstance.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThreadPool>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

// How long a second start waits for the running one to answer, the bus included, and then at most to tell
// the user that it did not.
constexpr int comeForwardTimeoutMs = 5000;
constexpr int tellTimeoutMs = 1000;
// A live daemon answers in well under a millisecond; this leaves room for a loaded machine without holding
// up the island much when the daemon is stopped.
constexpr std::chrono::milliseconds busGrace{500};

// Tells the user, on the desktop too where a notification service answers in time.
void tellTheUser(const QString& summary, const QString& body, const std::optional<QDBusConnection>& bus,
                 const QDeadlineTimer& deadline)
{
    reportProblem(body);
    if (!bus)
        return;
    FreedesktopNotifications notifications(*bus);
    QEventLoop loop;
    notifications.post({.summary = summary, .body = body, .sound = false, .tag = {}}, &loop,
                       [&loop](const NotificationServer::PostResult&) { loop.quit(); });
    QTimer::singleShot(int(deadline.remainingTime()), &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

// Wisplet already runs on this user's data: that one comes forward instead, once it owns its name, unless it
// is out of reach (on another display with another bus), and then the user hears why nothing new shows.
int bringTheFirstForward(BusConnector& sessionBus, SingleInstance& instance, const QString& data)
{
    const QDeadlineTimer deadline(comeForwardTimeoutMs);
    const QDeadlineTimer told(comeForwardTimeoutMs + tellTimeoutMs);
    const std::optional<QDBusConnection> bus = sessionBus.waitUntilDone(deadline);
    if (bus)
        instance.useBus(*bus);
    if (!instance.askFirstToComeForward(deadline))
        tellTheUser(QStringLiteral("Wisplet is already running"),
                    QStringLiteral("Wisplet is already running with the data in %1.").arg(data), bus, told);
    return 0;
}

// The program from its one-instance check to the end of its orderly shutdown, which saves the user's data.
int run(BusConnector& sessionBus)
{
    const QString data = appSupportDirectory();
    SingleInstance instance(SingleInstance::standardLockPaths(data));
    if (!instance.isFirst())
        return bringTheFirstForward(sessionBus, instance, data);

    sessionBus.whenDone(&instance, [&instance](const QDBusConnection& bus) { instance.useBus(bus); });
    LinuxPlatform platform(sessionBus);
    WispletApp wisplet(sessionBus);
    QObject::connect(&instance, &SingleInstance::comeForwardRequested, &wisplet, &WispletApp::comeForward);
    QObject::connect(&instance, &SingleInstance::busLost, [] {
        reportProblem(QStringLiteral("Wisplet: lost the session bus; running on without notifications and media "
                                     "players."));
    });
    wisplet.launch();
    return QApplication::exec();
}

// Quitting never waits for a worker: ~QApplication would wait for every task of the global thread pool (a
// reading, a decode, a scan), however long it runs. The user's data is saved by then, an image copy the user
// asked for has had the quit's time, and a worker's result has no one left to take it; a file still being
// written then leaves no temporary file in the user's folder.
void endWithoutWaitingForWorkers(int code)
{
    // Nor for Qt's connection thread, which exit would wait for while it greets a daemon that stopped.
    if (QThreadPool::globalInstance()->waitForDone(0) && !BusConnector::anyUnderWay())
        return;
    PrivateFiles::abandonWritesInFlight();
    std::fflush(nullptr);
    ::_exit(code);
}

void tellHowTheSessionBusAnswered(BusConnector& sessionBus)
{
    switch (sessionBus.greetingInGrace()) {
    case BusProbe::Greeting::silent:
        reportProblem(QStringLiteral("Wisplet: the session bus does not answer; notifications and media players "
                                     "follow once it does, the tray icon and screen readers only after a restart."));
        sessionBus.whenDone(&sessionBus, [](const QDBusConnection& bus) {
            if (bus.isConnected())
                reportProblem(QStringLiteral("Wisplet: the session bus answers now."));
        });
        return;
    case BusProbe::Greeting::unknownKind:
        reportProblem(QStringLiteral("Wisplet: the session bus address (%1) is of a kind it cannot check first; "
                                     "a bus there that is slow to answer holds it up.")
                          .arg(QString::fromUtf8(BusProbe::addressOf(BusProbe::Bus::session))));
        return;
    case BusProbe::Greeting::answered:
    case BusProbe::Greeting::nobodyListens:
        return;
    }
}

} // namespace

int main(int argc, char** argv)
{
    prepareEnvironment();
    // Qt would abort without a word a user can act on.
    if (const std::optional<QString> problem = displayProblem()) {
        reportProblem(*problem);
        return 1;
    }
    // First: before the application object, which connects a desktop theme to the bus, and before any thread.
    BusConnector sessionBus(BusProbe::Bus::session, busGrace);
    tellHowTheSessionBusAnswered(sessionBus);
    QApplication app(argc, argv);
    configureApplication();
    const int code = run(sessionBus);
    endWithoutWaitingForWorkers(code);
    return code;
}
