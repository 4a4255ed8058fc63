#include "Wisplet/Tools/Business/PaymentTotals.h"

#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Tools/Business/IntegrationClient.h"
#include "Wisplet/Tools/Business/IntegrationFormat.h"

#include <cmath>

PaymentTotals::PaymentTotals(QString basis, const Clock& clock, QTimeZone zone)
    : m_basis(std::move(basis))
    , m_clock(clock)
    , m_zone(std::move(zone))
{ }

void PaymentTotals::add(const std::optional<QString>& currency, const QDateTime& date, double amount)
{
    const QDateTime now = m_clock.now();
    if (!std::isfinite(amount) || !date.isValid() || date < IntegrationClient::startOfMonth(now, m_zone) || date > now)
        return;
    // An empty code names no currency either.
    const QString key = currency && !currency->isEmpty() ? currency->toUpper() : QStringLiteral("Unknown currency");
    m_month[key] += amount;
    ++m_ordersMonth;
    if (date >= now.toTimeZone(m_zone).date().startOfDay(m_zone)) {
        m_today[key] += amount;
        ++m_ordersToday;
    }
}

IntegrationSnapshot PaymentTotals::snapshot(const QLocale& locale) const
{
    IntegrationSnapshot snapshot;
    QString basis = m_basis;
    if (m_truncated)
        basis += QStringLiteral(" · PARTIAL");
    snapshot.metrics.append({QStringLiteral("Basis"), basis});
    for (auto month = m_month.cbegin(); month != m_month.cend(); ++month) {
        const QString& code = month.key();
        snapshot.metrics.append({QStringLiteral("Today · ") + code, formatMoney(m_today.value(code), code, locale)});
        snapshot.metrics.append({QStringLiteral("Month · ") + code, formatMoney(month.value(), code, locale)});
    }
    if (m_month.isEmpty())
        snapshot.metrics.append({QStringLiteral("Payments"), QStringLiteral("No payments in this period")});
    snapshot.metrics.append({QStringLiteral("Sales today"), formatInteger(m_ordersToday, locale)});
    snapshot.metrics.append({QStringLiteral("Sales this month"), formatInteger(m_ordersMonth, locale)});

    const bool oneCurrency = m_month.size() == 1;
    if (oneCurrency)
        snapshot.currency = m_month.firstKey();
    // Partial figures could make a sale out of a page that was not read.
    if (!m_truncated) {
        snapshot.ordersToday = m_ordersToday;
        if (oneCurrency)
            snapshot.revenueToday = m_today.value(m_month.firstKey());
    }
    snapshot.fetchedAt = m_clock.now();
    return snapshot;
}
