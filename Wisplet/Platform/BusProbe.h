#pragma once

#include <QByteArray>

// Whether a D-Bus daemon takes new clients. The kernel accepts connections for a daemon that is stopped or
// swamped, and libdbus then waits for its greeting without a limit; a greeting of our own, on a thread that
// may wait, finds out when the daemon is back before Qt connects for real.
namespace BusProbe {

enum class Bus { session, system };

// Where libdbus connects for the bus: the address in its environment variable, else libdbus's own default
// (the runtime folder's socket for the session bus).
QByteArray addressOf(Bus bus);

// Waits, as long as it takes, until the daemon at the address (a D-Bus address list, as in
// DBUS_SESSION_BUS_ADDRESS) has answered a greeting, or until libdbus would not wait there either: nothing
// listens at any of its local sockets, or an entry is of a transport other than a local socket, which is
// left to libdbus. Blocks the calling thread: never called on the main thread.
void waitForDaemon(const QByteArray& address);

} // namespace BusProbe
