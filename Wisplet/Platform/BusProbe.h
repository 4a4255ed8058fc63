#pragma once

#include <QByteArray>

// Whether a D-Bus daemon takes a new client in good time. The kernel accepts connections for a daemon that
// is stopped or swamped, and libdbus then waits for its greeting without a limit; a probe of our own, with
// a deadline, finds that out before anything connects for real.
namespace BusProbe {

// A live daemon answers a new client in microseconds; this leaves room for a loaded machine.
constexpr int answerTimeoutMs = 1000;

// True when a daemon listens at the address (a D-Bus address list, as in DBUS_SESSION_BUS_ADDRESS) but has
// not answered within the time. False when it answered, when nothing listens there (libdbus fails at once
// then) and for transports other than local sockets, which are left to libdbus.
bool isSilent(const QByteArray& address, int timeoutMs = answerTimeoutMs);

} // namespace BusProbe
