#include "Wisplet/Tools/Weather/WeatherCodes.h"

namespace WeatherCodes {

QString symbolName(qint64 code, bool isNight)
{
    switch (code) {
    case 0:
        return isNight ? QStringLiteral("moon.stars.fill") : QStringLiteral("sun.max.fill");
    case 1:
    case 2:
        return isNight ? QStringLiteral("cloud.moon.fill") : QStringLiteral("cloud.sun.fill");
    case 45:
    case 48:
        return QStringLiteral("cloud.fog.fill");
    case 51:
    case 53:
    case 55:
    case 56:
    case 57:
        return QStringLiteral("cloud.drizzle.fill");
    case 61:
    case 63:
    case 65:
    case 66:
    case 67:
        return QStringLiteral("cloud.rain.fill");
    case 71:
    case 73:
    case 75:
    case 77:
    case 85:
    case 86:
        return QStringLiteral("cloud.snow.fill");
    case 80:
    case 81:
    case 82:
        return QStringLiteral("cloud.heavyrain.fill");
    case 95:
    case 96:
    case 99:
        return QStringLiteral("cloud.bolt.rain.fill");
    default:
        return QStringLiteral("cloud.fill");
    }
}

QString conditionText(qint64 code)
{
    switch (code) {
    case 0:
        return QStringLiteral("Clear");
    case 1:
        return QStringLiteral("Mostly clear");
    case 2:
        return QStringLiteral("Partly cloudy");
    case 3:
        return QStringLiteral("Overcast");
    case 45:
    case 48:
        return QStringLiteral("Fog");
    case 51:
    case 53:
    case 55:
        return QStringLiteral("Drizzle");
    case 56:
    case 57:
        return QStringLiteral("Freezing drizzle");
    case 61:
    case 63:
    case 65:
        return QStringLiteral("Rain");
    case 66:
    case 67:
        return QStringLiteral("Freezing rain");
    case 71:
    case 73:
    case 75:
        return QStringLiteral("Snow");
    case 77:
        return QStringLiteral("Snow grains");
    case 80:
    case 81:
    case 82:
        return QStringLiteral("Showers");
    case 85:
    case 86:
        return QStringLiteral("Snow showers");
    case 95:
        return QStringLiteral("Thunderstorm");
    case 96:
    case 99:
        return QStringLiteral("Thunderstorm with hail");
    default:
        return QStringLiteral("—");
    }
}

} // namespace WeatherCodes
