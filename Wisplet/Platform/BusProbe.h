#pragma once

#include <QByteArray>
#include <QList>

// Whether a D-Bus daemon takes a new client in good time. The kernel accepts connections for a daemon that
// is stopped or swamped, and libdbus then waits for its greeting without a limit; a probe of our own, with
// a deadline, finds that out before anything connects for real.
namespace BusProbe {

enum class Bus { session, system };

// Where libdbus connects for the bus: the address in its environment variable, else libdbus's own default
// (the runtime folder's socket for the session bus).
QByteArray addressOf(Bus bus);

// The local sockets of a D-Bus address list, in order: a path, or an abstract name after a NUL.
QList<QByteArray> localSockets(const QByteArray& address);

// A live daemon answers a new client in microseconds; this leaves room for a loaded machine.
constexpr int answerTimeoutMs = 1000;

// True when a daemon listens at the address (a D-Bus address list, as in DBUS_SESSION_BUS_ADDRESS) but has
// not answered within the time. False when it answered, when nothing listens there (libdbus fails at once
// then) and for transports other than local sockets, which are left to libdbus.
bool isSilent(const QByteArray& address, int timeoutMs = answerTimeoutMs);

} // namespace BusProbe
