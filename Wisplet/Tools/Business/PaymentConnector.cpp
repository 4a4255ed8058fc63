#include "Wisplet/Tools/Business/PaymentConnector.h"

#include "Wisplet/Tools/Business/IntegrationJSON.h"

#include <QRegularExpression>

PaymentConnector::PaymentConnector(Fetch fetcher, PaymentContext context)
    : m_fetch(fetcher)
    , m_context(std::move(context))
{ }

QCoro::Task<SnapshotResult> PaymentConnector::fetch(IntegrationKind, Credentials credentials, CancelToken cancel)
{
    return m_fetch(m_context, std::move(credentials), std::move(cancel));
}

void PaymentConnector::addTo(ConnectorTable& table, const IntegrationClient& client, const Clock& clock,
                             const QTimeZone& zone)
{
    const PaymentContext context{client, clock, zone};
    table.add(IntegrationKind::stripe, std::make_unique<PaymentConnector>(&fetchStripe, context));
    table.add(IntegrationKind::polar, std::make_unique<PaymentConnector>(&fetchPolar, context));
    table.add(IntegrationKind::dodo, std::make_unique<PaymentConnector>(&fetchDodo, context));
    table.add(IntegrationKind::lemonSqueezy, std::make_unique<PaymentConnector>(&fetchLemonSqueezy, context));
}

namespace PaymentRequest {

QCoro::Task<IntegrationResult<Page>> get(const IntegrationClient& client, QString address, QueryItems query,
                                         HttpHeaders headers, QString listKey, QString shapeName, CancelToken cancel)
{
    if (cancel.isCancelled())
        co_return IntegrationError::cancelled();
    const IntegrationResult<QUrl> url = IntegrationClient::makeURL(address, query);
    if (!url.ok())
        co_return url.error();
    const IntegrationResult<QJsonValue> json = co_await client.getJSON(url.value(), std::move(headers), cancel);
    if (!json.ok())
        co_return json.error();
    const QJsonObject body = json.value().toObject();
    std::optional<QList<QJsonObject>> items = IntegrationJSON::objects(listKey, body);
    if (!json.value().isObject() || !items)
        co_return IntegrationError::parse(shapeName);
    co_return Page{body, std::move(*items)};
}

std::optional<QDateTime> parseDate(const std::optional<QString>& text)
{
    // Spelled out rather than Qt's ISO reader, which takes dates without an offset as local time.
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):"
                       "([0-9]{2})(?:\\.([0-9]+))?(?:(Z)|([+-])([0-9]{2}):([0-9]{2}))$"));
    if (!text)
        return std::nullopt;
    const QRegularExpressionMatch match = pattern.match(*text);
    if (!match.hasMatch())
        return std::nullopt;
    const auto number = [&match](int group) { return match.capturedView(group).toInt(); };
    const int milliseconds = match.captured(7).leftJustified(3, u'0').left(3).toInt();
    const QDate date(number(1), number(2), number(3));
    const QTime time(number(4), number(5), number(6), milliseconds);
    const int offsetHours = number(10);
    const int offsetMinutes = number(11);
    if (!date.isValid() || !time.isValid() || offsetHours > 23 || offsetMinutes > 59)
        return std::nullopt;
    const int offset = (offsetHours * 3600 + offsetMinutes * 60) * (match.captured(9) == u"-" ? -1 : 1);
    return QDateTime(date, time, match.hasCaptured(8) ? QTimeZone::utc() : QTimeZone(offset));
}

} // namespace PaymentRequest
