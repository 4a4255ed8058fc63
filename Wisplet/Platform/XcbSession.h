#pragma once

#include <QString>

#include <xcb/xcb.h>

#include <optional>

// Qt's own X connection and the root window of its default screen, where X can be trusted: none off
// the xcb platform, and none in a Wayland session, where XWayland shows only the X clients.
struct XcbSession
{
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = XCB_NONE;
    int screenNumber = 0;

    static std::optional<XcbSession> current();
    static bool isWaylandSession();
    // Why no X server can be reached at DISPLAY, in a few words; none when one answers. Asked before Qt
    // connects, since Qt aborts when it cannot.
    static std::optional<QString> displayProblem();
};
