#pragma once

#include <QHash>

#include <optional>

struct xcb_connection_t;

// The process of the X client that made a window (a selection's owner, say), as the X Resource extension
// reports it. Only clients on this machine have one; none as well when the server lacks the extension.
namespace XcbClientProcess {

std::optional<qint64> ofWindow(xcb_connection_t* connection, quint32 window);

// How many connections the server counts for each local process; none when it cannot say.
std::optional<QHash<qint64, int>> connectionsByProcess(xcb_connection_t* connection);

} // namespace XcbClientProcess
