#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Tools/Business/IntegrationJSON.h"
#include "Wisplet/Tools/Business/PaymentConnector.h"
#include "Wisplet/Tools/Business/PaymentTotals.h"

#include <QSet>

#include <cmath>

namespace {

constexpr int maxPages = 100;
// Far beyond any charge of this month; keeps the conversion to milliseconds in range.
constexpr double maxSeconds = 1e12;

// Charges are in the currency's minor unit.
double stripeDivisor(const QString& code)
{
    static const QSet<QString> whole{"BIF", "CLP", "DJF", "GNF", "JPY", "KMF", "KRW", "MGA",
                                     "PYG", "RWF", "VND", "VUV", "XAF", "XOF", "XPF"};
    static const QSet<QString> thousandths{"BHD", "JOD", "KWD", "OMR", "TND"};
    if (whole.contains(code))
        return 1;
    return thousandths.contains(code) ? 1000 : 100;
}

void addCharge(PaymentTotals& totals, const QJsonObject& charge)
{
    const std::optional<double> created = IntegrationJSON::number(QStringLiteral("created"), charge);
    if (IntegrationJSON::boolean(QStringLiteral("paid"), charge) != true || !created
        || !(std::abs(*created) < maxSeconds))
        return;
    const auto integer = [&charge](const char* key) { return IntegrationJSON::integer(QLatin1String(key), charge); };
    const qint64 amount = integer("amount_captured").value_or(integer("amount").value_or(0));
    // In double: two extreme integers could overflow their difference.
    const double net = double(amount) - double(integer("amount_refunded").value_or(0));
    const std::optional<QString> currency = IntegrationJSON::string(QStringLiteral("currency"), charge);
    const QDateTime date = QDateTime::fromMSecsSinceEpoch(qint64(std::floor(*created * 1000)), QTimeZone::utc());
    totals.add(currency, date, std::max(net, 0.0) / stripeDivisor(currency.value_or(QStringLiteral("USD")).toUpper()));
}

} // namespace

QCoro::Task<SnapshotResult> fetchStripe(PaymentContext context, Credentials credentials, CancelToken cancel)
{
    const IntegrationResult<QString> key =
        IntegrationClient::required(QStringLiteral("apiKey"), QStringLiteral("API key"), credentials);
    if (!key.ok())
        co_return key.error();
    PaymentTotals totals(QStringLiteral("Captured less refunds · before fees"), context.clock, context.zone);
    std::optional<QString> cursor;
    for (int page = 0;; ++page) {
        const QDateTime monthStart = IntegrationClient::startOfMonth(context.clock.now(), context.zone);
        QueryItems query{{QStringLiteral("limit"), QStringLiteral("100")},
                         {QStringLiteral("created[gte]"), QString::number(monthStart.toSecsSinceEpoch())}};
        if (cursor)
            query.append({QStringLiteral("starting_after"), *cursor});
        const IntegrationResult<PaymentRequest::Page> answer = co_await PaymentRequest::get(
            context.client, context.client.endpoints().stripe + QStringLiteral("/v1/charges"), query,
            PaymentRequest::bearer(key.value()), QStringLiteral("data"), QStringLiteral("charges"), cancel);
        if (!answer.ok())
            co_return answer.error();
        const QList<QJsonObject>& charges = answer.value().items;
        for (const QJsonObject& charge : charges)
            addCharge(totals, charge);
        if (IntegrationJSON::boolean(QStringLiteral("has_more"), answer.value().body) != true || charges.isEmpty())
            break;
        const std::optional<QString> last = IntegrationJSON::string(QStringLiteral("id"), charges.last());
        if (!last)
            break;
        if (cursor == last)
            co_return IntegrationError::parse(QStringLiteral("Repeated Stripe page"));
        if (page == maxPages - 1) {
            totals.setTruncated();
            break;
        }
        cursor = last;
    }
    co_return totals.snapshot();
}
