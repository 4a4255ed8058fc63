#include "Wisplet/Platform/BusProbe.h"

#include <QList>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <optional>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

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

template <typename Call>
auto retryInterrupted(Call call)
{
    decltype(call()) result;
    do
        result = call();
    while (result < 0 && errno == EINTR);
    return result;
}

// True when a daemon listens there and has answered; false when nothing listens.
bool greet(const QByteArray& socketName)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketName.size() >= qsizetype(sizeof(address.sun_path)))
        return false;
    std::copy(socketName.cbegin(), socketName.cend(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + socketName.size());
    // Blocking throughout: a full backlog waits in connect, a stopped daemon in recv.
    bool answered = retryInterrupted([&] { return ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length); })
        == 0;
    if (answered) {
        // A client's first words: the NUL byte, then an authentication request without a mechanism, which
        // any daemon answers with the mechanisms it offers.
        static constexpr char hello[] = "\0AUTH\r\n";
        char reply = 0;
        answered = ::send(fd, hello, sizeof(hello) - 1, MSG_NOSIGNAL) == qsizetype(sizeof(hello) - 1)
            && retryInterrupted([&] { return ::recv(fd, &reply, 1, 0); }) == 1;
    }
    ::close(fd);
    return answered;
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

void waitForDaemon(const QByteArray& address)
{
    // libdbus takes the first entry that it can connect to.
    for (const QByteArray& entry : address.split(';')) {
        const std::optional<QByteArray> socketName = socketOf(entry.trimmed());
        if (!socketName || greet(*socketName))
            return;
    }
}

} // namespace BusProbe
