#include "Wisplet/App/ProcessSetup.h"

#include "Wisplet/Platform/BusProbe.h"
#include "Wisplet/Platform/BusWaitLimit.h"
#include "Wisplet/Platform/XcbSession.h"

#include <QAccessible>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>

void prepareEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // A picture put through shared memory costs a round trip to the X server before the next paint of the
    // same place: each of a blink's seven frames would wake the program twice more. The panel's pictures
    // are small enough to send over the connection itself.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    // A bus connection cut off while Qt uses it (see BusWaitLimit) must not end the program: Qt may then ask
    // libdbus to wait for a call it could not send, which libdbus takes for a programming error and, unless
    // told otherwise, aborts on. It says so on standard error instead.
    if (!qEnvironmentVariableIsSet("DBUS_FATAL_WARNINGS"))
        qputenv("DBUS_FATAL_WARNINGS", "0");
}

std::optional<QString> displayProblem()
{
    if (qgetenv("QT_QPA_PLATFORM") != "xcb")
        return std::nullopt;
    const std::optional<QString> problem = XcbSession::displayProblem();
    if (!problem)
        return std::nullopt;
    return QStringLiteral("Wisplet needs an X11 display, but %1. Under Wayland, XWayland provides one.").arg(*problem);
}

namespace {

constexpr auto sessionBusVariable = "DBUS_SESSION_BUS_ADDRESS";

void reportSilentSessionBus()
{
    reportProblem(QStringLiteral("Wisplet: the session bus does not answer; running without notifications and "
                                 "media players."));
}

} // namespace

std::optional<QByteArray> setAsideSilentSessionBus()
{
    if (!BusProbe::isSilent(BusProbe::addressOf(BusProbe::Bus::session)))
        return std::nullopt;
    // Empty when the bus was found without the variable.
    const QByteArray address = qgetenv(sessionBusVariable);
    // An address of no known kind: libdbus refuses it without trying anything.
    qputenv(sessionBusVariable, "disabled:");
    return address;
}

void restoreSessionBusAddress(const QByteArray& address)
{
    // Qt keeps its session connection, failed or not, for the life of the process.
    QDBusConnection::sessionBus();
    if (address.isEmpty())
        qunsetenv(sessionBusVariable);
    else
        qputenv(sessionBusVariable, address);
    reportSilentSessionBus();
}

QDBusConnection connectSessionBus()
{
    bool stalled = false;
    {
        const BusWaitLimit limit(BusProbe::Bus::session);
        QDBusConnection::sessionBus();
        stalled = limit.wasReached();
    }
    // Qt holds back what the connection delivers until the event loop first runs, and a wait that the limit
    // cuts short before then would never hear of it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    if (!stalled) {
        // Built now rather than at the first window, so that its wait is bounded too.
        const BusWaitLimit limit(BusProbe::Bus::session);
        QAccessible::isActive();
        stalled = limit.wasReached();
    }
    if (stalled)
        reportSilentSessionBus();
    return QDBusConnection::sessionBus();
}

void configureApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Wisplet"));
    QCoreApplication::setApplicationVersion(QStringLiteral(WISPLET_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.tidewell.wisplet"));
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/wisplet.svg")));
    // Sprite sheets and shelf images can exceed Qt's default of 256 MB once decoded.
    QImageReader::setAllocationLimit(400);
}
