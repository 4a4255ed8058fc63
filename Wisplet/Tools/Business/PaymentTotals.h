#pragma once

#include "Wisplet/Tools/Business/IntegrationSnapshot.h"

#include <QLocale>
#include <QMap>
#include <QTimeZone>

#include <optional>

class Clock;

// One payment fetch's sums, per currency, for today and this month (both up to now, in the zone). Amounts
// are in major units and never converted between currencies.
class PaymentTotals final
{
public:
    // basis: what the amounts mean, shown in the card's first row.
    PaymentTotals(QString basis, const Clock& clock, QTimeZone zone);

    // A payment outside this month, after now or of no finite amount is left out; an amount of 0 is
    // still a sale.
    void add(const std::optional<QString>& currency, const QDateTime& date, double amount);
    // The listing stopped at its page limit: the figures are partial and announce no sale.
    void setTruncated() { m_truncated = true; }

    IntegrationSnapshot snapshot(const QLocale& locale = QLocale()) const;

private:
    QString m_basis;
    const Clock& m_clock;
    QTimeZone m_zone;
    // Keyed by the upper-case code, kept in text order for the card.
    QMap<QString, double> m_today;
    QMap<QString, double> m_month;
    qint64 m_ordersToday = 0;
    qint64 m_ordersMonth = 0;
    bool m_truncated = false;
};
