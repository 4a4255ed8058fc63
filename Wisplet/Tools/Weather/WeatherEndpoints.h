#pragma once

#include <QString>

// The full addresses of the weather service's forecast and place search. The program uses the hosted
// keyed API (CMake cache values); tests point them at a local server.
struct WeatherEndpoints
{
    QString forecast;
    QString search;

    static WeatherEndpoints hosted();
    // The service's own web site, where its attribution and its plans are.
    static QString site();
    static QString pricingPage();
};
