#include "tests/support/HeldBusProxy.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

int localSocket(const QByteArray& path, bool listen)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, path.constData(), sizeof(address.sun_path));
    const auto* generic = reinterpret_cast<const sockaddr*>(&address);
    const bool ready = listen ? ::bind(fd, generic, sizeof(address)) == 0 && ::listen(fd, 16) == 0
                              : ::connect(fd, generic, sizeof(address)) == 0;
    if (!ready) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One direction of a client's connection: its first line passes at once, the rest once released.
struct Direction
{
    int from = -1;
    int to = -1;
    bool firstLinePassed = false;
    bool open = true;
    QByteArray held;

    // False once either end has closed.
    bool carry(bool released)
    {
        char buffer[4096];
        const ssize_t got = ::recv(from, buffer, sizeof(buffer), 0);
        if (got <= 0)
            return false;
        held.append(buffer, got);
        if (!firstLinePassed) {
            const qsizetype end = held.indexOf("\r\n");
            if (end >= 0) {
                firstLinePassed = true;
                if (!sendAll(held.left(end + 2)))
                    return false;
                held.remove(0, end + 2);
            }
        }
        return flush(released);
    }

    bool flush(bool released)
    {
        if (!released || !firstLinePassed || held.isEmpty())
            return true;
        const bool sent = sendAll(held);
        held.clear();
        return sent;
    }

    bool sendAll(const QByteArray& bytes) const
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t sent = ::send(to, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
            if (sent <= 0)
                return false;
            done += sent;
        }
        return true;
    }
};

} // namespace

HeldBusProxy::HeldBusProxy(const QString& daemonAddress)
    : m_daemonPath(daemonAddress.section(u',', 0, 0).section(u'=', 1))
{ }

HeldBusProxy::~HeldBusProxy()
{
    m_stopping = true;
    if (m_thread.joinable())
        m_thread.join();
}

bool HeldBusProxy::start()
{
    const QString path = QDir(m_dir.path()).filePath(QStringLiteral("bus"));
    const int listener = localSocket(QFile::encodeName(path), true);
    if (listener < 0)
        return false;
    m_address = QStringLiteral("unix:path=") + path;
    m_thread = std::thread([this, listener] { serve(listener); });
    return true;
}

void HeldBusProxy::serve(int listener)
{
    std::vector<Direction> directions;
    while (!m_stopping) {
        std::vector<pollfd> watched{{listener, POLLIN, 0}};
        for (const Direction& direction : directions)
            watched.push_back({direction.open ? direction.from : -1, POLLIN, 0});
        // Wakes now and then to see a release or the end.
        ::poll(watched.data(), watched.size(), 20);
        const bool released = m_released;
        if (watched[0].revents & POLLIN) {
            const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            const int daemon = localSocket(QFile::encodeName(m_daemonPath), false);
            if (client >= 0 && daemon >= 0) {
                directions.push_back({.from = client, .to = daemon, .held = {}});
                directions.push_back({.from = daemon, .to = client, .held = {}});
            }
        }
        for (size_t i = 0; i < directions.size(); ++i) {
            Direction& direction = directions[i];
            if (!direction.open)
                continue;
            const bool ready = i + 1 < watched.size() && (watched[i + 1].revents & (POLLIN | POLLHUP));
            direction.open = ready ? direction.carry(released) : direction.flush(released);
            if (!direction.open)
                ::shutdown(direction.to, SHUT_WR);
        }
    }
    for (const Direction& direction : directions)
        ::close(direction.from);
    ::close(listener);
}
