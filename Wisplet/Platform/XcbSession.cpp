#include "Wisplet/Platform/XcbSession.h"

#include <QGuiApplication>

#include <cstdlib>

std::optional<XcbSession> XcbSession::current()
{
    if (isWaylandSession())
        return std::nullopt;
    const auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = app ? app->connection() : nullptr;
    if (!connection || xcb_connection_has_error(connection))
        return std::nullopt;

    // Qt connects to the screen DISPLAY names; Qt does not say which one it is.
    int screenNumber = 0;
    char* host = nullptr;
    int display = 0;
    if (!xcb_parse_display(nullptr, &host, &display, &screenNumber))
        screenNumber = 0;
    std::free(host);

    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int index = 0; screens.rem > 0; ++index, xcb_screen_next(&screens)) {
        if (index == screenNumber)
            return XcbSession{connection, screens.data->root, screenNumber};
    }
    return std::nullopt;
}

bool XcbSession::isWaylandSession()
{
    return qEnvironmentVariable("XDG_SESSION_TYPE").compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
}

std::optional<QString> XcbSession::displayProblem()
{
    const QByteArray name = qgetenv("DISPLAY");
    if (name.isEmpty())
        return QStringLiteral("DISPLAY is not set");
    xcb_connection_t* connection = xcb_connect(name.constData(), nullptr);
    const bool failed = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    if (failed)
        return QStringLiteral("no X server answers at DISPLAY=%1").arg(QString::fromLocal8Bit(name));
    return std::nullopt;
}
