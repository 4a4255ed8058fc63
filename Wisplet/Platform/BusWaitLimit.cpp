#include "Wisplet/Platform/BusWaitLimit.h"

#include <QByteArray>
#include <QList>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <dirent.h>
#include <mutex>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>

namespace {

constexpr std::chrono::milliseconds recutInterval{20};

// Written once at the start, before any watch thread exists; read-only afterwards.
QSet<ino_t>& socketsHeldAtStart()
{
    static QSet<ino_t> sockets;
    return sockets;
}

template <typename Visit>
void forEachSocket(Visit visit)
{
    DIR* folder = ::opendir("/proc/self/fd");
    if (!folder)
        return;
    while (const dirent* entry = ::readdir(folder)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        struct stat status = {};
        if (end == entry->d_name || *end != '\0' || fd == ::dirfd(folder) || ::fstat(int(fd), &status) != 0
            || !S_ISSOCK(status.st_mode))
            continue;
        visit(int(fd), status.st_ino);
    }
    ::closedir(folder);
}

// The local socket a socket is connected to, as BusProbe::localSockets() names it.
std::optional<QByteArray> peerOf(int fd)
{
    sockaddr_un address{};
    socklen_t length = sizeof(address);
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 || address.sun_family != AF_UNIX
        || length <= offsetof(sockaddr_un, sun_path))
        return std::nullopt;
    QByteArray name(address.sun_path, qsizetype(length - offsetof(sockaddr_un, sun_path)));
    // A path may come with its terminating NUL.
    if (!name.startsWith('\0'))
        name.truncate(qstrnlen(name.constData(), name.size()));
    return name;
}

bool isSameSocket(const QByteArray& peer, const QByteArray& busSocket)
{
    if (peer == busSocket)
        return true;
    // A path reached another way: /var/run for /run.
    struct stat a = {};
    struct stat b = {};
    return !peer.startsWith('\0') && !busSocket.startsWith('\0') && ::stat(peer.constData(), &a) == 0
        && ::stat(busSocket.constData(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void shutDownConnectionsTo(const QList<QByteArray>& busSockets)
{
    forEachSocket([&busSockets](int fd, ino_t inode) {
        if (socketsHeldAtStart().contains(inode))
            return;
        const std::optional<QByteArray> peer = peerOf(fd);
        if (peer && std::any_of(busSockets.cbegin(), busSockets.cend(), [&peer](const QByteArray& busSocket) {
                return isSameSocket(*peer, busSocket);
            }))
            ::shutdown(fd, SHUT_RDWR);
    });
}

} // namespace

struct BusWaitLimit::Watch
{
    std::mutex mutex;
    std::condition_variable over;
    bool ended = false;
    std::atomic<bool> reached = false;
    std::thread thread;
};

BusWaitLimit::BusWaitLimit(BusProbe::Bus bus, std::chrono::milliseconds limit)
    : m_watch(std::make_unique<Watch>())
{
    const QList<QByteArray> busSockets = BusProbe::localSockets(BusProbe::addressOf(bus));
    if (busSockets.isEmpty())
        return;
    m_watch->thread = std::thread([watch = m_watch.get(), busSockets, limit] {
        std::unique_lock lock(watch->mutex);
        if (watch->over.wait_for(lock, limit, [watch] { return watch->ended; }))
            return;
        watch->reached = true;
        // What Qt connects afresh within the scope waits on the same daemon.
        do
            shutDownConnectionsTo(busSockets);
        while (!watch->over.wait_for(lock, recutInterval, [watch] { return watch->ended; }));
    });
}

BusWaitLimit::~BusWaitLimit()
{
    {
        const std::scoped_lock lock(m_watch->mutex);
        m_watch->ended = true;
    }
    m_watch->over.notify_one();
    if (m_watch->thread.joinable())
        m_watch->thread.join();
}

bool BusWaitLimit::wasReached() const
{
    return m_watch->reached;
}

void BusWaitLimit::spareSocketsHeldAtStart()
{
    forEachSocket([](int, ino_t inode) { socketsHeldAtStart().insert(inode); });
}
