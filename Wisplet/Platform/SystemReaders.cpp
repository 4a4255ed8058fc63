#include "Wisplet/Platform/SystemReaders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>

namespace SystemReaders {

namespace {

// Kernel files hold a few lines; anything longer is not what we look for.
constexpr qint64 maxFileBytes = 64 * 1024;
constexpr quint64 kibibyte = 1024;

std::optional<quint64> unsignedNumber(const QByteArray& text)
{
    bool ok = false;
    const quint64 value = text.trimmed().toULongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

// The value of a "Key:   123 kB" line of proc/meminfo.
std::optional<quint64> meminfoField(const QByteArray& contents, QByteArrayView key)
{
    for (const QByteArray& line : contents.split('\n')) {
        if (!line.startsWith(key) || line.size() <= key.size() || line.at(key.size()) != ':')
            continue;
        const QList<QByteArray> words = line.mid(key.size() + 1).simplified().split(' ');
        return unsignedNumber(words.value(0));
    }
    return std::nullopt;
}

std::optional<quint64> readCounter(const QString& path)
{
    const std::optional<QByteArray> text = readSmallFile(path);
    return text ? unsignedNumber(*text) : std::nullopt;
}

} // namespace

QString pathUnder(const QString& root, QLatin1StringView relative)
{
    return root.endsWith(u'/') ? root + relative : root + u'/' + relative;
}

std::optional<QByteArray> readSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray contents = file.read(maxFileBytes);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return contents;
}

std::optional<qint64> readNumberFile(const QString& path)
{
    const std::optional<QByteArray> text = readSmallFile(path);
    if (!text)
        return std::nullopt;
    bool ok = false;
    const qint64 value = text->trimmed().toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

std::optional<CpuTicks> readCpuTicks(const QString& root)
{
    const std::optional<QByteArray> stat = readSmallFile(pathUnder(root, QLatin1StringView("proc/stat")));
    if (!stat || !stat->startsWith("cpu "))
        return std::nullopt;
    const QList<QByteArray> words = stat->left(stat->indexOf('\n')).simplified().split(' ');
    // user nice system idle iowait irq softirq steal; guest and guest_nice are counted in user and nice
    // already. Older kernels stop after idle.
    constexpr int counted = 8;
    quint64 ticks[counted] = {};
    if (words.size() < 5)
        return std::nullopt;
    for (int i = 0; i < counted && i + 1 < words.size(); ++i) {
        const std::optional<quint64> value = unsignedNumber(words.at(i + 1));
        if (!value)
            return std::nullopt;
        ticks[i] = *value;
    }
    const auto [user, nice, system, idle, iowait, irq, softirq, steal] = ticks;
    const quint64 busy = user + nice + system + irq + softirq + steal;
    return CpuTicks{busy, busy + idle + iowait};
}

std::optional<Memory> readMemory(const QString& root)
{
    const std::optional<QByteArray> meminfo = readSmallFile(pathUnder(root, QLatin1StringView("proc/meminfo")));
    if (!meminfo)
        return std::nullopt;
    const std::optional<quint64> total = meminfoField(*meminfo, "MemTotal");
    const std::optional<quint64> available = meminfoField(*meminfo, "MemAvailable");
    if (!total || !available || *available > *total)
        return std::nullopt;
    return Memory{*total * kibibyte, *available * kibibyte};
}

std::optional<Disk> readDisk(const QString& root)
{
    struct statvfs figures = {};
    if (::statvfs(QFile::encodeName(root).constData(), &figures) != 0)
        return std::nullopt;
    return Disk{qint64(figures.f_bavail * figures.f_frsize), qint64(figures.f_blocks * figures.f_frsize)};
}

std::optional<double> readUptime(const QString& root)
{
    const std::optional<QByteArray> text = readSmallFile(pathUnder(root, QLatin1StringView("proc/uptime")));
    if (!text)
        return std::nullopt;
    bool ok = false;
    const double seconds = text->simplified().split(' ').value(0).toDouble(&ok);
    return ok && seconds >= 0 ? std::optional(seconds) : std::nullopt;
}

std::optional<NetSample> readNetworkBytes(const QString& root)
{
    const QDir net(pathUnder(root, QLatin1StringView("sys/class/net")));
    if (!net.exists())
        return std::nullopt;
    NetSample sample;
    for (const QString& name : net.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString interface = net.filePath(name);
        // Loopback, bridges, tunnels and the like have no device behind them.
        if (!QFileInfo::exists(interface + QStringLiteral("/device")))
            continue;
        const std::optional<quint64> rx = readCounter(interface + QStringLiteral("/statistics/rx_bytes"));
        const std::optional<quint64> tx = readCounter(interface + QStringLiteral("/statistics/tx_bytes"));
        if (rx && tx)
            sample.insert(name, NetCounters{*rx, *tx});
    }
    return sample;
}

std::optional<double> readMemoryPressure(const QString& root)
{
    const std::optional<QByteArray> text = readSmallFile(pathUnder(root, QLatin1StringView("proc/pressure/memory")));
    if (!text)
        return std::nullopt;
    for (const QByteArray& line : text->split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.value(0) != "some")
            continue;
        for (const QByteArray& word : words) {
            if (!word.startsWith("avg10="))
                continue;
            bool ok = false;
            const double share = word.mid(6).toDouble(&ok);
            return ok ? std::optional(share) : std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace SystemReaders
