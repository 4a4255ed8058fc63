#include "Wisplet/Tools/System/SystemTexts.h"

#include "Wisplet/Platform/BatteryReader.h"

#include <QStringList>

#include <cmath>

QString formatBytes(double bytes, bool perSecond)
{
    static const char* const units[] = {"B", "KB", "MB", "GB", "TB"};
    constexpr int lastUnit = int(std::size(units)) - 1;
    int unit = 0;
    double value = bytes;
    while (value >= 1000 && unit < lastUnit) {
        value /= 1000;
        ++unit;
    }
    // The one-decimal form is chosen on the unrounded value, so 99.99 KB reads "100.0 KB".
    const QString number =
        unit > 0 && value < 100 ? QString::number(value, 'f', 1) : QString::number(std::trunc(value), 'f', 0);
    QString text = number + u' ' + QLatin1String(units[unit]);
    if (perSecond)
        text += QStringLiteral("/s");
    return text;
}

QString formatUptime(double seconds)
{
    const qint64 s = std::isfinite(seconds) && seconds > 0 ? qint64(std::min(seconds, 1e15)) : 0;
    const qint64 days = s / 86'400;
    const qint64 hours = s % 86'400 / 3'600;
    const qint64 minutes = s % 3'600 / 60;
    if (days > 0)
        return QStringLiteral("%1d %2h").arg(days).arg(hours);
    if (hours > 0)
        return QStringLiteral("%1h %2m").arg(hours).arg(minutes);
    return QStringLiteral("%1m").arg(minutes);
}

QString batterySymbol(const BatteryInfo& battery)
{
    if (battery.charging)
        return QStringLiteral("battery.100percent.bolt");
    if (battery.percent < 10)
        return QStringLiteral("battery.0percent");
    if (battery.percent < 35)
        return QStringLiteral("battery.25percent");
    if (battery.percent < 60)
        return QStringLiteral("battery.50percent");
    if (battery.percent < 85)
        return QStringLiteral("battery.75percent");
    return QStringLiteral("battery.100percent");
}

QString batteryText(const BatteryInfo& battery)
{
    QStringList parts{QString::number(battery.percent) + u'%'};
    if (battery.charging)
        parts << QStringLiteral("charging");
    else if (battery.onAC)
        parts << QStringLiteral("plugged in");
    else if (battery.minutesLeft)
        parts << QStringLiteral("%1h %2m left").arg(*battery.minutesLeft / 60).arg(*battery.minutesLeft % 60);
    if (battery.cycles)
        parts << QStringLiteral("%1 cycles").arg(*battery.cycles);
    if (battery.healthPercent)
        parts << QStringLiteral("Capacity \u2248%1%").arg(*battery.healthPercent);
    return parts.join(QStringLiteral(" \u00B7 "));
}
