#include "Wisplet/Tools/Weather/WeatherEndpoints.h"

WeatherEndpoints WeatherEndpoints::hosted()
{
    return {QStringLiteral(WISPLET_WEATHER_FORECAST_API), QStringLiteral(WISPLET_WEATHER_SEARCH_API)};
}

QString WeatherEndpoints::site()
{
    return QStringLiteral("https://open-meteo.com/");
}

QString WeatherEndpoints::pricingPage()
{
    return site() + QStringLiteral("en/pricing");
}
