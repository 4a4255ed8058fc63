#include "Wisplet/App/ProcessSetup.h"

#include "Wisplet/Platform/XcbSession.h"

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
