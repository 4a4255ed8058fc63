#include "Wisplet/Tools/Business/PlausibleConnector.h"

#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Tools/Business/ConnectorSupport.h"
#include "Wisplet/Tools/Business/IntegrationFormat.h"
#include "Wisplet/Tools/Business/IntegrationJSON.h"

#include <cmath>

namespace {

// The metric's "value"; 0 when the entry or its value is missing.
qint64 plausibleValue(const QString& key, const QJsonObject& results)
{
    const std::optional<QJsonObject> entry = IntegrationJSON::object(key, results);
    return entry ? IntegrationJSON::integer(QStringLiteral("value"), *entry).value_or(0) : 0;
}

// Only a bare whole number is a count of live visitors.
QString liveText(const IntegrationResult<QJsonValue>& answer)
{
    if (!answer.ok() || !answer.value().isDouble())
        return QStringLiteral("Unavailable");
    const double value = answer.value().toDouble();
    if (value != std::trunc(value) || std::abs(value) >= 0x1p63)
        return QStringLiteral("Unavailable");
    return formatInteger(qint64(value));
}

} // namespace

PlausibleConnector::PlausibleConnector(const IntegrationClient& client, const Clock& clock)
    : m_client(client)
    , m_clock(clock)
{ }

QCoro::Task<SnapshotResult> PlausibleConnector::fetch(IntegrationKind, Credentials credentials, CancelToken cancel)
{
    const IntegrationResult<QString> key =
        IntegrationClient::required(QStringLiteral("apiKey"), QStringLiteral("API key"), credentials);
    if (!key.ok())
        co_return key.error();
    const IntegrationResult<QString> siteID =
        IntegrationClient::required(QStringLiteral("siteId"), QStringLiteral("Site ID"), credentials);
    if (!siteID.ok())
        co_return siteID.error();
    QString base = IntegrationClient::optional(QStringLiteral("baseURL"), credentials);
    base = ConnectorSupport::withoutOuterSlashes(base.isEmpty() ? m_client.endpoints().plausible : base);
    const HttpHeaders headers = ConnectorSupport::bearer(key.value());

    const IntegrationResult<QJsonObject> day =
        co_await aggregate(QStringLiteral("day"), base, siteID.value(), headers, cancel);
    if (!day.ok())
        co_return day.error();
    const IntegrationResult<QJsonObject> month =
        co_await aggregate(QStringLiteral("month"), base, siteID.value(), headers, cancel);
    if (!month.ok())
        co_return month.error();
    // Named: GCC 12 mishandles a braced list inside a co_await expression.
    const QueryItems site{{QStringLiteral("site_id"), siteID.value()}};
    const IntegrationResult<QJsonValue> live = co_await ConnectorSupport::getJSON(
        m_client, base + QStringLiteral("/api/v1/stats/realtime/visitors"), site, headers, cancel);
    if (!live.ok() && live.error().isCancelled())
        co_return live.error();

    IntegrationSnapshot snapshot;
    snapshot.metrics = {
        {QStringLiteral("Live"), liveText(live)},
        {QStringLiteral("Visitors today"), formatInteger(plausibleValue(QStringLiteral("visitors"), day.value()))},
        {QStringLiteral("Pageviews today"), formatInteger(plausibleValue(QStringLiteral("pageviews"), day.value()))},
        {QStringLiteral("Visitors this month"),
         formatInteger(plausibleValue(QStringLiteral("visitors"), month.value()))},
    };
    snapshot.fetchedAt = m_clock.now();
    co_return snapshot;
}

QCoro::Task<IntegrationResult<QJsonObject>> PlausibleConnector::aggregate(QString period, QString base, QString siteID,
                                                                          HttpHeaders headers, CancelToken cancel) const
{
    const QueryItems query{
        {QStringLiteral("site_id"), siteID},
        {QStringLiteral("period"), period},
        {QStringLiteral("metrics"), QStringLiteral("visitors,pageviews")},
    };
    const IntegrationResult<QJsonValue> answer = co_await ConnectorSupport::getJSON(
        m_client, base + QStringLiteral("/api/v1/stats/aggregate"), query, std::move(headers), std::move(cancel));
    if (!answer.ok())
        co_return answer.error();
    const std::optional<QJsonObject> results =
        IntegrationJSON::object(QStringLiteral("results"), answer.value().toObject());
    if (!results)
        co_return IntegrationError::parse(QStringLiteral("stats"));
    co_return *results;
}
