#pragma once

#include <QMap>
#include <QString>

#include <optional>

// Readers of the kernel's figures under a root path: "/" on the running machine, a fixture tree in tests.
// Each reads a few small files and returns nothing when they cannot be read or make no sense.
namespace SystemReaders {

// A path below the root: "/" reads the running machine.
QString pathUnder(const QString& root, QLatin1StringView relative);
// A small kernel file's contents; nothing when it cannot be read.
std::optional<QByteArray> readSmallFile(const QString& path);
// The whole file as one integer (surrounding blanks allowed); nothing when it is missing or not a number.
std::optional<qint64> readNumberFile(const QString& path);

// Tick sums of the aggregate processor line of proc/stat.
struct CpuTicks
{
    quint64 busy = 0;
    quint64 total = 0;
};
std::optional<CpuTicks> readCpuTicks(const QString& root);

// Bytes, from proc/meminfo; used is what the kernel cannot hand out without reclaiming (total − available).
struct Memory
{
    quint64 total = 0;
    quint64 available = 0;
    quint64 used() const { return total - available; }
};
std::optional<Memory> readMemory(const QString& root);

// Bytes of the file system holding the root path, as an unprivileged user may use them.
struct Disk
{
    qint64 free = 0;
    qint64 total = 0;
};
std::optional<Disk> readDisk(const QString& root);

// Seconds since the system started, from proc/uptime.
std::optional<double> readUptime(const QString& root);

// Byte counters of one network interface.
struct NetCounters
{
    quint64 rx = 0;
    quint64 tx = 0;
    bool operator==(const NetCounters&) const = default;
};
// Counters of the physical interfaces (those backed by a device), by name. An interface whose counters
// cannot be read is left out; nothing at all when the interface list cannot be read.
using NetSample = QMap<QString, NetCounters>;
std::optional<NetSample> readNetworkBytes(const QString& root);

// The "some avg10" share of proc/pressure/memory, in percent; nothing on a kernel without PSI.
std::optional<double> readMemoryPressure(const QString& root);

} // namespace SystemReaders
