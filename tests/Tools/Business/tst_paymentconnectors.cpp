#include "Wisplet/Tools/Business/PaymentConnector.h"
#include "tests/support/ConnectorFixture.h"
#include "tests/support/FakeHttpTransport.h"
#include "tests/support/TestMain.h"

#include <QUrlQuery>

#include <functional>

namespace {

using Pages = std::function<QJsonObject(int index)>;

const QTimeZone auckland("Pacific/Auckland");

// One fetch: the answers, and what is expected of the requests and the snapshot.
struct Case
{
    QDateTime now;
    Credentials credentials;
    Pages pages;
    // The snapshot or the error as render() writes it.
    QString outcome;
    int count = 1;
    // The first requests, each as its address with the query items sorted.
    QStringList requests = {};
    QTimeZone zone = auckland;
    QLocale locale = QLocale(QStringLiteral("en_US"));
    bool cancelled = false;
};

QDateTime nz(int month, int day, int hour, int minute = 0)
{
    return QDateTime(QDate(2026, month, day), QTime(hour, minute), auckland);
}

// The middle of March, and half an hour into April (still 31 March in UTC).
const QDateTime mid = nz(3, 14, 15);
const QDateTime first = nz(4, 1, 0, 30);

QString iso(const QDateTime& date)
{
    return date.toUTC().toString(Qt::ISODate);
}

// Answers the n-th request with the n-th body, and any later one with the last.
Pages pages(const QList<QJsonObject>& answers)
{
    return [answers](int index) { return answers.at(std::min<qsizetype>(index, answers.size() - 1)); };
}

QString describe(const QUrl& url)
{
    QList<std::pair<QString, QString>> items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    std::sort(items.begin(), items.end());
    QStringList query;
    for (const auto& [key, value] : items)
        query << key + '=' + value;
    return url.toString(QUrl::RemoveQuery) + '?' + query.join('&');
}

// The card's values in order (the basis only as its partial mark), then "| orders revenue currency".
QString render(const SnapshotResult& result)
{
    if (!result.ok())
        return result.error().description();
    const IntegrationSnapshot& snapshot = result.value();
    QStringList parts;
    for (const Metric& metric : snapshot.metrics) {
        if (metric.label != QLatin1String("Basis"))
            parts << QString(metric.value).replace(QChar(0xa0), ' ');
        else if (metric.value.endsWith(u" · PARTIAL"))
            parts << QStringLiteral("PARTIAL");
    }
    const QString none = QStringLiteral("-");
    parts << QStringLiteral("|") << (snapshot.ordersToday ? QString::number(*snapshot.ordersToday) : none)
          << (snapshot.revenueToday ? QString::number(*snapshot.revenueToday) : none)
          << snapshot.currency.value_or(none);
    return parts.join(' ');
}

QJsonObject list(const char* key, const QList<QJsonObject>& entries, QJsonObject body = {})
{
    QJsonArray array;
    for (const QJsonObject& entry : entries)
        array.append(entry);
    body.insert(key, array);
    return body;
}

QJsonObject charge(qint64 amount, const QJsonValue& currency, const QDateTime& created, const QJsonObject& extra = {})
{
    QJsonObject charge{{"paid", true}, {"amount", amount}, {"created", created.toSecsSinceEpoch()}, {"id", "ch"}};
    charge.insert("currency", currency);
    for (auto it = extra.begin(); it != extra.end(); ++it)
        charge.insert(it.key(), it.value());
    return charge;
}

QJsonObject payment(qint64 amount, const QString& currency, const QJsonValue& created,
                    const QString& status = "succeeded")
{
    return {{"status", status}, {"total_amount", amount}, {"currency", currency}, {"created_at", created}};
}

QJsonObject order(const QDateTime& created, const QString& status = "paid", qint64 total = 1000, qint64 refunded = 0)
{
    return {{"attributes",
             QJsonObject{{"created_at", iso(created)},
                         {"status", status},
                         {"total", total},
                         {"refunded_amount", refunded},
                         {"currency", "USD"}}}};
}

const Credentials stripeKey{{"apiKey", " sk_test \n"}};
const Credentials dodoKey{{"apiKey", "dodo_key"}};
const Credentials lemonKey{{"apiKey", "lemon_key"}};
const QString none = QStringLiteral("No payments in this period 0 0 | 0 - -");

} // namespace

Q_DECLARE_METATYPE(Case)

class PaymentConnectorsTest final : public QObject
{
    Q_OBJECT

private:
    // Runs the fetch and checks the requests, their headers and the outcome.
    void check(PaymentConnector::Fetch fetch, const HttpHeaders& headers = {})
    {
        QFETCH(Case, row);
        const QLocale before;
        QLocale::setDefault(row.locale);
        FakeClock clock;
        clock.setNow(row.now.toUTC());
        FakeHttpTransport transport;
        transport.answer = [&](const QUrl&) {
            const QByteArray body = QJsonDocument(row.pages(int(transport.requests.size()) - 1)).toJson();
            return ok(body);
        };
        const IntegrationClient client(transport, testEndpoints);
        CancelToken cancel;
        if (row.cancelled)
            cancel.cancel();
        const SnapshotResult result = QCoro::waitFor(fetch({client, clock, row.zone}, row.credentials, cancel));
        QLocale::setDefault(before);

        QCOMPARE(render(result), row.outcome);
        QCOMPARE(transport.requests.size(), row.count);
        for (qsizetype i = 0; i < row.requests.size(); ++i)
            QCOMPARE(describe(transport.requests.at(i).url), row.requests.at(i));
        for (const auto& request : std::as_const(transport.requests))
            QVERIFY(std::all_of(headers.begin(), headers.end(), [&](auto h) { return request.headers.contains(h); }));
        if (result.ok())
            QCOMPARE(result.value().fetchedAt, row.now);
    }

private slots:
    void fetchesStripeCharges_data()
    {
        QTest::addColumn<Case>("row");
        const QString march = "https://stripe.test/v1/charges?created[gte]="
            + QString::number(nz(3, 1, 0).toSecsSinceEpoch()) + "&limit=100";
        const QJsonObject refunded{{"amount_refunded", 1000}};
        const QJsonObject more{{"has_more", true}};
        QTest::newRow("minor units, unknown currency last")
            << Case{mid,
                    stripeKey,
                    pages({list("data",
                                {charge(1500, "jpy", nz(3, 14, 9)), charge(1500, "KWD", nz(3, 2, 9)),
                                 charge(1500, QJsonValue::Undefined, nz(3, 14, 0))})}),
                    "¥1,500 ¥1,500 KWD 0.000 KWD 1.500 15.00 15.00 2 3 | 2 - -",
                    1,
                    {march}};
        QTest::newRow("refunds clamped at 0, still sales") << Case{
            mid, stripeKey,
            pages({list("data",
                        {charge(1000, "usd", nz(3, 14, 9), refunded), charge(800, "usd", nz(3, 14, 9), refunded),
                         charge(1000, "usd", nz(3, 14, 9), {{"amount_captured", 1500}, {"amount_refunded", 300}}),
                         charge(0, "usd", nz(3, 1, 0))})}),
            "$12.00 $12.00 3 4 | 3 12 USD"};
        QTest::newRow("unpaid, undated, future, last month")
            << Case{mid, stripeKey,
                    pages({list("data",
                                {charge(100, "usd", nz(3, 14, 9), {{"paid", false}}),
                                 charge(100, "usd", nz(3, 14, 9), {{"paid", "true"}}),
                                 charge(100, "usd", nz(3, 14, 9), {{"created", "soon"}}),
                                 charge(100, "usd", nz(3, 14, 16)), charge(100, "usd", nz(2, 28, 23, 59))})}),
                    none};
        QTest::newRow("00:30 on the first")
            << Case{first,
                    stripeKey,
                    pages({list("data", {charge(500, "usd", nz(4, 1, 0, 10)), charge(500, "eur", nz(3, 31, 23, 50))})}),
                    "$5.00 $5.00 1 1 | 1 5 USD",
                    1,
                    {"https://stripe.test/v1/charges?created[gte]=" + QString::number(nz(4, 1, 0).toSecsSinceEpoch())
                     + "&limit=100"}};
        QTest::newRow("next page after the last id")
            << Case{mid,
                    stripeKey,
                    pages({list("data", {charge(100, "eur", nz(3, 2, 9), {{"id", "ch_1"}})}, more),
                           list("data", {charge(100, "usd", nz(3, 14, 9), {{"id", "ch_2"}})}, {{"has_more", "true"}})}),
                    "€0.00 €1.00 $1.00 $1.00 1 2 | 1 - -",
                    2,
                    {march, march + "&starting_after=ch_1"}};
        QTest::newRow("more but empty") << Case{mid, stripeKey, pages({list("data", {}, more)}), none};
        QTest::newRow("repeated page") << Case{mid, stripeKey, pages({list("data", {charge(1, "usd", mid)}, more)}),
                                               "Couldn't read Repeated Stripe page.", 2};
        QTest::newRow("page limit") << Case{
            mid, stripeKey,
            [more](int index) {
                return list("data", {charge(100, "usd", mid, {{"id", QString::number(index)}})}, more);
            },
            "PARTIAL $100.00 $100.00 100 100 | - - USD", 100};
        QTest::newRow("blank key") << Case{mid, {{"apiKey", " \n"}}, pages({}), "API key is required.", 0};
        QTest::newRow("no list") << Case{mid, stripeKey, pages({{{"data", QJsonObject()}}}), "Couldn't read charges."};
    }

    void fetchesStripeCharges() { check(&fetchStripe, {{"Authorization", "Bearer sk_test"}}); }

    void readsPolarMetrics_data()
    {
        QTest::addColumn<Case>("row");
        const Credentials euro{{"token", "polar_oat"}, {"reportingCurrency", " eur "}};
        const QString address = "https://polar.test/v1/metrics/?end_date=%1&interval=day%2&start_date=%3&timezone=%4";
        const QString march = address.arg("2026-03-14", "", "2026-03-01", "Pacific/Auckland");
        const QJsonObject totals{{"totals", QJsonObject{{"revenue", 10000}, {"orders", 9}}}};
        const QJsonObject metrics = list("periods",
                                         {{{"timestamp", "2026-03-13T11:00:00Z"}, {"revenue", 1234}, {"orders", 2}},
                                          {{"timestamp", "2026-03-14T10:59:59.5Z"}, {"revenue", 99}, {"orders", 1}},
                                          {{"timestamp", "yesterday"}, {"revenue", 5}, {"orders", 5}}},
                                         totals);
        const Pages noPeriods = pages({list("periods", {}, totals)});
        // The service's own sentence, inside the usual frame.
        const QString unset = "Couldn't read Set the reporting currency used by your Polar metrics (for example USD)..";
        QTest::newRow("today's last period")
            << Case{mid, euro, pages({metrics}), "€0.99 1 €100.00 9 | 1 0.99 EUR", 1, {march}};
        QTest::newRow("no period today, organization")
            << Case{mid,
                    {{"token", "polar_oat"}, {"reportingCurrency", "usd"}, {"organizationId", " org 1 "}},
                    pages({list("periods", {{{"timestamp", "2026-03-13T10:59:59Z"}, {"revenue", 1}}}, totals)}),
                    "$0.00 0 $100.00 9 | 0 0 USD",
                    1,
                    {address.arg("2026-03-14", "&organization_id=org 1", "2026-03-01", "Pacific/Auckland")}};
        QTest::newRow("00:30 on the first")
            << Case{first,     euro,
                    noPeriods, "€0.00 0 €100.00 9 | 0 0 EUR",
                    1,         {address.arg("2026-04-01", "", "2026-04-01", "Pacific/Auckland")}};
        QTest::newRow("another zone") << Case{first,
                                              euro,
                                              noPeriods,
                                              "€0.00 0 €100.00 9 | 0 0 EUR",
                                              1,
                                              {address.arg("2026-03-31", "", "2026-03-01", "America/Los_Angeles")},
                                              QTimeZone("America/Los_Angeles")};
        QTest::newRow("Arabic digits, no currency, still asked")
            << Case{mid,      {{"token", "polar_oat"}},        pages({metrics}), unset, 1, {march},
                    auckland, QLocale(QStringLiteral("ar_EG"))};
        QTest::newRow("two letters") << Case{mid, {{"token", "t"}, {"reportingCurrency", "us"}}, noPeriods, unset};
        QTest::newRow("a non-ASCII letter")
            << Case{mid, {{"token", "t"}, {"reportingCurrency", "usé"}}, noPeriods, unset};
        QTest::newRow("totals not integers") << Case{
            mid, euro, pages({list("periods", {}, {{"totals", QJsonObject{{"revenue", "n/a"}, {"orders", 1}}}})}),
            "Couldn't read Polar revenue/orders metrics are unavailable."};
        QTest::newRow("no totals") << Case{mid, euro, pages({list("periods", {})}), "Couldn't read metrics."};
        QTest::newRow("blank token") << Case{mid, {{"token", "\t"}}, pages({}), "Access token is required.", 0};
    }

    void readsPolarMetrics() { check(&fetchPolar); }

    void fetchesDodoPayments_data()
    {
        QTest::addColumn<Case>("row");
        const QString page = "/payments?created_at_gte=" + iso(nz(3, 1, 0)) + "&page_number=%1&page_size=100";
        const QString today = iso(nz(3, 14, 9));
        const QJsonObject full = list("items", QList<QJsonObject>(100, payment(100, "usd", today)));
        QTest::newRow("minor units, live")
            << Case{mid,
                    {{"apiKey", "dodo_key"}, {"mode", "live"}},
                    pages({list("items",
                                {payment(1500, "ISK", today), payment(1500, "LYD", today), payment(1500, "CLF", today),
                                 payment(1500, "eur", today)})}),
                    "CLF 0.1500 CLF 0.1500 €15.00 €15.00 ISK 1,500 ISK 1,500 LYD 1.500 LYD 1.500 4 4 | 4 - -",
                    1,
                    {"https://live.dodo.test" + page.arg(0)}};
        QTest::newRow("test mode, statuses, dates, negative amounts") << Case{
            mid,
            {{"apiKey", "dodo_key"}, {"mode", " TeSt "}},
            pages({list("items",
                        {payment(1000, "usd", "2026-03-13T10:00:00.25+00:00"),
                         payment(-300, "usd", "2026-03-14T09:00:00+13:00"), payment(1000, "usd", today, "failed"),
                         payment(1000, "usd", today, "Succeeded"), payment(1000, "usd", QJsonValue::Undefined),
                         payment(1000, "usd", "2026-03-14T09:00:00"), payment(1000, "usd", "2026-02-28T10:59:59Z")})}),
            "-$3.00 $7.00 1 2 | 1 -3 USD",
            1,
            {"https://test.dodo.test" + page.arg(0)}};
        QTest::newRow("a full page asks for the next")
            << Case{mid,
                    dodoKey,
                    pages({full, list("items", {})}),
                    "$100.00 $100.00 100 100 | 100 100 USD",
                    2,
                    {"https://live.dodo.test" + page.arg(0), "https://live.dodo.test" + page.arg(1)}};
        QTest::newRow("page limit") << Case{mid, dodoKey, pages({full}),
                                            "PARTIAL $10,000.00 $10,000.00 10,000 10,000 | - - USD", 100};
        QTest::newRow("cancelled") << Case{mid, dodoKey, pages({}), "Cancelled.", 0, {}, auckland, QLocale(), true};
        QTest::newRow("no list") << Case{mid, dodoKey, pages({QJsonObject()}), "Couldn't read payments."};
    }

    void fetchesDodoPayments() { check(&fetchDodo, {{"Authorization", "Bearer dodo_key"}}); }

    void fetchesLemonSqueezyOrders_data()
    {
        QTest::addColumn<Case>("row");
        const QDateTime today = nz(3, 14, 9);
        const QString page = "https://lemon.test/v1/orders?%1page[number]=%2&page[size]=100";
        QList<QJsonObject> olderSecond(100, order(today));
        olderSecond[1] = order(nz(2, 28, 23, 59));
        QTest::newRow("statuses and refunds, store") << Case{mid,
                                                             {{"apiKey", "lemon_key"}, {"storeId", " 42 "}},
                                                             pages({list("data",
                                                                         {order(today, "paid"),
                                                                          order(today, "refunded", 1000, 1000),
                                                                          order(today, "partial_refund", 1000, 400),
                                                                          order(today, "partial_refund", 100, 400),
                                                                          order(today, "pending"),
                                                                          {{"attributes", "none"}},
                                                                          order(nz(3, 2, 0))})}),
                                                             "$16.00 $26.00 4 5 | 4 16 USD",
                                                             1,
                                                             {page.arg("filter[store_id]=42&").arg(1)}};
        QTest::newRow("an older order ends the listing") << Case{mid,
                                                                 lemonKey,
                                                                 pages({list("data", olderSecond)}),
                                                                 "$10.00 $10.00 1 1 | 1 10 USD",
                                                                 1,
                                                                 {page.arg("").arg(1)}};
        QTest::newRow("99 orders end it")
            << Case{mid, lemonKey, pages({list("data", QList<QJsonObject>(99, order(today, "paid", 1)))}),
                    "$0.99 $0.99 99 99 | 99 0.99 USD"};
        QTest::newRow("page limit") << Case{mid,
                                            lemonKey,
                                            pages({list("data", QList<QJsonObject>(100, order(today, "paid", 1)))}),
                                            "PARTIAL $100.00 $100.00 10,000 10,000 | - - USD",
                                            100,
                                            {page.arg("").arg(1), page.arg("").arg(2)}};
        QTest::newRow("no list") << Case{mid, lemonKey, pages({{{"data", 1}}}), "Couldn't read orders."};
        QTest::newRow("no key") << Case{mid, {}, pages({}), "API key is required.", 0};
    }

    void fetchesLemonSqueezyOrders()
    {
        check(&fetchLemonSqueezy, {{"Authorization", "Bearer lemon_key"}, {"Accept", "application/vnd.api+json"}});
    }

    void registersEveryPaymentService()
    {
        FakeClock clock;
        FakeHttpTransport transport;
        const IntegrationClient client(transport, {});
        ConnectorTable table;
        PaymentConnector::addTo(table, client, clock);
        for (const IntegrationKind kind : kinds(IntegrationCategory::payments))
            QCOMPARE(QCoro::waitFor(table.fetch(kind, {}, {})).error().kind(), IntegrationError::Kind::missing);
    }
};

WISPLET_TEST_MAIN(PaymentConnectorsTest)
#include "tst_paymentconnectors.moc"
