#pragma once

#include "Wisplet/Platform/Pasteboard.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

// Finds the live process behind a copy whose X client's process has exited: a helper that forks (plain
// xclip, xsel) takes the clipboard and leaves a child holding its X connection. The kernel knows which
// sockets are connected to the display's server (sock_diag) and which process holds each (/proc/PID/fd); the
// X server knows which process opened each connection. A process holding more connections than it opened
// holds one it inherited. Only this user's processes are looked at; the work is bounded and runs off the
// main thread.
namespace SelectionHolder {

// A process that runs: there, and not a zombie.
bool isRunning(qint64 pid, const QString& procRoot = QStringLiteral("/proc"));

// The names the X server listens on for a local display ("@/tmp/.X11-unix/X0" and the path); empty for a
// display on another host or one that cannot be parsed.
QList<QByteArray> displaySocketNames(const QString& display);

// The inodes of the client ends of every connection to a listening socket of these names; none when the
// kernel does not say.
std::optional<QSet<quint64>> connectedClients(const QList<QByteArray>& listeningNames);

// Held by a process whose descriptors cannot be read.
inline constexpr int unknownHeld = -1;

// This user's running processes: how many of the sockets each holds (0 for those holding none, unknownHeld
// when it cannot be told). Not complete when the search ran out of its budget.
struct Processes
{
    QHash<qint64, int> held;
    bool complete = true;
};
Processes userProcesses(const QSet<quint64>& sockets, const QString& procRoot = QStringLiteral("/proc"));

// The rule: `processes` are this user's, with how many display connections each holds (unless the
// connections are not known: then every process is in doubt); `opened` is how many connections the X
// server counts for each process, when it can say; `orphaned` how many of them were opened by processes
// that have gone. The one process holding an inherited connection is the maker; several are all in doubt,
// and so is any process whose descriptors cannot be read while the heirs seen hold fewer connections than
// are orphaned. Without any heir, or without the server's counts, every process that holds a connection,
// that the server counts one for, or whose descriptors cannot be read is in doubt.
CopyMaker makerAmong(const QHash<qint64, int>& processes, bool connectionsKnown,
                     const std::optional<QHash<qint64, int>>& opened, int orphaned);

// The whole search, on a worker thread: names filled in from procRoot.
CopyMaker find(const QString& display, const std::optional<QHash<qint64, int>>& opened,
               const QString& procRoot = QStringLiteral("/proc"));

} // namespace SelectionHolder
