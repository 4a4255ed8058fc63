#include "Wisplet/Tools/Business/DataFastConnector.h"

#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Tools/Business/ConnectorSupport.h"
#include "Wisplet/Tools/Business/IntegrationFormat.h"
#include "Wisplet/Tools/Business/IntegrationJSON.h"

using namespace IntegrationJSON;

DataFastConnector::DataFastConnector(const IntegrationClient& client, const Clock& clock, QTimeZone zone)
    : m_client(client)
    , m_clock(clock)
    , m_zone(std::move(zone))
{ }

QCoro::Task<SnapshotResult> DataFastConnector::fetch(IntegrationKind, Credentials credentials, CancelToken cancel)
{
    const IntegrationResult<QString> key =
        IntegrationClient::required(QStringLiteral("apiKey"), QStringLiteral("API key"), credentials);
    if (!key.ok())
        co_return key.error();
    const HttpHeaders headers = ConnectorSupport::bearer(key.value());
    const IntegrationResult<QJsonObject> today =
        co_await overview(ConnectorSupport::startOfDay(m_clock.now(), m_zone), headers, cancel);
    if (!today.ok())
        co_return today.error();
    const IntegrationResult<QJsonObject> month =
        co_await overview(IntegrationClient::startOfMonth(m_clock.now(), m_zone), headers, cancel);
    if (!month.ok())
        co_return month.error();

    const QJsonObject& day = today.value();
    const std::optional<QString> currency = string(QStringLiteral("currency"), day);
    // The month's own currency when it names one: its revenue is an amount in that currency.
    std::optional<QString> monthCurrency = string(QStringLiteral("currency"), month.value());
    if (!monthCurrency)
        monthCurrency = currency;
    const double revenue = number(QStringLiteral("revenue"), day).value_or(0);
    IntegrationSnapshot snapshot;
    snapshot.metrics = {
        {QStringLiteral("Visitors today"), formatInteger(integer(QStringLiteral("visitors"), day).value_or(0))},
        {QStringLiteral("Pageviews today"), formatInteger(integer(QStringLiteral("pageviews"), day).value_or(0))},
        {QStringLiteral("Revenue today"), formatMoney(revenue, currency)},
        {QStringLiteral("Visitors this month"),
         formatInteger(integer(QStringLiteral("visitors"), month.value()).value_or(0))},
        {QStringLiteral("Revenue this month"),
         formatMoney(number(QStringLiteral("revenue"), month.value()).value_or(0), monthCurrency)},
    };
    snapshot.ordersToday = integer(QStringLiteral("payments"), day);
    snapshot.revenueToday = revenue;
    snapshot.currency = currency;
    snapshot.fetchedAt = m_clock.now();
    co_return snapshot;
}

QCoro::Task<IntegrationResult<QJsonObject>> DataFastConnector::overview(QDateTime start, HttpHeaders headers,
                                                                        CancelToken cancel) const
{
    const QueryItems query{
        {QStringLiteral("startAt"), ConnectorSupport::serviceDate(start, m_zone)},
        {QStringLiteral("endAt"), ConnectorSupport::serviceDate(m_clock.now(), m_zone)},
        {QStringLiteral("timezone"), QString::fromUtf8(m_zone.id())},
    };
    const IntegrationResult<QJsonValue> answer = co_await ConnectorSupport::getJSON(
        m_client, m_client.endpoints().dataFast + QStringLiteral("/api/v1/analytics/overview"), query,
        std::move(headers), std::move(cancel));
    if (!answer.ok())
        co_return answer.error();
    const std::optional<QList<QJsonObject>> data = objects(QStringLiteral("data"), answer.value().toObject());
    if (!answer.value().isObject() || !data || data->isEmpty())
        co_return IntegrationError::parse(QStringLiteral("overview"));
    co_return data->first();
}
