#include "Wisplet/Platform/SelectionHolder.h"

#include "Wisplet/Platform/PrivateFiles.h"
#include "Wisplet/Platform/ProcessName.h"
#include "Wisplet/Platform/UnixSocketName.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <linux/unix_diag.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace SelectionHolder {

namespace {

// Far above a desktop's count; beyond them the search gives up rather than hold its worker.
constexpr int maxProcesses = 32768;
constexpr int maxDescriptorsEach = 65536;
constexpr qint64 searchBudgetMs = 1500;
constexpr int receiveTimeoutMs = 1000;
// The established unix sockets of a busy machine; the answer of a hostile one is cut here.
constexpr qint64 maxDiagBytes = 64 * 1024 * 1024;
constexpr int tcpEstablished = 1;

// The process's state letter in /proc/PID/stat, after the parenthesised name (which may hold anything).
char stateOf(qint64 pid, const QString& procRoot)
{
    const QByteArray stat =
        PrivateFiles::readRegularFileStart(procRoot + u'/' + QString::number(pid) + QLatin1String("/stat"), 4096)
            .contents;
    const qsizetype close = stat.lastIndexOf(')');
    return close >= 0 && close + 2 < stat.size() ? stat.at(close + 2) : '\0';
}

// The inode of a descriptor's target "socket:[N]"; 0 for anything else.
quint64 socketInode(const QByteArray& target)
{
    if (!target.startsWith("socket:[") || !target.endsWith(']'))
        return 0;
    bool ok = false;
    const quint64 inode = target.mid(8, target.size() - 9).toULongLong(&ok);
    return ok ? inode : 0;
}

int heldSockets(const QString& fdFolder, const QSet<quint64>& sockets, const QElapsedTimer& clock, bool& complete)
{
    const QDir folder(fdFolder);
    // A process that made itself undumpable (as password tools do) hides its descriptors (they are root's;
    // its folder stays its user's).
    if (!folder.exists() || !folder.isReadable())
        return unknownHeld;
    const QStringList descriptors = folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    int held = 0;
    int looked = 0;
    for (const QString& descriptor : descriptors) {
        if (++looked > maxDescriptorsEach || clock.elapsed() > searchBudgetMs) {
            complete = false;
            break;
        }
        char target[64];
        const QByteArray path = QFile::encodeName(fdFolder + u'/' + descriptor);
        const ssize_t length = ::readlink(path.constData(), target, sizeof target);
        if (length > 0 && sockets.contains(socketInode(QByteArray(target, int(length)))))
            ++held;
    }
    return held;
}

// Reads one sock_diag answer into the client inodes of the listening names; false when it cannot be read.
bool takeDiagAnswer(int fd, const QList<QByteArray>& listeningNames, QSet<quint64>& clients)
{
    alignas(nlmsghdr) char buffer[32768];
    qint64 total = 0;
    while (total < maxDiagBytes) {
        const ssize_t received = ::recv(fd, buffer, sizeof buffer, 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received <= 0)
            return false;
        total += received;
        int left = int(received);
        for (auto* header = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(header, left);
             header = NLMSG_NEXT(header, left)) {
            if (header->nlmsg_type == NLMSG_DONE)
                return true;
            if (header->nlmsg_type == NLMSG_ERROR)
                return false;
            const auto* message = static_cast<const unix_diag_msg*>(NLMSG_DATA(header));
            int attributesLeft = int(header->nlmsg_len) - int(NLMSG_LENGTH(sizeof *message));
            QByteArray name;
            quint32 peer = 0;
            for (auto* attribute = reinterpret_cast<const rtattr*>(message + 1); RTA_OK(attribute, attributesLeft);
                 attribute = RTA_NEXT(attribute, attributesLeft)) {
                const auto* value = static_cast<const char*>(RTA_DATA(attribute));
                const int length = int(RTA_PAYLOAD(attribute));
                if (attribute->rta_type == UNIX_DIAG_NAME)
                    name = UnixSocketName::fromKernel(QByteArrayView(value, length));
                else if (attribute->rta_type == UNIX_DIAG_PEER && length >= int(sizeof peer))
                    std::memcpy(&peer, value, sizeof peer);
            }
            // An accepted connection carries the name of the socket it was accepted on.
            if (peer != 0 && listeningNames.contains(name))
                clients.insert(peer);
        }
    }
    return false;
}

} // namespace

bool isRunning(qint64 pid, const QString& procRoot)
{
    if (pid <= 0)
        return false;
    const char state = stateOf(pid, procRoot);
    return state != '\0' && state != 'Z' && state != 'X' && state != 'x';
}

QList<QByteArray> displaySocketNames(const QString& display)
{
    static const QRegularExpression local(QStringLiteral("^(?:unix)?:(\\d+)(?:\\.\\d+)?$"));
    const QRegularExpressionMatch match = local.match(display);
    if (!match.hasMatch())
        return {};
    const QByteArray path = "/tmp/.X11-unix/X" + match.captured(1).toLatin1();
    return {QByteArray(1, '\0') + path, path};
}

std::optional<QSet<quint64>> connectedClients(const QList<QByteArray>& listeningNames)
{
    if (listeningNames.isEmpty())
        return std::nullopt;
    const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (fd < 0)
        return std::nullopt;
    const timeval timeout{receiveTimeoutMs / 1000, (receiveTimeoutMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    struct
    {
        nlmsghdr header;
        unix_diag_req request;
    } ask = {};
    ask.header.nlmsg_len = sizeof ask;
    ask.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    ask.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    ask.request.sdiag_family = AF_UNIX;
    ask.request.udiag_states = 1U << tcpEstablished;
    ask.request.udiag_show = UDIAG_SHOW_NAME | UDIAG_SHOW_PEER;
    QSet<quint64> clients;
    const bool read =
        ::send(fd, &ask, sizeof ask, 0) == ssize_t(sizeof ask) && takeDiagAnswer(fd, listeningNames, clients);
    ::close(fd);
    return read ? std::optional(clients) : std::nullopt;
}

Processes userProcesses(const QSet<quint64>& sockets, const QString& procRoot)
{
    QElapsedTimer clock;
    clock.start();
    const uid_t user = ::geteuid();
    Processes processes;
    const QStringList entries = QDir(procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric || pid <= 0)
            continue;
        if (processes.held.size() >= maxProcesses || clock.elapsed() > searchBudgetMs) {
            processes.complete = false;
            break;
        }
        struct stat info = {};
        const QString folder = procRoot + u'/' + entry;
        if (::stat(QFile::encodeName(folder).constData(), &info) != 0 || info.st_uid != user
            || !isRunning(pid, procRoot))
            continue;
        processes.held.insert(
            pid,
            sockets.isEmpty() ? 0 : heldSockets(folder + QLatin1String("/fd"), sockets, clock, processes.complete));
    }
    return processes;
}

CopyMaker makerAmong(const QHash<qint64, int>& processes, bool connectionsKnown,
                     const std::optional<QHash<qint64, int>>& opened, int orphaned)
{
    CopyMaker maker{CopyMaker::Certainty::inDoubt, 0, {}};
    if (!connectionsKnown) {
        for (auto process = processes.cbegin(); process != processes.cend(); ++process)
            maker.processes.insert(process.key(), {});
        return maker;
    }
    QList<qint64> inheriting;
    int inherited = 0;
    QList<qint64> hidden;
    for (auto process = processes.cbegin(); opened && process != processes.cend(); ++process) {
        if (process.value() > opened->value(process.key())) {
            inheriting.append(process.key());
            inherited += process.value() - opened->value(process.key());
        } else if (process.value() == unknownHeld) {
            hidden.append(process.key());
        }
    }
    // A process whose descriptors are hidden may hold the connection an heir seen does not: never the
    // bystander then.
    if (!inheriting.isEmpty() && inherited < orphaned)
        inheriting += hidden;
    if (inheriting.size() == 1)
        return CopyMaker::knownAs(inheriting.first(), {});
    // Without an heir, any process that may hold a connection may have made the copy.
    const auto mayHoldOne = [&](auto process) {
        return process.value() != 0 || (opened && opened->value(process.key()) > 0);
    };
    for (auto process = processes.cbegin(); process != processes.cend(); ++process) {
        if (inheriting.isEmpty() ? mayHoldOne(process) : inheriting.contains(process.key()))
            maker.processes.insert(process.key(), {});
    }
    return maker;
}

CopyMaker find(const QString& display, const std::optional<QHash<qint64, int>>& opened, const QString& procRoot)
{
    const std::optional<QSet<quint64>> clients = connectedClients(displaySocketNames(display));
    const Processes processes = userProcesses(clients.value_or(QSet<quint64>()), procRoot);
    int orphaned = 0;
    if (opened) {
        for (auto process = opened->cbegin(); process != opened->cend(); ++process) {
            if (!isRunning(process.key(), procRoot))
                orphaned += process.value();
        }
    }
    CopyMaker maker = makerAmong(processes.held, clients && processes.complete, opened, orphaned);
    for (auto process = maker.processes.begin(); process != maker.processes.end(); ++process)
        process.value() = ProcessName::namesOf(process.key(), procRoot);
    return maker;
}

} // namespace SelectionHolder
