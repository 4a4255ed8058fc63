#include "Wisplet/Tools/Business/UmamiConnector.h"

#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Tools/Business/ConnectorSupport.h"
#include "Wisplet/Tools/Business/IntegrationFormat.h"
#include "Wisplet/Tools/Business/IntegrationJSON.h"

#include <QJsonArray>

using namespace IntegrationJSON;

namespace {

// An entry that is a number, or an object whose "value" is one; 0 otherwise.
qint64 umamiCount(const QString& key, const QJsonObject& json)
{
    if (const std::optional<QJsonObject> entry = object(key, json)) {
        if (const std::optional<qint64> value = integer(QStringLiteral("value"), *entry))
            return *value;
    }
    return integer(key, json).value_or(0);
}

// The object form names "visitors" first, the array form "x".
QString activeText(const IntegrationResult<QJsonValue>& answer)
{
    const auto either = [](const QJsonObject& json, const QString& first, const QString& second) {
        return formatInteger(integer(first, json).value_or(integer(second, json).value_or(0)));
    };
    if (!answer.ok())
        return QStringLiteral("Unavailable");
    if (answer.value().isObject())
        return either(answer.value().toObject(), QStringLiteral("visitors"), QStringLiteral("x"));
    const std::optional<QList<QJsonObject>> rows = objects(QStringLiteral("rows"), {{"rows", answer.value()}});
    if (rows && !rows->isEmpty())
        return either(rows->first(), QStringLiteral("x"), QStringLiteral("visitors"));
    return QStringLiteral("Unavailable");
}

QString millisecondsText(const QDateTime& instant)
{
    return QString::number(instant.toMSecsSinceEpoch());
}

} // namespace

UmamiConnector::UmamiConnector(const IntegrationClient& client, const Clock& clock, QTimeZone zone)
    : m_client(client)
    , m_clock(clock)
    , m_zone(std::move(zone))
{ }

QCoro::Task<SnapshotResult> UmamiConnector::fetch(IntegrationKind, Credentials credentials, CancelToken cancel)
{
    const IntegrationResult<QString> key =
        IntegrationClient::required(QStringLiteral("apiKey"), QStringLiteral("API key"), credentials);
    if (!key.ok())
        co_return key.error();
    const IntegrationResult<QString> websiteID =
        IntegrationClient::required(QStringLiteral("websiteId"), QStringLiteral("Website ID"), credentials);
    if (!websiteID.ok())
        co_return websiteID.error();
    const QString hosted = m_client.endpoints().umami;
    QString base = IntegrationClient::optional(QStringLiteral("baseURL"), credentials);
    base = ConnectorSupport::withoutOuterSlashes(base.isEmpty() ? hosted : base);
    // The hosted API takes its own key header; a self-hosted server takes a bearer token. Hosts are compared
    // whole: a server whose name or path merely contains the hosted name is someone else's.
    const QString hostedHost = QUrl(hosted).host();
    const HttpHeaders headers = !hostedHost.isEmpty() && QUrl(base).host() == hostedHost
        ? HttpHeaders{{QByteArrayLiteral("x-umami-api-key"), key.value().toUtf8()}}
        : ConnectorSupport::bearer(key.value());
    const QString website = base + QStringLiteral("/websites/") + ConnectorSupport::pathSegment(websiteID.value());

    const IntegrationResult<Stats> today = co_await stats(ConnectorSupport::startOfDay(m_clock.now(), m_zone),
                                                          website + QStringLiteral("/stats"), headers, cancel);
    if (!today.ok())
        co_return today.error();
    const IntegrationResult<Stats> month = co_await stats(IntegrationClient::startOfMonth(m_clock.now(), m_zone),
                                                          website + QStringLiteral("/stats"), headers, cancel);
    if (!month.ok())
        co_return month.error();
    const IntegrationResult<QJsonValue> active = co_await ConnectorSupport::getJSON(
        m_client, website + QStringLiteral("/active"), QueryItems(), headers, cancel);
    if (!active.ok() && active.error().isCancelled())
        co_return active.error();

    IntegrationSnapshot snapshot;
    snapshot.metrics = {
        {QStringLiteral("Live"), activeText(active)},
        {QStringLiteral("Visitors today"), formatInteger(today.value().visitors)},
        {QStringLiteral("Pageviews today"), formatInteger(today.value().pageviews)},
        {QStringLiteral("Visitors this month"), formatInteger(month.value().visitors)},
    };
    snapshot.fetchedAt = m_clock.now();
    co_return snapshot;
}

QCoro::Task<IntegrationResult<UmamiConnector::Stats>>
UmamiConnector::stats(QDateTime start, QString address, HttpHeaders headers, CancelToken cancel) const
{
    const QueryItems query{
        {QStringLiteral("startAt"), millisecondsText(start)},
        {QStringLiteral("endAt"), millisecondsText(m_clock.now())},
    };
    const IntegrationResult<QJsonValue> answer =
        co_await ConnectorSupport::getJSON(m_client, address, query, std::move(headers), std::move(cancel));
    if (!answer.ok())
        co_return answer.error();
    if (!answer.value().isObject())
        co_return IntegrationError::parse(QStringLiteral("stats"));
    const QJsonObject json = answer.value().toObject();
    co_return Stats{umamiCount(QStringLiteral("visitors"), json), umamiCount(QStringLiteral("pageviews"), json)};
}
