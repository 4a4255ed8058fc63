#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// A place chosen for the forecast, with what the place search found of its region and its country (either
// possibly empty). A place saved before the region was kept apart holds both in `country`.
struct WeatherPlace
{
    QString name;
    QString region;
    QString country;
    double latitude = 0;
    double longitude = 0;

    // The name, then the region and the country where there are: each an outside text of its own.
    QStringList parts() const
    {
        QStringList parts{name};
        for (const QString& part : {region, country}) {
            if (!part.isEmpty())
                parts.append(part);
        }
        return parts;
    }
    // "name, region, country".
    QString label() const { return parts().join(QStringLiteral(", ")); }

    friend bool operator==(const WeatherPlace&, const WeatherPlace&) = default;
};

// Temperatures are in the unit asked for; wind in km/h; codes are WMO weather interpretation codes.
struct WeatherCurrent
{
    double temperature = 0;
    double feelsLike = 0;
    qint64 humidity = 0;
    double wind = 0;
    qint64 code = 0;

    friend bool operator==(const WeatherCurrent&, const WeatherCurrent&) = default;
};

struct WeatherHour
{
    QDateTime date;
    double temperature = 0;
    qint64 code = 0;

    friend bool operator==(const WeatherHour&, const WeatherHour&) = default;
};

// `date` is the start of the day in the forecast's own time zone, and keeps that zone, so its calendar
// day is the place's day wherever the computer is.
struct WeatherDay
{
    QDateTime date;
    double low = 0;
    double high = 0;
    qint64 code = 0;

    friend bool operator==(const WeatherDay&, const WeatherDay&) = default;
};

struct WeatherForecast
{
    WeatherCurrent current;
    QList<WeatherHour> hours;
    QList<WeatherDay> days;
};
