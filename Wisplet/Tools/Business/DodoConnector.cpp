#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Tools/Business/IntegrationJSON.h"
#include "Wisplet/Tools/Business/PaymentConnector.h"
#include "Wisplet/Tools/Business/PaymentTotals.h"

#include <QSet>

namespace {

constexpr int pageSize = 100;
constexpr int maxPages = 100;

// Amounts are in the currency's minor unit; this service's table is its own.
double dodoDivisor(const QString& code)
{
    static const QSet<QString> whole{"BIF", "CLP", "DJF", "GNF", "ISK", "JPY", "KMF", "KRW", "PYG",
                                     "RWF", "UGX", "UYI", "VND", "VUV", "XAF", "XOF", "XPF"};
    static const QSet<QString> thousandths{"BHD", "IQD", "JOD", "KWD", "LYD", "OMR", "TND"};
    static const QSet<QString> tenThousandths{"CLF", "UYW"};
    if (whole.contains(code))
        return 1;
    if (thousandths.contains(code))
        return 1000;
    return tenThousandths.contains(code) ? 10000 : 100;
}

void addPayment(PaymentTotals& totals, const QJsonObject& payment)
{
    const std::optional<QDateTime> date =
        PaymentRequest::parseDate(IntegrationJSON::string(QStringLiteral("created_at"), payment));
    if (IntegrationJSON::string(QStringLiteral("status"), payment) != QLatin1String("succeeded") || !date)
        return;
    const qint64 amount = IntegrationJSON::integer(QStringLiteral("total_amount"), payment).value_or(0);
    const std::optional<QString> currency = IntegrationJSON::string(QStringLiteral("currency"), payment);
    // Gross: not clamped, so a negative amount lowers the sum.
    totals.add(currency, *date, double(amount) / dodoDivisor(currency.value_or(QStringLiteral("USD")).toUpper()));
}

} // namespace

QCoro::Task<SnapshotResult> fetchDodo(PaymentContext context, Credentials credentials, CancelToken cancel)
{
    const IntegrationResult<QString> key =
        IntegrationClient::required(QStringLiteral("apiKey"), QStringLiteral("API key"), credentials);
    if (!key.ok())
        co_return key.error();
    const bool testMode =
        IntegrationClient::optional(QStringLiteral("mode"), credentials).toLower() == QLatin1String("test");
    const QString endpoint = testMode ? context.client.endpoints().dodoTest : context.client.endpoints().dodoLive;
    PaymentTotals totals(QStringLiteral("Gross · before refunds/fees"), context.clock, context.zone);
    for (int page = 0;; ++page) {
        const QDateTime monthStart = IntegrationClient::startOfMonth(context.clock.now(), context.zone);
        const QueryItems query{
            {QStringLiteral("created_at_gte"), monthStart.toUTC().toString(Qt::ISODate)},
            {QStringLiteral("page_size"), QString::number(pageSize)},
            {QStringLiteral("page_number"), QString::number(page)},
        };
        const IntegrationResult<PaymentRequest::Page> answer = co_await PaymentRequest::get(
            context.client, endpoint + QStringLiteral("/payments"), query, PaymentRequest::bearer(key.value()),
            QStringLiteral("items"), QStringLiteral("payments"), cancel);
        if (!answer.ok())
            co_return answer.error();
        for (const QJsonObject& payment : answer.value().items)
            addPayment(totals, payment);
        if (answer.value().items.size() < pageSize)
            break;
        if (page == maxPages - 1) {
            totals.setTruncated();
            break;
        }
    }
    co_return totals.snapshot();
}
