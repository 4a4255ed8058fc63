#include "Wisplet/Tools/Business/IntegrationClient.h"
#include "Wisplet/Tools/Business/QtHttpTransport.h"
#include "tests/support/FakeHttpTransport.h"
#include "tests/support/LocalHttpsServer.h"
#include "tests/support/TestMain.h"

#include <QCoro/QCoroTask>
#include <QTimer>

namespace {

using namespace std::chrono_literals;

struct Answer
{
    HttpResponse response;
    QString error; // empty: a JSON value is expected
    QJsonValue value;
};

struct Exchange
{
    QByteArray response; // empty: never answered
    bool trusted;
    QString error;
};

struct Address
{
    QString text;
    bool accepted;
};

struct MonthStart
{
    QDateTime now;
    QDateTime expected;
};

IntegrationResult<QJsonValue> fetch(const IntegrationClient& client, const QUrl& url, CancelToken cancel = {})
{
    return QCoro::waitFor(client.getJSON(url, {{"Authorization", "Bearer sk_secret"}}, cancel));
}

QDateTime auckland(int year, int month, int day, int hour)
{
    return QDateTime(QDate(year, month, day), QTime(hour, 0), QTimeZone("Pacific/Auckland"));
}

} // namespace

Q_DECLARE_METATYPE(Answer)
Q_DECLARE_METATYPE(MonthStart)
Q_DECLARE_METATYPE(Exchange)
Q_DECLARE_METATYPE(Address)

class IntegrationClientTest final : public QObject
{
    Q_OBJECT

private slots:
    void acceptsOnlySecureAddressesWithAHost_data()
    {
        QTest::addColumn<Address>("row");
        QTest::newRow("https") << Address{"https://api.example.com/v1", true};
        QTest::newRow("http") << Address{"http://api.example.com/v1", false};
        QTest::newRow("no host") << Address{"https:///v1", false};
        QTest::newRow("upper case") << Address{"HTTPS://api.example.com/v1", false};
        QTest::newRow("not an address") << Address{"https://exa mple.com", false};
    }

    void acceptsOnlySecureAddressesWithAHost()
    {
        QFETCH(Address, row);
        const IntegrationResult<QUrl> url = IntegrationClient::makeURL(row.text, {{"q", "1"}});
        QCOMPARE(url.ok(), row.accepted);
        if (!row.accepted)
            QCOMPARE(url.error().description(), QStringLiteral("Couldn't read URL."));
    }

    void readsTheAnswer_data()
    {
        QTest::addColumn<Answer>("row");
        using F = HttpResponse::Failure;
        // Past what is parsed in place.
        const QByteArray largeArray = "[0" + QByteArray(", 0").repeated(99'999) + "]";
        const QJsonArray zeros = QJsonDocument::fromJson(largeArray).array();
        const QByteArray cutInsideCharacter = QByteArray(159, 'x') + "\xc3\xa9 more";
        QTest::newRow("404 without body") << Answer{{F::none, 404, {}}, "HTTP 404", {}};
        QTest::newRow("404 trimmed") << Answer{{F::none, 404, "  Not found \n"}, "HTTP 404: Not found", {}};
        QTest::newRow("cut inside a character") << Answer{{F::none, 404, cutInsideCharacter}, "HTTP 404", {}};
        QTest::newRow("long body cut") << Answer{
            {F::none, 500, QByteArray(400, 'e')}, "HTTP 500: " + QString(160, 'e'), {}};
        QTest::newRow("bare number") << Answer{{F::none, 204, " 42 "}, {}, 42};
        QTest::newRow("object") << Answer{{F::none, 200, R"({"a": [1]})"}, {}, QJsonObject{{"a", QJsonArray{1}}}};
        QTest::newRow("empty body") << Answer{
            {F::none, 200, ""}, "The data couldn't be read because it isn't in the correct format.", {}};
        QTest::newRow("breaking out of the wrapper")
            << Answer{{F::none, 200, "1],[2"}, "The data couldn't be read because it isn't in the correct format.", {}};
        QTest::newRow("not HTTP") << Answer{{F::notHttp, 0, {}}, "Unexpected response.", {}};
        QTest::newRow("too large") << Answer{{F::tooLarge, 0, {}}, "The server's answer was too large.", {}};
        QTest::newRow("large, parsed on a worker") << Answer{{F::none, 200, largeArray}, {}, zeros};
        QTest::newRow("host not found") << Answer{
            {F::hostNotFound, 0, {}}, "A server with the specified hostname could not be found.", {}};
    }

    void readsTheAnswer()
    {
        QFETCH(Answer, row);
        FakeHttpTransport transport;
        transport.response = row.response;
        const IntegrationClient client(transport, {}, 5s);
        const IntegrationResult<QJsonValue> result = fetch(client, QUrl("https://example.com/x"));
        QCOMPARE(result.ok() ? QString() : result.error().description(), row.error);
        if (result.ok())
            QCOMPARE(result.value(), row.value);
        const FakeHttpTransport::Request& request = transport.requests.first();
        QCOMPARE(request.timeout, 5s);
        QCOMPARE(request.headers.first(), std::pair(QByteArray("User-Agent"), QByteArray("Wisplet")));
    }

    void findsTheStartOfTheMonth_data()
    {
        QTest::addColumn<MonthStart>("row");
        QTest::newRow("mid-March") << MonthStart{auckland(2026, 3, 17, 15), auckland(2026, 3, 1, 0)};
        // Still March in UTC.
        QTest::newRow("first of April, local") << MonthStart{auckland(2026, 4, 1, 1), auckland(2026, 4, 1, 0)};
        QTest::newRow("new year's eve") << MonthStart{auckland(2026, 12, 31, 23), auckland(2026, 12, 1, 0)};
    }

    void findsTheStartOfTheMonth()
    {
        QFETCH(MonthStart, row);
        const QDateTime start = IntegrationClient::startOfMonth(row.now.toUTC(), QTimeZone("Pacific/Auckland"));
        QCOMPARE(start, row.expected);
    }

    void sendsQueryValuesThatArriveUnchanged()
    {
        LocalHttpsServer server(LocalHttpsServer::response("200 OK", R"({"ok": true})"));
        QVERIFY(server.listen());
        QtHttpTransport transport(LocalHttpsServer::trusting());
        const IntegrationClient client(transport, {});
        const QStringList values{"a+b", "100%", "%41", "x&y=z#w", "Etc/GMT+5", "Lisboa ü"};
        QueryItems query;
        for (const QString& value : values)
            query.append({value, value});
        const IntegrationResult<QUrl> url =
            IntegrationClient::makeURL(server.url(QStringLiteral("/v1/stats")).toString(), query);
        QVERIFY(url.ok());

        const IntegrationResult<QJsonValue> result = fetch(client, url.value());
        QVERIFY(result.ok());
        QCOMPARE(result.value(), QJsonValue(QJsonObject{{"ok", true}}));

        const QByteArray request = server.requests().first();
        QVERIFY(request.contains("\r\nUser-Agent: Wisplet\r\n"));
        const QByteArray target = request.split(' ').at(1);
        const QList<QByteArray> pairs = target.mid(target.indexOf('?') + 1).split('&');
        QCOMPARE(pairs.size(), values.size());
        for (qsizetype i = 0; i < values.size(); ++i) {
            // Read as a form would be, '+' as a space, so a '+' sent unencoded shows.
            const QList<QByteArray> keyValue = pairs.at(i).split('=');
            QCOMPARE(keyValue.size(), 2);
            for (QByteArray part : keyValue)
                QCOMPARE(QString::fromUtf8(QByteArray::fromPercentEncoding(part.replace('+', ' '))), values.at(i));
        }
    }

    void readsAnswersOverHttps_data()
    {
        QTest::addColumn<Exchange>("row");
        // Qt reports 401 as an error of its own; the status must still decide.
        QTest::newRow("status before Qt's error")
            << Exchange{LocalHttpsServer::response("401 Unauthorized", R"({"error":"bad key"})"), true,
                        R"(HTTP 401: {"error":"bad key"})"};
        QTest::newRow("stalled") << Exchange{{}, true, "The request timed out."};
        QTest::newRow("untrusted certificate")
            << Exchange{{}, false, "A secure connection to the server could not be made."};
    }

    void readsAnswersOverHttps()
    {
        QFETCH(Exchange, row);
        LocalHttpsServer server(row.response);
        QVERIFY(server.listen());
        QtHttpTransport transport(row.trusted ? LocalHttpsServer::trusting()
                                              : QSslConfiguration::defaultConfiguration());
        const IntegrationClient client(transport, {}, 300ms);
        const QUrl url = IntegrationClient::makeURL(server.url().toString(), {{"api_key", "sk_secret"}}).value();
        const IntegrationResult<QJsonValue> result = fetch(client, url);
        QVERIFY(!result.ok());
        // Fixed texts: nothing of the address or its key.
        QCOMPARE(result.error().description(), row.error);
    }

    void cancellingAbortsTheRequest()
    {
        LocalHttpsServer server({});
        QVERIFY(server.listen());
        QtHttpTransport transport(LocalHttpsServer::trusting());
        const IntegrationClient client(transport, {});
        CancelToken cancel;
        QTimer::singleShot(100ms, [&cancel] { cancel.cancel(); });
        QElapsedTimer elapsed;
        elapsed.start();
        const IntegrationResult<QJsonValue> result = fetch(client, server.url(), cancel);
        QVERIFY(!result.ok());
        QVERIFY(result.error().isCancelled());
        QVERIFY(elapsed.elapsed() < 10'000);
    }
};

WISPLET_TEST_MAIN(IntegrationClientTest)
#include "tst_integrationclient.moc"
