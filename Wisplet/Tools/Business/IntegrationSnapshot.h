#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// One line of a service card.
struct Metric
{
    QString label;
    // Already formatted: a count, an amount, or a capped count such as "50+".
    QString value;

    friend bool operator==(const Metric&, const Metric&) = default;
};

// The result of one successful fetch of one service.
struct IntegrationSnapshot
{
    QList<Metric> metrics;
    // Payment services only: orders and revenue since the start of the local day; sales are detected on them.
    std::optional<qint64> ordersToday;
    std::optional<double> revenueToday;
    std::optional<QString> currency;
    QDateTime fetchedAt;

    friend bool operator==(const IntegrationSnapshot&, const IntegrationSnapshot&) = default;
};
