#include "Wisplet/Tools/Business/DataFastConnector.h"
#include "Wisplet/Tools/Business/PlausibleConnector.h"
#include "Wisplet/Tools/Business/UmamiConnector.h"
#include "tests/support/ConnectorFixture.h"
#include "tests/support/TestMain.h"

namespace {

const QTimeZone auckland("Pacific/Auckland");
// 09:00 on 17 March in Auckland, still the 16th in UTC.
const QDateTime now(QDate(2026, 3, 16), QTime(20, 0), Qt::UTC);
const QDateTime todayStart(QDate(2026, 3, 17), QTime(0, 0), auckland);
const QDateTime monthStart(QDate(2026, 3, 1), QTime(0, 0), auckland);

const HttpResponse failed{HttpResponse::Failure::none, 500, {}};

QByteArray overview(const QByteArray& fields)
{
    return R"({"data": [{)" + fields + "}]}";
}

struct DataFastCase
{
    Credentials credentials;
    QList<HttpResponse> answers; // today's, then the month's
    QStringList values;
    std::optional<qint64> orders = {};
    std::optional<double> revenue = {};
    QString locale = "en_US";
};

struct PlausibleCase
{
    QString baseURL;
    QList<HttpResponse> aggregates; // the day's, then the month's
    HttpResponse live;
    QStringList values;
    QString address; // of the aggregate request, without its query
};

struct UmamiCase
{
    Credentials credentials;
    QList<HttpResponse> stats; // today's, then the month's
    HttpResponse active;
    QStringList values;
    QString statsPath;
    QByteArray keyHeader; // the header that carries the key
};

const Credentials dataFastKey{{"apiKey", " df_key \n"}};
const QList<HttpResponse> plainDay{ok(R"({"results": {"visitors": {"value": 5}, "pageviews": {"value": 9}}})"),
                                   ok(R"({"results": {"visitors": {"value": 1200}}})")};
const QList<HttpResponse> umamiDays{ok(R"({"visitors": {"value": 12}, "pageviews": 30})"),
                                    ok(R"({"visitors": "400", "pageviews": {"value": 900}})")};

} // namespace

Q_DECLARE_METATYPE(DataFastCase)
Q_DECLARE_METATYPE(PlausibleCase)
Q_DECLARE_METATYPE(UmamiCase)

class AnalyticsConnectorsTest final : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void readsDataFast_data()
    {
        QTest::addColumn<DataFastCase>("row");
        QTest::newRow("figures") << DataFastCase{
            dataFastKey,
            {ok(overview(R"("visitors": 12, "pageviews": "30", "revenue": 12.5, "currency": "eur", "payments": 2)")),
             ok(overview(R"("visitors": 1340.7, "revenue": 99)"))},
            {"12", "30", "€12.50", "1,340", "€99.00"},
            2,
            12.5};
        QTest::newRow("month in its own currency") << DataFastCase{
            dataFastKey,
            {ok(overview(R"("revenue": 1, "currency": "eur")")), ok(overview(R"("revenue": 99, "currency": "gbp")"))},
            {"0", "0", "€1.00", "0", "£99.00"},
            {},
            1};
        QTest::newRow("no payments, no revenue")
            << DataFastCase{dataFastKey, {ok(overview(""))}, {"0", "0", "$0.00", "0", "$0.00"}, {}, 0};
        QTest::newRow("empty data") << DataFastCase{dataFastKey, {ok(R"({"data": []})")}, {"Couldn't read overview."}};
        QTest::newRow("not an object") << DataFastCase{dataFastKey, {ok("[{}]")}, {"Couldn't read overview."}};
        QTest::newRow("month fails") << DataFastCase{dataFastKey, {ok(overview("")), failed}, {"HTTP 500"}};
        QTest::newRow("no key") << DataFastCase{{{"apiKey", " "}}, {}, {"API key is required."}};
        // The month fails, so the figures need no reading in this locale.
        QTest::newRow("ar_EG") << DataFastCase{dataFastKey, {ok(overview("")), failed}, {"HTTP 500"}, {}, {}, "ar_EG"};
    }

    void readsDataFast()
    {
        QFETCH(DataFastCase, row);
        QLocale::setDefault(QLocale(row.locale));
        ConnectorFixture fixture(now);
        fixture.transport.answers.insert("/api/v1/analytics/overview", row.answers);
        DataFastConnector connector(fixture.client, fixture.clock, auckland);
        QCOMPARE(fixture.run(connector, IntegrationKind::dataFast, row.credentials), row.values);
        const QList<RoutedHttpTransport::Request>& sent = fixture.transport.requests;
        for (qsizetype i = 0; i < sent.size(); ++i) {
            // Gregorian, ASCII digits, the user's day.
            const QMap<QString, QString> query{{"startAt", i == 0 ? "2026-03-17" : "2026-03-01"},
                                               {"endAt", "2026-03-17"},
                                               {"timezone", "Pacific/Auckland"}};
            QCOMPARE(sent.at(i).query(), query);
            QCOMPARE(sent.at(i).header("Authorization"), "Bearer df_key");
        }
        if (!fixture.result.ok())
            return;
        QCOMPARE(fixture.result.value().ordersToday, row.orders);
        QCOMPARE(fixture.result.value().revenueToday, row.revenue);
        QCOMPARE(fixture.result.value().fetchedAt, now);
    }

    void readsPlausible_data()
    {
        QTest::addColumn<PlausibleCase>("row");
        const QString hosted = "https://plausible.test/api/v1/stats/aggregate";
        QTest::newRow("hosted") << PlausibleCase{"", plainDay, ok("3"), {"3", "5", "9", "1,200"}, hosted};
        QTest::newRow("self-hosted with a trailing slash")
            << PlausibleCase{"https://stats.example.org/ ",
                             plainDay,
                             ok("3"),
                             {"3", "5", "9", "1,200"},
                             "https://stats.example.org/api/v1/stats/aggregate"};
        QTest::newRow("live with a fraction")
            << PlausibleCase{"", plainDay, ok("3.5"), {"Unavailable", "5", "9", "1,200"}, hosted};
        QTest::newRow("live as text") << PlausibleCase{
            "", plainDay, ok(R"("3")"), {"Unavailable", "5", "9", "1,200"}, hosted};
        QTest::newRow("live fails") << PlausibleCase{"", plainDay, failed, {"Unavailable", "5", "9", "1,200"}, hosted};
        QTest::newRow("missing figures") << PlausibleCase{
            "", {ok(R"({"results": {"visitors": 4}})")}, ok("0"), {"0", "0", "0", "0"}, hosted};
        QTest::newRow("no results") << PlausibleCase{"", {ok(R"({"visitors": 4})")}, {}, {"Couldn't read stats."}, {}};
        QTest::newRow("http base") << PlausibleCase{
            "http://stats.example.org", plainDay, {}, {"Couldn't read URL."}, {}};
    }

    void readsPlausible()
    {
        QFETCH(PlausibleCase, row);
        ConnectorFixture fixture(now);
        fixture.transport.answers.insert("/api/v1/stats/aggregate", row.aggregates);
        fixture.transport.answers.insert("/api/v1/stats/realtime/visitors", {row.live});
        PlausibleConnector connector(fixture.client, fixture.clock);
        const Credentials credentials{{"apiKey", "pk"}, {"siteId", " example.com"}, {"baseURL", row.baseURL}};
        QCOMPARE(fixture.run(connector, IntegrationKind::plausible, credentials), row.values);
        if (row.address.isEmpty())
            return;
        const QList<RoutedHttpTransport::Request>& sent = fixture.transport.requests;
        QCOMPARE(sent.size(), 3);
        QCOMPARE(sent.at(0).url.adjusted(QUrl::RemoveQuery).toString(), row.address);
        for (const QString period : {"day", "month"}) {
            const QMap<QString, QString> query{
                {"site_id", "example.com"}, {"period", period}, {"metrics", "visitors,pageviews"}};
            QCOMPARE(sent.at(period == "day" ? 0 : 1).query(), query);
        }
        QCOMPARE(sent.at(2).query(), (QMap<QString, QString>{{"site_id", "example.com"}}));
        QCOMPARE(sent.at(2).header("Authorization"), "Bearer pk");
    }

    void readsUmami_data()
    {
        QTest::addColumn<UmamiCase>("row");
        const Credentials hosted{{"apiKey", "uk"}, {"websiteId", "site-1"}};
        const Credentials typedHosted{
            {"apiKey", "uk"}, {"websiteId", "site-1"}, {"baseURL", "https://api.umami.test/v1/"}};
        const Credentials selfHosted{
            {"apiKey", "uk"}, {"websiteId", "site-1"}, {"baseURL", "https://umami.example.org/api/"}};
        const QString path = "/v1/websites/site-1/stats";
        const QByteArray key = "x-umami-api-key";
        QTest::newRow("hosted") << UmamiCase{hosted, umamiDays, ok(R"({"visitors": 4})"), {"4", "12", "30", "400"},
                                             path,   key};
        QTest::newRow("hosted typed with a slash")
            << UmamiCase{typedHosted, umamiDays, ok(R"({"x": 6})"), {"6", "12", "30", "400"}, path, key};
        QTest::newRow("self-hosted") << UmamiCase{selfHosted,
                                                  umamiDays,
                                                  ok(R"([{"x": 7, "visitors": 2}])"),
                                                  {"7", "12", "30", "400"},
                                                  "/api/websites/site-1/stats",
                                                  "Authorization"};
        QTest::newRow("a host that only contains the hosted one") << UmamiCase{
            {{"apiKey", "uk"}, {"websiteId", "site-1"}, {"baseURL", "https://api.umami.test.example.org/api"}},
            umamiDays,
            ok("{}"),
            {"0", "12", "30", "400"},
            "/api/websites/site-1/stats",
            "Authorization"};
        QTest::newRow("empty active array")
            << UmamiCase{hosted, umamiDays, ok("[]"), {"Unavailable", "12", "30", "400"}, path, key};
        QTest::newRow("empty active object")
            << UmamiCase{hosted, umamiDays, ok("{}"), {"0", "12", "30", "400"}, path, key};
        QTest::newRow("active fails") << UmamiCase{hosted, umamiDays, failed, {"Unavailable", "12", "30", "400"},
                                                   path,   key};
        QTest::newRow("no pageviews") << UmamiCase{
            hosted, {ok(R"({"visitors": 3})")}, ok("{}"), {"0", "3", "0", "3"}, path, key};
        QTest::newRow("website id is one segment")
            << UmamiCase{{{"apiKey", "uk"}, {"websiteId", "a/b?c#d"}}, umamiDays, ok("{}"), {"0", "12", "30", "400"},
                         "/v1/websites/a%2Fb%3Fc%23d/stats",           key};
        QTest::newRow("stats not an object") << UmamiCase{hosted, {ok("[]")}, {}, {"Couldn't read stats."}, path, key};
        QTest::newRow("no website") << UmamiCase{{{"apiKey", "uk"}}, {}, {}, {"Website ID is required."}, {}, {}};
    }

    void readsUmami()
    {
        QFETCH(UmamiCase, row);
        ConnectorFixture fixture(now);
        QString activePath = row.statsPath;
        activePath.replace("/stats", "/active");
        fixture.transport.answers.insert(row.statsPath, row.stats);
        fixture.transport.answers.insert(activePath, {row.active});
        UmamiConnector connector(fixture.client, fixture.clock, auckland);
        QCOMPARE(fixture.run(connector, IntegrationKind::umami, row.credentials), row.values);
        const QList<RoutedHttpTransport::Request>& sent = fixture.transport.requests;
        if (row.statsPath.isEmpty()) {
            QVERIFY(sent.isEmpty());
            return;
        }
        const QString end = QString::number(now.toMSecsSinceEpoch());
        const QMap<QString, QString> today{{"startAt", QString::number(todayStart.toMSecsSinceEpoch())},
                                           {"endAt", end}};
        QCOMPARE(sent.at(0).query(), today);
        for (const RoutedHttpTransport::Request& request : sent) {
            QCOMPARE(request.header(row.keyHeader), row.keyHeader == "Authorization" ? "Bearer uk" : "uk");
            QCOMPARE(request.header(row.keyHeader == "Authorization" ? "x-umami-api-key" : "Authorization"), "");
        }
        if (sent.size() < 3)
            return;
        QCOMPARE(sent.at(1).query().value("startAt"), QString::number(monthStart.toMSecsSinceEpoch()));
        QCOMPARE(sent.at(2).path(), activePath);
        QVERIFY(sent.at(2).query().isEmpty());
    }
};

WISPLET_TEST_MAIN(AnalyticsConnectorsTest)
#include "tst_analyticsconnectors.moc"
