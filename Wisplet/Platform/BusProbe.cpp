#include "Wisplet/Platform/BusProbe.h"

#include <QHash>
#include <QList>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

// How often a daemon whose queue of new clients is full is tried again.
constexpr int fullQueueRetryMs = 50;
// An authentication answer is one short line.
constexpr qsizetype longestLine = 512;

struct SocketAddress
{
    sockaddr_storage storage{};
    socklen_t length = 0;
    int family() const { return storage.ss_family; }
    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

class Socket
{
public:
    explicit Socket(int family)
        : m_fd(::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0))
    { }
    ~Socket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Q_DISABLE_COPY_MOVE(Socket)

    int fd() const { return m_fd; }

private:
    int m_fd;
};

enum class Reach { connected, nobody, silent };

int remainingMs(const QDeadlineTimer& deadline)
{
    return deadline.isForever() ? -1 : int(std::clamp<qint64>(deadline.remainingTime(), 0, INT_MAX));
}

// False once the deadline has passed with the socket not ready.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline)
{
    pollfd ready{fd, events, 0};
    int count = 0;
    do
        count = ::poll(&ready, 1, remainingMs(deadline));
    while (count < 0 && errno == EINTR);
    // An error is for the next read or write to report.
    return count != 0;
}

Reach connectTo(int fd, const SocketAddress& address, const QDeadlineTimer& deadline)
{
    for (;;) {
        if (::connect(fd, address.get(), address.length) == 0 || errno == EISCONN)
            return Reach::connected;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN) {
            // A local daemon's queue of new clients is full: it is there and has not got round to them.
            if (deadline.hasExpired())
                return Reach::silent;
            const int waitMs =
                deadline.isForever() ? fullQueueRetryMs : std::min(fullQueueRetryMs, remainingMs(deadline));
            ::poll(nullptr, 0, waitMs);
            continue;
        }
        if (errno != EINPROGRESS && errno != EALREADY)
            return Reach::nobody;
        if (!waitFor(fd, POLLOUT, deadline))
            return Reach::silent;
        int error = 0;
        socklen_t size = sizeof(error);
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
        return error == 0 ? Reach::connected : Reach::nobody;
    }
}

enum class Exchange { done, closed, silent };

Exchange sendAll(int fd, QByteArrayView bytes, const QDeadlineTimer& deadline)
{
    while (!bytes.isEmpty()) {
        const ssize_t sent = ::send(fd, bytes.data(), size_t(bytes.size()), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes = bytes.sliced(sent);
        } else if (errno == EAGAIN) {
            if (!waitFor(fd, POLLOUT, deadline))
                return Exchange::silent;
        } else if (errno != EINTR) {
            return Exchange::closed;
        }
    }
    return Exchange::done;
}

// Reads what has come, once something has.
Exchange receive(int fd, QByteArray& into, const QDeadlineTimer& deadline)
{
    char buffer[longestLine];
    for (;;) {
        const ssize_t got = ::recv(fd, buffer, sizeof(buffer), 0);
        if (got > 0) {
            into.append(buffer, got);
            return Exchange::done;
        }
        if (got == 0 || (errno != EAGAIN && errno != EINTR))
            return Exchange::closed;
        if (errno == EAGAIN && !waitFor(fd, POLLIN, deadline))
            return Exchange::silent;
    }
}

void appendUint32(QByteArray& bytes, quint32 value)
{
    const quint32 little = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char*>(&little), sizeof(little));
}

void alignTo(QByteArray& bytes, qsizetype boundary)
{
    bytes.append((boundary - bytes.size() % boundary) % boundary, '\0');
}

// A header field: its code and a variant of a one-letter type holding a string or an object path.
void appendField(QByteArray& message, char code, char type, QByteArrayView value)
{
    alignTo(message, 8);
    message.append(code).append('\1').append(type).append('\0');
    appendUint32(message, quint32(value.size()));
    message.append(value).append('\0');
}

// The bus driver's Hello, every client's first message, in the wire format.
QByteArray helloMessage()
{
    // Little-endian, a method call, no flags, protocol 1; no body; serial 1; then the fields' length.
    QByteArray message("l\1\0\1", 4);
    appendUint32(message, 0);
    appendUint32(message, 1);
    appendUint32(message, 0);
    const qsizetype fieldsStart = message.size();
    appendField(message, 1, 'o', "/org/freedesktop/DBus");
    appendField(message, 6, 's', "org.freedesktop.DBus");
    appendField(message, 2, 's', "org.freedesktop.DBus");
    appendField(message, 3, 's', "Hello");
    const quint32 fieldsLength = qToLittleEndian(quint32(message.size() - fieldsStart));
    std::memcpy(message.data() + fieldsStart - sizeof(quint32), &fieldsLength, sizeof(quint32));
    alignTo(message, 8);
    return message;
}

// A client's start: the credentials byte and an authentication as this user; once accepted, the first
// message. Any answer to that ends it, as does a refusal or a closed connection: libdbus gets as far at once.
BusProbe::Greeting talk(int fd, const QDeadlineTimer& deadline)
{
    using BusProbe::Greeting;
    const QByteArray start = QByteArray(1, '\0') + "AUTH EXTERNAL " + QByteArray::number(::getuid()).toHex() + "\r\n";
    QByteArray line;
    Exchange step = sendAll(fd, start, deadline);
    while (step == Exchange::done && !line.contains("\r\n") && line.size() < longestLine)
        step = receive(fd, line, deadline);
    if (step == Exchange::silent)
        return Greeting::silent;
    if (step == Exchange::closed || !line.startsWith("OK "))
        return Greeting::answered;
    step = sendAll(fd, "BEGIN\r\n" + helloMessage(), deadline);
    QByteArray answer;
    if (step == Exchange::done)
        step = receive(fd, answer, deadline);
    return step == Exchange::silent ? Greeting::silent : Greeting::answered;
}

QHash<QByteArray, QByteArray> keysOf(const QByteArray& entry)
{
    QHash<QByteArray, QByteArray> keys;
    for (const QByteArray& pair : entry.mid(entry.indexOf(':') + 1).split(',')) {
        const qsizetype equals = pair.indexOf('=');
        // Values are escaped with %XX.
        if (equals > 0)
            keys.insert(pair.left(equals), QByteArray::fromPercentEncoding(pair.mid(equals + 1)));
    }
    return keys;
}

std::vector<SocketAddress> localSocket(const QByteArray& name)
{
    SocketAddress address;
    auto* local = reinterpret_cast<sockaddr_un*>(&address.storage);
    local->sun_family = AF_UNIX;
    if (name.isEmpty() || name.size() >= qsizetype(sizeof(local->sun_path)))
        return {};
    std::copy(name.cbegin(), name.cend(), local->sun_path);
    address.length = socklen_t(offsetof(sockaddr_un, sun_path) + name.size());
    return {address};
}

std::vector<SocketAddress> tcpSockets(const QHash<QByteArray, QByteArray>& keys)
{
    const QByteArray family = keys.value("family");
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_family = family == "ipv4" ? AF_INET : family == "ipv6" ? AF_INET6 : AF_UNSPEC;
    const QByteArray host = keys.value("host", "localhost");
    addrinfo* found = nullptr;
    if (!keys.contains("port") || ::getaddrinfo(host.constData(), keys.value("port").constData(), &hints, &found) != 0)
        return {};
    std::vector<SocketAddress> addresses;
    for (const addrinfo* each = found; each; each = each->ai_next) {
        SocketAddress address;
        std::memcpy(&address.storage, each->ai_addr, each->ai_addrlen);
        address.length = each->ai_addrlen;
        addresses.push_back(address);
    }
    ::freeaddrinfo(found);
    return addresses;
}

// Where an entry's daemon listens, as libdbus reads it (none where libdbus fails at once); nothing for an
// entry of a kind we cannot greet.
std::optional<std::vector<SocketAddress>> listenersOf(const QByteArray& entry)
{
    const QByteArray kind = entry.left(entry.indexOf(':'));
    const QHash<QByteArray, QByteArray> keys = keysOf(entry);
    if (kind == "unix" && keys.contains("path"))
        return localSocket(keys.value("path"));
    if (kind == "unix" && keys.contains("abstract"))
        return localSocket(QByteArray(1, '\0') + keys.value("abstract"));
    if (kind == "tcp")
        return tcpSockets(keys);
    return std::nullopt;
}

// The session bus of a session manager that sets no variable: libdbus takes the runtime folder's socket
// when it is this user's.
std::optional<QByteArray> runtimeSessionBus()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        return std::nullopt;
    const QByteArray path = runtime + "/bus";
    struct stat status
    { };
    if (::stat(path.constData(), &status) != 0 || status.st_uid != ::getuid() || !S_ISSOCK(status.st_mode))
        return std::nullopt;
    return "unix:path=" + path.toPercentEncoding("/");
}

} // namespace

namespace BusProbe {

QByteArray addressOf(Bus bus)
{
    const char* variable = bus == Bus::session ? "DBUS_SESSION_BUS_ADDRESS" : "DBUS_SYSTEM_BUS_ADDRESS";
    if (const QByteArray address = qgetenv(variable); !address.isEmpty())
        return address;
    if (bus == Bus::system)
        return QByteArrayLiteral("unix:path=/var/run/dbus/system_bus_socket");
    return runtimeSessionBus().value_or(QByteArrayLiteral("autolaunch:"));
}

Greeting greet(const QByteArray& address, QDeadlineTimer deadline)
{
    bool anyEntry = false;
    // libdbus takes the first entry that it can connect to.
    for (const QByteArray& untrimmed : address.split(';')) {
        const QByteArray entry = untrimmed.trimmed();
        if (entry.isEmpty())
            continue;
        anyEntry = true;
        const std::optional<std::vector<SocketAddress>> listeners = listenersOf(entry);
        if (!listeners)
            return Greeting::unknownKind;
        for (const SocketAddress& listener : *listeners) {
            const Socket socket(listener.family());
            if (socket.fd() < 0)
                continue;
            switch (connectTo(socket.fd(), listener, deadline)) {
            case Reach::nobody:
                continue;
            case Reach::silent:
                return Greeting::silent;
            case Reach::connected:
                return talk(socket.fd(), deadline);
            }
        }
    }
    return anyEntry ? Greeting::nobodyListens : Greeting::unknownKind;
}

} // namespace BusProbe
