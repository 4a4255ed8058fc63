#pragma once

#include "tests/support/Files.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>

// A fake machine's proc and sys files in a temporary folder, changed between sampling passes.
class SystemTree
{
public:
    using Files = QMap<QString, QByteArray>;

    QString root() const { return m_dir.path(); }

    void write(const QString& relative, const QByteArray& contents) { TestFiles::write(path(relative), contents); }
    void remove(const QString& relative)
    {
        QDir(path(relative)).removeRecursively();
        QFile::remove(path(relative));
    }
    // Every file of one folder, as relative path → contents.
    void writeAll(const QString& folder, const Files& files)
    {
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            write(folder + u'/' + it.key(), it.value());
    }

    // Busy and idle ticks as one "cpu" line (busy all counted as user time).
    void setTicks(quint64 busy, quint64 idle)
    {
        write(QStringLiteral("proc/stat"),
              QStringLiteral("cpu  %1 0 0 %2 0 0 0 0 0 0\ncpu0 %1 0 0 %2 0 0 0 0 0 0\n").arg(busy).arg(idle).toUtf8());
    }
    void setMemory(quint64 totalKb, quint64 availableKb)
    {
        write(QStringLiteral("proc/meminfo"),
              QStringLiteral("MemTotal:       %1 kB\nMemFree:         1000 kB\n"
                             "MemAvailable:   %2 kB\n")
                  .arg(totalKb)
                  .arg(availableKb)
                  .toUtf8());
    }
    void setPressure(double some10)
    {
        write(QStringLiteral("proc/pressure/memory"),
              QStringLiteral("some avg10=%1 avg60=0.00 avg300=0.00 total=1\nfull avg10=0.00 avg60=0.00 avg300=0.00 "
                             "total=0\n")
                  .arg(some10, 0, 'f', 2)
                  .toUtf8());
    }
    void setInterface(const QString& name, quint64 rx, quint64 tx, bool physical = true)
    {
        const QString folder = QStringLiteral("sys/class/net/") + name;
        write(folder + QStringLiteral("/statistics/rx_bytes"), QByteArray::number(rx) + '\n');
        write(folder + QStringLiteral("/statistics/tx_bytes"), QByteArray::number(tx) + '\n');
        if (physical)
            QDir().mkpath(path(folder + QStringLiteral("/device")));
    }
    void setBattery(int percent, const QByteArray& status, bool mainsOnline)
    {
        writeAll(QStringLiteral("sys/class/power_supply/BAT0"),
                 {{"type", "Battery\n"}, {"capacity", QByteArray::number(percent) + '\n'}, {"status", status + '\n'}});
        writeAll(QStringLiteral("sys/class/power_supply/AC"),
                 {{"type", "Mains\n"}, {"online", mainsOnline ? "1\n" : "0\n"}});
    }

private:
    QString path(const QString& relative) const { return m_dir.filePath(relative); }

    QTemporaryDir m_dir;
};
