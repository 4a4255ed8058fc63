#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Tools/Business/IntegrationFormat.h"
#include "Wisplet/Tools/Business/IntegrationJSON.h"
#include "Wisplet/Tools/Business/PaymentConnector.h"

#include <algorithm>

namespace {

// The day in the zone, Gregorian with ASCII digits whatever the user's locale writes.
QString dayText(const QDateTime& instant, const QTimeZone& zone)
{
    return instant.toTimeZone(zone).date().toString(Qt::ISODate);
}

bool isCurrencyCode(const QString& text)
{
    return text.size() == 3
        && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isLetter() && c.unicode() < 0x80; });
}

// The last period dated today in the zone; none when there is none.
std::optional<QJsonObject> todaysPeriod(const QList<QJsonObject>& periods, const QDate& today, const QTimeZone& zone)
{
    for (auto period = periods.crbegin(); period != periods.crend(); ++period) {
        const std::optional<QDateTime> date =
            PaymentRequest::parseDate(IntegrationJSON::string(QStringLiteral("timestamp"), *period));
        if (date && date->toTimeZone(zone).date() == today)
            return *period;
    }
    return std::nullopt;
}

} // namespace

QCoro::Task<SnapshotResult> fetchPolar(PaymentContext context, Credentials credentials, CancelToken cancel)
{
    const IntegrationResult<QString> token =
        IntegrationClient::required(QStringLiteral("token"), QStringLiteral("Access token"), credentials);
    if (!token.ok())
        co_return token.error();
    const QDateTime now = context.clock.now();
    QueryItems query{
        {QStringLiteral("start_date"), dayText(IntegrationClient::startOfMonth(now, context.zone), context.zone)},
        {QStringLiteral("end_date"), dayText(now, context.zone)},
        {QStringLiteral("interval"), QStringLiteral("day")},
        {QStringLiteral("timezone"), QString::fromUtf8(context.zone.id())},
    };
    const QString organization = IntegrationClient::optional(QStringLiteral("organizationId"), credentials);
    if (!organization.isEmpty())
        query.append({QStringLiteral("organization_id"), organization});
    const IntegrationResult<PaymentRequest::Page> answer = co_await PaymentRequest::get(
        context.client, context.client.endpoints().polar + QStringLiteral("/v1/metrics/"), query,
        PaymentRequest::bearer(token.value()), QStringLiteral("periods"), QStringLiteral("metrics"), cancel);
    if (!answer.ok())
        co_return answer.error();
    const std::optional<QJsonObject> totals = IntegrationJSON::object(QStringLiteral("totals"), answer.value().body);
    if (!totals)
        co_return IntegrationError::parse(QStringLiteral("metrics"));

    // Checked on the raw text: upper-casing can turn one letter into two ("ß" into "SS").
    const QString currency = IntegrationClient::optional(QStringLiteral("reportingCurrency"), credentials);
    if (!isCurrencyCode(currency))
        co_return IntegrationError::parse(
            QStringLiteral("Set the reporting currency used by your Polar metrics (for example USD)."));
    const QString code = currency.toUpper();
    const std::optional<qint64> monthRevenue = IntegrationJSON::integer(QStringLiteral("revenue"), *totals);
    const std::optional<qint64> monthOrders = IntegrationJSON::integer(QStringLiteral("orders"), *totals);
    if (!monthRevenue || !monthOrders)
        co_return IntegrationError::parse(QStringLiteral("Polar revenue/orders metrics are unavailable"));

    const QJsonObject today =
        todaysPeriod(answer.value().items, now.toTimeZone(context.zone).date(), context.zone).value_or(QJsonObject());
    // Polar reports cents whatever the currency.
    const double revenueToday = double(IntegrationJSON::integer(QStringLiteral("revenue"), today).value_or(0)) / 100;
    const qint64 ordersToday = IntegrationJSON::integer(QStringLiteral("orders"), today).value_or(0);
    IntegrationSnapshot snapshot;
    snapshot.metrics = {
        {QStringLiteral("Basis"), QStringLiteral("Polar reported revenue · ") + code},
        {QStringLiteral("Today"), formatMoney(revenueToday, code)},
        {QStringLiteral("Sales today"), formatInteger(ordersToday)},
        {QStringLiteral("This month"), formatMoney(double(*monthRevenue) / 100, code)},
        {QStringLiteral("Sales this month"), formatInteger(*monthOrders)},
    };
    snapshot.ordersToday = ordersToday;
    snapshot.revenueToday = revenueToday;
    snapshot.currency = code;
    snapshot.fetchedAt = context.clock.now();
    co_return snapshot;
}
