#include "Wisplet/Tools/Business/QtHttpTransport.h"
#include "tests/Tools/Weather/WeatherFixture.h"
#include "tests/support/FakeHttpTransport.h"
#include "tests/support/HeldHttpTransport.h"
#include "tests/support/LocalHttpsServer.h"
#include "tests/support/TestMain.h"

#include <QUrlQuery>

namespace {

const WeatherPlace lisbon{"Lisbon", "", "Portugal", 38.7, -9.1};
const QString keyAccount = QStringLiteral("weather.apiKey");
const QString saveFailed = QStringLiteral("Could not save the weather key.");

const QByteArray forecastBody = R"({"timezone": "Europe/Lisbon",
    "current": {"temperature_2m": 18.4, "apparent_temperature": 17, "relative_humidity_2m": 70,
                "wind_speed_10m": 12.5, "weather_code": 2},
    "hourly": {"time": ["2026-03-01T09:00", "2026-03-01T10:00"], "temperature_2m": [15, 16], "weather_code": [1, 2]},
    "daily": {"time": ["2026-03-01", "2026-03-02"], "temperature_2m_max": [19, 20], "temperature_2m_min": [9, 10],
              "weather_code": [2, 61]}})";
const QByteArray searchBody = R"({"results": [{"name": "Lisbon", "admin1": "Lisboa", "country": "Portugal",
    "latitude": 38.71667, "longitude": -9.13333}, {"name": "Lisbon", "country": "United States",
    "latitude": 44.03, "longitude": -70.1}]})";

QMap<QString, QString> queryOf(const QUrl& url)
{
    QMap<QString, QString> map;
    for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
        map.insert(key, value);
    return map;
}

// A running tool with a place, whose read of the stored key waits for the test to answer it.
std::unique_ptr<WeatherTool> waitingForTheKeyring(WeatherFixture& fixture, const QByteArray& stored)
{
    fixture.secrets.items.insert(keyAccount, stored);
    fixture.secrets.holding = true;
    auto tool = fixture.make();
    tool->setPlace(lisbon);
    tool->start();
    return tool;
}

} // namespace

class WeatherToolTest final : public QObject
{
    Q_OBJECT

private slots:
    void asksForTheForecastAndPlaces()
    {
        FakeHttpTransport transport;
        WeatherFixture fixture(transport);
        fixture.secrets.items.insert(keyAccount, " key+1\n");
        fixture.defaults.set("weather.fahrenheit", true);
        fixture.defaults.set("weather.place",
                             QVariantMap{{"name", "Ocean"}, {"country", ""}, {"latitude", 19.0}, {"longitude", -150}});
        auto tool = fixture.make();
        tool->start();
        const QMap<QString, QString> forecast = queryOf(transport.requests.at(0).url);
        QCOMPARE(forecast.value("latitude") + ' ' + forecast.value("longitude"), "19.0 -150.0");
        QCOMPARE(forecast.value("apikey"), "key+1");
        QCOMPARE(forecast.value("temperature_unit"), "fahrenheit");

        // The search trims the key as the forecast does.
        QCoro::waitFor(tool->searchPlaces("São Paulo"));
        QCOMPARE(transport.requests.at(1).url.host(), QStringLiteral("search.test"));
        QCOMPARE(queryOf(transport.requests.at(1).url),
                 (QMap<QString, QString>{{"name", "São Paulo"}, {"count", "6"}, {"apikey", "key+1"}}));
    }

    void withoutAKeyNothingIsAsked_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("none") << QString();
        QTest::newRow("blank") << QStringLiteral(" \n");
    }

    void withoutAKeyNothingIsAsked()
    {
        QFETCH(QString, key);
        FakeHttpTransport transport;
        WeatherFixture fixture(transport);
        auto tool = fixture.make();
        tool->setApiKey(key);
        tool->setPlace(lisbon);
        tool->start();
        QCOMPARE(tool->errorText(), QStringLiteral("Add an Open-Meteo customer API key in Settings → Tools."));
        QVERIFY(QCoro::waitFor(tool->searchPlaces("Lisbon")).isEmpty());
        QVERIFY(transport.requests.isEmpty());
        QCOMPARE(tool->needsKey(), key.isEmpty());
    }

    void theKeyringIsAskedOnlyWhenTheKeyIsWanted_data()
    {
        QTest::addColumn<bool>("withPlace");
        QTest::newRow("started without a place") << false;
        // Once, however often the key is wanted after.
        QTest::newRow("started with a place") << true;
    }

    void theKeyringIsAskedOnlyWhenTheKeyIsWanted()
    {
        QFETCH(bool, withPlace);
        FakeHttpTransport transport;
        WeatherFixture fixture(transport);
        fixture.secrets.items.insert(keyAccount, "k");
        auto tool = fixture.make();
        QSignalSpy keys(tool.get(), &WeatherTool::apiKeyChanged);
        if (withPlace)
            tool->setPlace(lisbon);
        tool->start();
        if (withPlace)
            QCOMPARE(tool->apiKey(), QStringLiteral("k"));
        QCOMPARE(fixture.secrets.lookups, withPlace ? 1 : 0);
        // Views made before the keyring answered learn the key.
        QCOMPARE(keys.size(), withPlace ? 1 : 0);
    }

    void aLockedKeyringIsNotNoKey()
    {
        FakeHttpTransport transport;
        transport.response.body = forecastBody;
        WeatherFixture fixture(transport);
        fixture.secrets.items.insert(keyAccount, "k");
        fixture.secrets.failing = true;
        auto tool = fixture.make();
        QVERIFY(!tool->needsKey());
        tool->setPlace(lisbon);
        tool->start();
        QCOMPARE(tool->errorText(), QStringLiteral("Could not read the weather key from the keyring."));
        QVERIFY(transport.requests.isEmpty());

        fixture.secrets.failing = false;
        tool->refresh();
        QCOMPARE(tool->apiKey(), QStringLiteral("k"));
        QVERIFY(tool->current());
        QVERIFY(tool->errorText().isEmpty());
    }

    // Until the keyring answers, the fetch waits; then it goes on. A keyring that never answers is the page's
    // test (saysItWaitsForTheKeyring), a refusal aLockedKeyringIsNotNoKey.
    void aSlowKeyringHoldsTheFetchBack()
    {
        HeldHttpTransport transport;
        WeatherFixture fixture(transport);
        const auto tool = waitingForTheKeyring(fixture, "k");
        QVERIFY(tool->isLoading());
        QCOMPARE(tool->keyState(), WeatherTool::KeyState::reading);
        QVERIFY(transport.calls.empty());

        fixture.secrets.answerAll();
        QCOMPARE(transport.calls.size(), std::size_t(1));
        QVERIFY(tool->isLoading());
    }

    void aKeyTypedWhileTheKeyringWaitsWins()
    {
        HeldHttpTransport transport;
        WeatherFixture fixture(transport);
        const auto tool = waitingForTheKeyring(fixture, "old");
        tool->setApiKey("typed");
        QCOMPARE(transport.calls.size(), std::size_t(1));
        QCOMPARE(queryOf(transport.calls.front()->url).value("apikey"), QStringLiteral("typed"));

        fixture.secrets.answerAll();
        QCOMPARE(tool->apiKey(), QStringLiteral("typed"));
        QCOMPARE(fixture.secrets.items.value(keyAccount), QByteArray("typed"));
        QVERIFY(transport.isWaiting(0));
    }

    void aFailedKeySaveStaysSaidWhileTheKeyInMemoryFetches()
    {
        HeldHttpTransport transport;
        WeatherFixture fixture(transport);
        auto tool = fixture.make();
        tool->setPlace(lisbon);
        tool->start();
        fixture.secrets.failing = true;
        tool->setApiKey("k");
        QCOMPARE(transport.calls.size(), 1);
        QCOMPARE(tool->errorText(), saveFailed);
        transport.finish(0, forecastBody);
        QVERIFY(tool->current());
        QCOMPARE(tool->errorText(), saveFailed);
        tool->refresh();
        QCOMPARE(tool->errorText(), saveFailed);

        fixture.secrets.failing = false;
        tool->setApiKey("k");
        QVERIFY(tool->errorText().isEmpty());
        QCOMPARE(fixture.secrets.items.value(keyAccount), QByteArray("k"));
    }

    void onlyTheNewestFetchWrites()
    {
        HeldHttpTransport transport;
        WeatherFixture fixture(transport);
        fixture.secrets.items.insert(keyAccount, "k");
        auto tool = fixture.make();
        tool->setPlace(lisbon);
        tool->start();
        tool->refresh();
        QVERIFY(tool->isLoading());
        QCOMPARE(transport.calls.size(), 2); // setPlace while stopped fetched nothing
        transport.finish(1, QByteArray("not json"));
        QVERIFY(!tool->isLoading());
        QCOMPARE(tool->errorText(),
                 QStringLiteral("The data couldn't be read because it isn't in the correct format."));
        // The earlier one was cancelled.
        QVERIFY(!transport.isWaiting(0));

        tool->refresh();
        tool->stop();
        transport.finish(2, forecastBody);
        QVERIFY(!tool->current());
        QVERIFY(!tool->isLoading());
    }

    void aRefreshWhileStoppedOnlyClears()
    {
        FakeHttpTransport transport;
        WeatherFixture fixture(transport);
        fixture.secrets.failing = true;
        auto tool = fixture.make();
        tool->setApiKey("k");
        tool->refresh();
        QCOMPARE(tool->errorText(), saveFailed);
        QVERIFY(!tool->isLoading());
        QVERIFY(transport.requests.isEmpty());
    }

    void searchesAndFetchesOverHttps()
    {
        LocalHttpsServer search(LocalHttpsServer::response("200 OK", searchBody));
        LocalHttpsServer forecast(LocalHttpsServer::response("200 OK", forecastBody));
        QVERIFY(search.listen() && forecast.listen());
        QtHttpTransport transport(LocalHttpsServer::trusting());
        WeatherFixture fixture(transport,
                               {forecast.url("/v1/forecast").toString(), search.url("/v1/search").toString()});
        fixture.secrets.items.insert(keyAccount, "k");
        fixture.clock.setNow(QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC));
        auto tool = fixture.make();
        tool->start();

        const QList<WeatherPlace> places = QCoro::waitFor(tool->searchPlaces("Lisbon"));
        QCOMPARE(places.size(), 2);
        QCOMPARE(places.first().label(), QStringLiteral("Lisbon, Lisboa, Portugal"));
        tool->setPlace(places.first());
        QTRY_VERIFY_WITH_TIMEOUT(tool->current(), 10'000);
        QCOMPARE(*tool->current(), (WeatherCurrent{18.4, 17, 70, 12.5, 2}));
        QCOMPARE(tool->hours().size(), 2);
        QCOMPARE(tool->days().size(), 2);
        QCOMPARE(tool->updatedAt(), fixture.clock.now());
        QVERIFY(tool->errorText().isEmpty());

        // A restart remembers the place and the unit.
        tool.reset();
        QCOMPARE(fixture.make()->place(), places.first());
    }
};

WISPLET_TEST_MAIN(WeatherToolTest)
#include "tst_weathertool.moc"
