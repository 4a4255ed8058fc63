#pragma once

#include <QMargins>

#include <optional>

class QWindow;

// The frame the window manager draws around a top-level window (_NET_FRAME_EXTENTS), in the window's
// logical pixels. For a window it never framed, the window manager is asked for it first
// (_NET_REQUEST_FRAME_EXTENTS), so that a window can be placed, title bar included, before it is mapped.
// None off X11, or when the window manager does not tell within a moment.
std::optional<QMargins> frameExtents(QWindow& window);
