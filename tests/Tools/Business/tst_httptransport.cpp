#include "Wisplet/Tools/Business/IntegrationClient.h"
#include "Wisplet/Tools/Business/QtHttpTransport.h"
#include "tests/support/LocalHttpsServer.h"
#include "tests/support/TestMain.h"

#include <QCoro/QCoroTask>

#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr qint64 limit = 1024 * 1024;

QCoro::Task<> request(QtHttpTransport& transport, QUrl url, std::chrono::milliseconds timeout, CancelToken cancel,
                      QList<HttpResponse::Failure>& outcomes)
{
    const HttpResponse response = co_await transport.get(url, {}, timeout, limit, cancel);
    outcomes.append(response.failure);
}

struct Redirect
{
    QByteArray status;
    HttpHeaders headers;
    QString query;
    bool followed;
};

} // namespace

Q_DECLARE_METATYPE(Redirect)

class HttpTransportTest final : public QObject
{
    Q_OBJECT

private slots:
    // The answers, the time-outs and the cancels all wait at once when the main thread was held up (a long
    // calendar read, say): each request must end once, whichever comes first.
    void survivesAStalledLoopWithRequestsInFlight()
    {
        LocalHttpsServerThread server(LocalHttpsServer::response("200 OK", R"({"ok": true})"), 300ms);
        QVERIFY(server.isListening());
        QtHttpTransport transport(LocalHttpsServer::trusting());
        // No more than Qt opens to one host at once.
        constexpr int count = 6;
        QList<CancelToken> cancels(count);
        QList<HttpResponse::Failure> outcomes;
        for (int i = 0; i < count; ++i)
            request(transport, server.url(), i % 2 == 0 ? 3s : 30s, cancels[i], outcomes);
        QTRY_COMPARE_WITH_TIMEOUT(server.requestCount(), count, 10'000);

        // Busy, past the short time-outs, while the answers come in on the network thread.
        QVERIFY(outcomes.isEmpty());
        std::this_thread::sleep_for(4s);
        for (int i = 0; i < count; i += 3)
            cancels[i].cancel();

        QTRY_COMPARE_WITH_TIMEOUT(outcomes.size(), count, 10'000);
        // What is still posted for the finished replies runs too.
        QTest::qWait(100);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(outcomes.size(), count);
    }

    // Qt sends a request's headers on to wherever it is redirected: a request with a key keeps to its origin.
    // Another port is another origin, as another host or scheme is to Qt's same-origin policy.
    void keysStayWithTheirHost_data()
    {
        QTest::addColumn<Redirect>("row");
        const HttpHeaders bearer{{"Authorization", "Bearer rk_live_secret"}};
        QTest::newRow("301, a key header") << Redirect{"301 Moved Permanently", bearer, {}, false};
        QTest::newRow("307, a key in the query") << Redirect{"307 Temporary Redirect", {}, "apikey=secret", false};
        QTest::newRow("302, no key") << Redirect{"302 Found", {}, {}, true};
    }

    void keysStayWithTheirHost()
    {
        QFETCH(Redirect, row);
        LocalHttpsServer second(LocalHttpsServer::response("200 OK", R"({"second": true})"));
        QVERIFY(second.listen());
        LocalHttpsServer first("HTTP/1.1 " + row.status + "\r\nLocation: " + second.url().toEncoded()
                               + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        QVERIFY(first.listen());
        QtHttpTransport transport(LocalHttpsServer::trusting());
        const IntegrationClient client(transport, {});
        QUrl url = first.url();
        url.setQuery(row.query);

        const IntegrationResult<QJsonValue> answer = QCoro::waitFor(client.getJSON(url, row.headers, {}));
        QCOMPARE(first.requests().size(), 1);
        QCOMPARE(second.requests().size(), row.followed ? 1 : 0);
        QCOMPARE(answer.ok(), row.followed);
        if (!row.followed)
            QVERIFY(answer.error().description().contains(QStringLiteral("redirected")));
    }

    void refusesAnswersPastTheLimit_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<qint64>("streamed");
        QTest::addColumn<bool>("refused");
        // An answer that says no length is counted as it comes.
        QTest::newRow("endless, no length") << QByteArray("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n")
                                            << 256 * limit << true;
        // Refused on what it says, before the body: this one never sends the rest.
        QTest::newRow("a length over the limit") << "HTTP/1.1 200 OK\r\nContent-Length: "
                + QByteArray::number(100 * limit) + "\r\n\r\n{}" << 0LL << true;
        QTest::newRow("exactly the limit") << LocalHttpsServer::response("200 OK", QByteArray(limit, ' ')) << 0LL
                                           << false;
    }

    void refusesAnswersPastTheLimit()
    {
        QFETCH(QByteArray, answer);
        QFETCH(qint64, streamed);
        QFETCH(bool, refused);
        LocalHttpsServer server(answer);
        server.keepSending(streamed);
        QVERIFY(server.listen());
        QtHttpTransport transport(LocalHttpsServer::trusting());
        const HttpResponse response = QCoro::waitFor(transport.get(server.url(), {}, 20s, limit, {}));
        QCOMPARE(response.failure, refused ? HttpResponse::Failure::tooLarge : HttpResponse::Failure::none);
        QCOMPARE(response.body.size(), refused ? 0 : limit);
        // Aborted early, not read on to the end.
        QVERIFY(server.fillerSent() < 16 * limit);
    }
};

WISPLET_TEST_MAIN(HttpTransportTest)
#include "tst_httptransport.moc"
