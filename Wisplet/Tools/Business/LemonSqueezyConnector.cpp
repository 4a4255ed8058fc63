#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Tools/Business/IntegrationJSON.h"
#include "Wisplet/Tools/Business/PaymentConnector.h"
#include "Wisplet/Tools/Business/PaymentTotals.h"

namespace {

constexpr int pageSize = 100;
constexpr int lastPage = 100;

enum class Order { counted, skipped, beforeMonth };

// Orders come newest first, so the first one from before this month ends the listing.
Order addOrder(PaymentTotals& totals, const QJsonObject& order, const QDateTime& monthStart)
{
    const std::optional<QJsonObject> attributes = IntegrationJSON::object(QStringLiteral("attributes"), order);
    if (!attributes)
        return Order::skipped;
    const std::optional<QDateTime> date =
        PaymentRequest::parseDate(IntegrationJSON::string(QStringLiteral("created_at"), *attributes));
    if (!date)
        return Order::skipped;
    if (*date < monthStart)
        return Order::beforeMonth;
    const QString status = IntegrationJSON::string(QStringLiteral("status"), *attributes).value_or(QString());
    if (status != QLatin1String("paid") && status != QLatin1String("refunded")
        && status != QLatin1String("partial_refund"))
        return Order::skipped;
    const auto integer = [&attributes](const char* key) {
        return IntegrationJSON::integer(QLatin1String(key), *attributes).value_or(0);
    };
    // In double: two extreme integers could overflow their difference.
    const double net = double(integer("total")) - double(integer("refunded_amount"));
    // Cents whatever the currency.
    totals.add(IntegrationJSON::string(QStringLiteral("currency"), *attributes), *date, std::max(net, 0.0) / 100);
    return Order::counted;
}

} // namespace

QCoro::Task<SnapshotResult> fetchLemonSqueezy(PaymentContext context, Credentials credentials, CancelToken cancel)
{
    const IntegrationResult<QString> key =
        IntegrationClient::required(QStringLiteral("apiKey"), QStringLiteral("API key"), credentials);
    if (!key.ok())
        co_return key.error();
    HttpHeaders headers = PaymentRequest::bearer(key.value());
    headers.append({QByteArrayLiteral("Accept"), QByteArrayLiteral("application/vnd.api+json")});
    const QString store = IntegrationClient::optional(QStringLiteral("storeId"), credentials);
    PaymentTotals totals(QStringLiteral("Paid less refunds · before fees"), context.clock, context.zone);
    for (int page = 1;; ++page) {
        QueryItems query{{QStringLiteral("page[size]"), QString::number(pageSize)},
                         {QStringLiteral("page[number]"), QString::number(page)}};
        if (!store.isEmpty())
            query.append({QStringLiteral("filter[store_id]"), store});
        const IntegrationResult<PaymentRequest::Page> answer = co_await PaymentRequest::get(
            context.client, context.client.endpoints().lemonSqueezy + QStringLiteral("/v1/orders"), query, headers,
            QStringLiteral("data"), QStringLiteral("orders"), cancel);
        if (!answer.ok())
            co_return answer.error();
        const QDateTime monthStart = IntegrationClient::startOfMonth(context.clock.now(), context.zone);
        for (const QJsonObject& order : answer.value().items) {
            if (addOrder(totals, order, monthStart) == Order::beforeMonth)
                co_return totals.snapshot();
        }
        if (answer.value().items.size() < pageSize)
            break;
        if (page == lastPage) {
            totals.setTruncated();
            break;
        }
    }
    co_return totals.snapshot();
}
