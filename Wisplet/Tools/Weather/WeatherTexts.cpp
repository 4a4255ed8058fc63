#include "Wisplet/Tools/Weather/WeatherTexts.h"

#include "Wisplet/Base/Graphemes.h"
#include "Wisplet/Tools/Weather/WeatherCodes.h"

#include <cmath>
#include <optional>

namespace {

const QString noNumber = QStringLiteral("—");

// Whole numbers only where a 64-bit integer holds them.
QString wholeText(double whole)
{
    if (!std::isfinite(whole) || whole < -0x1p63 || whole >= 0x1p63)
        return noNumber;
    return QString::number(qint64(whole));
}

QString rounded(double value)
{
    return wholeText(std::round(value));
}

QString truncated(double value)
{
    return wholeText(std::trunc(value));
}

} // namespace

namespace WeatherTexts {

QString temperatureText(double degrees, bool fahrenheit)
{
    return rounded(degrees) + (fahrenheit ? QStringLiteral("°F") : QStringLiteral("°C"));
}

QString degreesText(double degrees)
{
    return rounded(degrees) + QStringLiteral("°");
}

QString conditionLine(qint64 code, double feelsLike)
{
    return WeatherCodes::conditionText(code) + QStringLiteral(" · feels ") + degreesText(feelsLike);
}

QString humidityWindLine(qint64 humidity, double wind)
{
    return QStringLiteral("Humidity %1% · Wind %2 km/h").arg(humidity).arg(truncated(wind));
}

QString dayRangeText(double high, double low)
{
    return truncated(high) + QStringLiteral("° / ") + truncated(low) + QStringLiteral("°");
}

QString searchText(const QString& typed)
{
    QString text = typed.trimmed();
    return Graphemes::count(text) < 2 ? QString() : text;
}

bool isNight(const QTime& localTime)
{
    return localTime.hour() < 6 || localTime.hour() > 18;
}

QString hourText(const QTime& time, const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    if (format.contains(QLatin1String("ap"), Qt::CaseInsensitive))
        return locale.toString(time, QStringLiteral("h AP"));
    return locale.toString(time, QStringLiteral("HH"));
}

QString weekdayText(const QDateTime& date, const QLocale& locale)
{
    return locale.dayName(date.date().dayOfWeek(), QLocale::ShortFormat);
}

} // namespace WeatherTexts
