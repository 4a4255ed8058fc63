#include "Wisplet/Platform/BatteryReader.h"

#include "Wisplet/Platform/SystemReaders.h"

#include <QDir>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using SystemReaders::readNumberFile;

QString readText(const QString& path)
{
    const std::optional<QByteArray> text = SystemReaders::readSmallFile(path);
    return text ? QString::fromUtf8(text->trimmed()) : QString();
}

bool isAdapter(const QString& type)
{
    return type == u"Mains" || type.startsWith(u"USB");
}

std::optional<int> wholeMinutes(double minutes)
{
    if (!(minutes >= 1))
        return std::nullopt;
    return int(std::min(minutes, double(std::numeric_limits<int>::max())));
}

// Remaining charge over the present drain, in whichever units the driver reports (energy and power, or
// charge and current); some drivers give the drain a negative sign while discharging.
std::optional<int> minutesToEmpty(const QString& battery)
{
    if (const std::optional<qint64> seconds = readNumberFile(battery + QStringLiteral("/time_to_empty_now"));
        seconds && *seconds > 0)
        return wholeMinutes(double(*seconds) / 60);
    const auto ratio = [&battery](const char* amountFile, const char* rateFile) -> std::optional<double> {
        const std::optional<qint64> amount = readNumberFile(battery + u'/' + QLatin1String(amountFile));
        const std::optional<qint64> rate = readNumberFile(battery + u'/' + QLatin1String(rateFile));
        if (!amount || !rate || *rate == 0)
            return std::nullopt;
        return double(*amount) / std::abs(double(*rate)) * 60;
    };
    if (const std::optional<double> minutes = ratio("energy_now", "power_now"))
        return wholeMinutes(*minutes);
    if (const std::optional<double> minutes = ratio("charge_now", "current_now"))
        return wholeMinutes(*minutes);
    return std::nullopt;
}

std::optional<int> healthPercent(const QString& battery)
{
    const auto pair = [&battery](const char* prefix) {
        const QString base = battery + u'/' + QLatin1String(prefix);
        return std::pair(readNumberFile(base + QStringLiteral("_full")),
                         readNumberFile(base + QStringLiteral("_full_design")));
    };
    auto [full, design] = pair("energy");
    if (!full || !design)
        std::tie(full, design) = pair("charge");
    if (!full || !design || *full <= 0 || *design <= 0)
        return std::nullopt;
    return int(std::clamp(std::round(double(*full) / double(*design) * 100), 0.0, 100.0));
}

} // namespace

std::optional<BatteryInfo> readBattery(const QString& root)
{
    const QDir supplies(SystemReaders::pathUnder(root, QLatin1StringView("sys/class/power_supply")));
    QString battery;
    bool hasAdapter = false;
    bool adapterOnline = false;
    for (const QString& name : supplies.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString supply = supplies.filePath(name);
        const QString type = readText(supply + QStringLiteral("/type"));
        if (isAdapter(type)) {
            hasAdapter = true;
            adapterOnline = adapterOnline || readNumberFile(supply + QStringLiteral("/online")).value_or(0) > 0;
        } else if (type == u"Battery" && battery.isEmpty()) {
            const QString scope = readText(supply + QStringLiteral("/scope"));
            if (scope.isEmpty() || scope == u"System")
                battery = supply;
        }
    }
    if (battery.isEmpty())
        return std::nullopt;

    const QString status = readText(battery + QStringLiteral("/status"));
    BatteryInfo info;
    info.percent = int(std::clamp<qint64>(readNumberFile(battery + QStringLiteral("/capacity")).value_or(0), 0, 100));
    info.charging = status == u"Charging";
    info.onAC = hasAdapter ? adapterOnline : (status == u"Charging" || status == u"Full" || status == u"Not charging");
    if (status == u"Discharging")
        info.minutesLeft = minutesToEmpty(battery);
    if (const std::optional<qint64> cycles = readNumberFile(battery + QStringLiteral("/cycle_count"));
        cycles && *cycles > 0 && *cycles <= std::numeric_limits<int>::max())
        info.cycles = int(*cycles);
    info.healthPercent = healthPercent(battery);
    return info;
}
