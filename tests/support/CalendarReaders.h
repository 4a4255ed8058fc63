#pragma once

#include <QDir>
#include <QFile>
#include <QList>

#include <sys/types.h>
#include <unistd.h>

// The calendar reader processes a test's program started, seen from outside as a user's `kill` sees them.
namespace CalendarReaders {

// The calendar readers this process (or the given one) started and that are still running.
inline QList<pid_t> running(pid_t parent = ::getpid())
{
    QList<pid_t> readers;
    const QByteArray self = QByteArray::number(parent);
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold spaces, so fields are counted after its ")".
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1] == self && fields[0] != "Z" && line.contains("(wisplet-calenda"))
            readers.append(pid_t(entry.toInt()));
    }
    return readers;
}

// A reader of this process well into its file: it has spent more processor time than starting and listing take.
inline pid_t wellIntoAFile()
{
    // The calendar's reader works on each file in a child of its own.
    QList<pid_t> readers;
    for (const pid_t reader : running())
        readers += running(reader);
    for (const pid_t pid : readers + running()) {
        QFile stat(QString("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        // utime and stime, the 14th and 15th fields, in clock ticks.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 12
            && (fields[11].toLongLong() + fields[12].toLongLong()) * 1000 / ::sysconf(_SC_CLK_TCK) >= 100)
            return pid;
    }
    return 0;
}

} // namespace CalendarReaders
