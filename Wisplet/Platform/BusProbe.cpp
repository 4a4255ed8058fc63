#include "Wisplet/Platform/BusProbe.h"

#include <QDeadlineTimer>
#include <QList>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

enum class Probe {
    answered,
    silent,
    // Nothing listens there: libdbus is refused as quickly as we are, and tries the next address.
    unreachable,
};

// A unix socket address: its path, or its abstract name after a NUL.
std::optional<QByteArray> socketOf(const QByteArray& entry)
{
    if (!entry.startsWith("unix:"))
        return std::nullopt;
    for (const QByteArray& pair : entry.mid(5).split(',')) {
        const qsizetype equals = pair.indexOf('=');
        const QByteArray key = pair.left(equals);
        // Values are escaped with %XX.
        const QByteArray value = QByteArray::fromPercentEncoding(pair.mid(equals + 1));
        if (equals <= 0 || value.isEmpty())
            continue;
        if (key == "path")
            return value;
        if (key == "abstract")
            return QByteArray(1, '\0') + value;
    }
    return std::nullopt;
}

bool waitFor(int fd, short events, const QDeadlineTimer& deadline)
{
    pollfd entry{fd, events, 0};
    int ready = 0;
    do {
        ready = ::poll(&entry, 1, int(deadline.remainingTime()));
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

Probe probeSocket(const QByteArray& socketName, const QDeadlineTimer& deadline)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketName.size() >= qsizetype(sizeof(address.sun_path)))
        return Probe::unreachable;
    std::copy(socketName.cbegin(), socketName.cend(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return Probe::unreachable;
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + socketName.size());
    Probe result = Probe::unreachable;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
        // A client's first words: the NUL byte, then an authentication request without a mechanism, which
        // any daemon answers with the mechanisms it offers.
        static constexpr char hello[] = "\0AUTH\r\n";
        if (::send(fd, hello, sizeof(hello) - 1, MSG_NOSIGNAL) == qsizetype(sizeof(hello) - 1))
            result = waitFor(fd, POLLIN, deadline) ? Probe::answered : Probe::silent;
    } else if (errno == EAGAIN) {
        // A full backlog: the daemon has not taken its waiting clients for a while.
        result = Probe::silent;
    }
    ::close(fd);
    return result;
}

} // namespace

namespace BusProbe {

QByteArray addressOf(Bus bus)
{
    if (bus == Bus::session) {
        if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
            return qgetenv("DBUS_SESSION_BUS_ADDRESS");
        // Where a session without the variable keeps its bus, as systemd's user manager does.
        if (const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR"); !runtime.isEmpty())
            return "unix:path=" + (runtime + "/bus").toPercentEncoding("/");
        return {};
    }
    if (qEnvironmentVariableIsSet("DBUS_SYSTEM_BUS_ADDRESS"))
        return qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    return QByteArrayLiteral("unix:path=/var/run/dbus/system_bus_socket");
}

QList<QByteArray> localSockets(const QByteArray& address)
{
    QList<QByteArray> sockets;
    for (const QByteArray& entry : address.split(';')) {
        if (const std::optional<QByteArray> socketName = socketOf(entry.trimmed()))
            sockets.append(*socketName);
    }
    return sockets;
}

bool isSilent(const QByteArray& address, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // libdbus takes the first entry that it can connect to.
    for (const QByteArray& entry : address.split(';')) {
        const std::optional<QByteArray> socketName = socketOf(entry.trimmed());
        if (!socketName)
            return false;
        if (const Probe probe = probeSocket(*socketName, deadline); probe != Probe::unreachable)
            return probe == Probe::silent;
    }
    return false;
}

} // namespace BusProbe
