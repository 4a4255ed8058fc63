#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

// The X utilities integration tests read and drive the harness's X server with (xdotool, xwininfo,
// xprop). Window ids are X ids as Qt's winId() gives them.
namespace XTools {

// Each tool run and each QTRY_ wait on the X server gets this long.
constexpr int timeoutMs = 10'000;

// The tool's standard output; none when it could not run or failed.
std::optional<QString> run(const QString& program, const QStringList& arguments);
bool xdotool(const QStringList& arguments);
// Moves the pointer to a global position and clicks the first button there.
bool clickAt(const QPoint& global);
// The window that has the X input focus; 0 when none could be read.
quint32 focusedWindow();

// A window's outer rectangle in root coordinates; empty when it cannot be read.
QRect frameOf(quint32 window);
// The same grown by the window manager's frame (_NET_FRAME_EXTENTS), title bar included.
QRect frameWithTitleBarOf(quint32 window);
// The screen's area that windows may take (_NET_WORKAREA); empty when the window manager does not say.
QRect workArea();
// Mapped and all its ancestors mapped.
bool isViewable(quint32 window);
// The extents of a window's bounding shape; empty when it has none.
QRect boundingShape(quint32 window);
// A property as xprop prints it after "=" (or ":"), of the root window for 0; empty when it is not set.
QString property(quint32 window, const QString& name);
// What the window shows (0 for the whole screen), as the X server has it; null when it cannot be taken.
QImage picture(quint32 window);
// The managed windows, bottom to top, from _NET_CLIENT_LIST_STACKING.
QList<quint32> stackingOrder();

} // namespace XTools
