#pragma once

#include "tests/support/Files.h"

#include <QDir>
#include <QTemporaryDir>

// A fake machine's proc and sys files in a temporary folder, changed between sampling passes.
class SystemTree
{
public:
    QString root() const { return m_dir.path(); }

    void write(const QString& relative, const QByteArray& contents) { TestFiles::write(path(relative), contents); }
    void mkdir(const QString& relative) { QDir().mkpath(path(relative)); }
    void remove(const QString& relative) { QDir(path(relative)).removeRecursively(); }

    // Busy and idle ticks on the aggregate line (busy counted as user time).
    void setTicks(quint64 busy, quint64 idle)
    {
        write(QStringLiteral("proc/stat"),
              QStringLiteral("cpu  %1 0 0 %2 0 0 0 0 0 0\ncpu0 %1 0 0 %2 0 0 0 0 0 0\n").arg(busy).arg(idle).toUtf8());
    }
    void setMemory(quint64 totalKb, quint64 availableKb)
    {
        write(QStringLiteral("proc/meminfo"),
              QStringLiteral("MemTotal: %1 kB\nMemFree: 10 kB\nMemAvailable: %2 kB\n")
                  .arg(totalKb)
                  .arg(availableKb)
                  .toUtf8());
    }
    void setPressure(double some10)
    {
        write(QStringLiteral("proc/pressure/memory"),
              QStringLiteral(
                  "some avg10=%1 avg60=0.00 avg300=0.00 total=1\nfull avg10=0.00 avg60=0.00 avg300=0.00 total=0\n")
                  .arg(some10, 0, 'f', 2)
                  .toUtf8());
    }
    void setInterface(const QString& name, quint64 rx, quint64 tx, bool physical = true)
    {
        const QString folder = QStringLiteral("sys/class/net/") + name;
        write(folder + QStringLiteral("/statistics/rx_bytes"), QByteArray::number(rx) + '\n');
        write(folder + QStringLiteral("/statistics/tx_bytes"), QByteArray::number(tx) + '\n');
        if (physical)
            mkdir(folder + QStringLiteral("/device"));
    }
    // "BAT0 type=Battery capacity=40 status=Not+charging": a supply's name, then its files ("+" for a blank).
    void setSupply(const QString& spec)
    {
        const QStringList words = spec.split(u' ');
        for (const QString& word : words.mid(1)) {
            const QString value = word.section(u'=', 1).replace(u'+', u' ');
            write(QStringLiteral("sys/class/power_supply/%1/%2").arg(words.first(), word.section(u'=', 0, 0)),
                  value.toUtf8() + '\n');
        }
    }
    void setBattery(int percent, const QString& status, bool mainsOnline)
    {
        setSupply(QStringLiteral("BAT0 type=Battery capacity=%1 status=%2")
                      .arg(percent)
                      .arg(QString(status).replace(u' ', u'+')));
        setSupply(QStringLiteral("AC type=Mains online=%1").arg(mainsOnline ? 1 : 0));
    }

private:
    QString path(const QString& relative) const { return m_dir.filePath(relative); }

    QTemporaryDir m_dir;
};
