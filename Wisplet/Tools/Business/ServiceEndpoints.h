#pragma once

#include <QString>

// The base addresses of the services' APIs. The program uses the public hosted ones (CMake cache values),
// so a user's key works as it is; tests point them at a local server.
struct ServiceEndpoints
{
    QString stripe;
    QString polar;
    QString dodoLive;
    QString dodoTest;
    QString lemonSqueezy;
    QString dataFast;
    QString plausible;
    QString umami;
    QString github;

    static ServiceEndpoints hosted();
};
