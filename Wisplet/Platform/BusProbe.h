#pragma once

#include <QByteArray>
#include <QDeadlineTimer>

// Whether a D-Bus daemon takes new clients. The kernel accepts connections for a daemon that is stopped or
// swamped, and libdbus then waits for it without a limit (for its greeting) or for 25 s at a time (for the
// answer to a client's first message), in Qt's one connection thread, which every bus of the process shares.
// A client's start of our own, on a thread that may wait, finds out when the daemon is back before Qt
// connects for real.
namespace BusProbe {

enum class Bus { session, system };

enum class Greeting {
    // The daemon answered a client's first message, or refused our credentials, which is an answer too.
    answered,
    // Nothing listens at any entry: libdbus fails there at once as well.
    nobodyListens,
    // No address, or an entry of a kind we cannot greet (autolaunch:, systemd:, unixexec:, …): left to libdbus.
    unknownKind,
    // The deadline came first.
    silent,
};

// Where libdbus connects for the bus: the address in its environment variable unless that is unset or empty,
// else libdbus's own default: the runtime folder's socket for the session bus where one is there, otherwise
// autolaunch:.
QByteArray addressOf(Bus bus);

// Starts a client's connection to the daemon at the address (a D-Bus address list, as in
// DBUS_SESSION_BUS_ADDRESS) as libdbus does, on the first entry that takes it, up to the answer to the client's
// first message (Hello), and closes it again. Blocks the calling thread until the deadline at most.
Greeting greet(const QByteArray& address, QDeadlineTimer deadline);

} // namespace BusProbe
