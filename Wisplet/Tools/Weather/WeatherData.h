#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// A place chosen for the forecast. `country` holds what the place search found of the region and the
// country ("Lisbon, Portugal"), possibly empty.
struct WeatherPlace
{
    QString name;
    QString country;
    double latitude = 0;
    double longitude = 0;

    // The name alone when there is no country, else "name, country".
    QString label() const { return country.isEmpty() ? name : name + QStringLiteral(", ") + country; }

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
