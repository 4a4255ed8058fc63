#include "Wisplet/Tools/Business/ConnectorSupport.h"

namespace ConnectorSupport {

QDateTime startOfDay(const QDateTime& now, const QTimeZone& zone)
{
    return now.toTimeZone(zone).date().startOfDay(zone);
}

QString serviceDate(const QDateTime& instant, const QTimeZone& zone)
{
    // QDate's ISO text is always Gregorian with ASCII digits; QLocale's formats are not.
    return instant.toTimeZone(zone).date().toString(Qt::ISODate);
}

QString withoutOuterSlashes(QString base)
{
    while (base.startsWith(QLatin1Char('/')))
        base.remove(0, 1);
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

QString pathSegment(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

HttpHeaders bearer(const QString& token)
{
    return {{QByteArrayLiteral("Authorization"), "Bearer " + token.toUtf8()}};
}

QCoro::Task<IntegrationResult<QJsonValue>> getJSON(const IntegrationClient& client, QString address, QueryItems query,
                                                   HttpHeaders headers, CancelToken cancel)
{
    const IntegrationResult<QUrl> url = IntegrationClient::makeURL(address, query);
    if (!url.ok())
        co_return url.error();
    co_return co_await client.getJSON(url.value(), std::move(headers), std::move(cancel));
}

} // namespace ConnectorSupport
