#include "Wisplet/Tools/Weather/WeatherCodes.h"
#include "Wisplet/Tools/Weather/WeatherParsing.h"
#include "Wisplet/Tools/Weather/WeatherTexts.h"
#include "tests/support/TestMain.h"
#include "tests/support/Texts.h"

#include <cmath>

namespace {

const QTimeZone lisbon("Europe/Lisbon");
const QTimeZone auckland("Pacific/Auckland");
// 14:30 in Lisbon (UTC in March).
const QDateTime now(QDate(2026, 3, 1), QTime(14, 30), Qt::UTC);

QJsonObject forecastJson(const QJsonArray& times, const QJsonArray& temperatures, const QJsonArray& codes,
                         const QJsonValue& zone = QStringLiteral("Europe/Lisbon"))
{
    return {{"timezone", zone},
            {"current", QJsonObject{{"temperature_2m", 18.4}, {"weather_code", 3}}},
            {"hourly", QJsonObject{{"time", times}, {"temperature_2m", temperatures}, {"weather_code", codes}}}};
}

QJsonArray hoursFrom(int firstHour, int count, const QString& day = QStringLiteral("2026-03-01"))
{
    QJsonArray times;
    for (int hour = firstHour; hour < firstHour + count; ++hour)
        times << QStringLiteral("%1T%2:00").arg(day).arg(hour, 2, 10, QLatin1Char('0'));
    return times;
}

QJsonArray repeated(const QJsonValue& value, int count)
{
    QJsonArray array;
    for (int i = 0; i < count; ++i)
        array << value;
    return array;
}

QJsonObject daily(int dates, int highs)
{
    QJsonArray times;
    for (int day = 1; day <= dates; ++day)
        times << QStringLiteral("2026-03-%1").arg(day, 2, 10, QLatin1Char('0'));
    return {{"time", times},
            {"temperature_2m_max", repeated(21.9, highs)},
            {"temperature_2m_min", repeated(12.2, dates)},
            {"weather_code", repeated(61, dates)}};
}

struct Forecast
{
    QJsonValue json;
    QString error;
    int hours = 0;
    QDateTime firstHour;
    int days = 0;
};

struct Places
{
    QJsonValue json;
    QStringList labels;
};

struct Text
{
    QString actual;
    QString expected;
};

QDateTime at(int hour, int minute)
{
    return QDateTime(QDate(2026, 3, 1), QTime(hour, minute), lisbon);
}

} // namespace

Q_DECLARE_METATYPE(Forecast)
Q_DECLARE_METATYPE(Places)
Q_DECLARE_METATYPE(Text)

class WeatherParsingTest final : public QObject
{
    Q_OBJECT

private slots:
    void readsTheForecast_data()
    {
        QTest::addColumn<Forecast>("row");
        const QString malformed = QStringLiteral("Couldn't read forecast.");
        const QJsonObject ten = forecastJson(hoursFrom(13, 10), repeated(15.5, 10), repeated(2, 10));
        QTest::newRow("from the hour begun within the last, at most 8") << Forecast{ten, {}, 8, at(14, 0), 0};

        QJsonObject withDaily = ten;
        withDaily.insert("daily", daily(7, 7));
        QTest::newRow("seven days") << Forecast{withDaily, {}, 8, at(14, 0), 7};
        withDaily.insert("daily", daily(7, 6));
        QTest::newRow("days only where every array has the index") << Forecast{withDaily, {}, 8, at(14, 0), 6};
        withDaily.insert("daily", QJsonObject{{"time", "2026-03-01"}});
        QTest::newRow("malformed daily block") << Forecast{withDaily, {}, 8, at(14, 0), 0};

        // 13:30 is exactly an hour before now.
        const QJsonArray edge{"2026-03-01T13:30", "2026-03-01T13:31", "nonsense", "2026-03-01T15:00"};
        QTest::newRow("an hour old skipped, 59 minutes kept, bad times skipped")
            << Forecast{forecastJson(edge, repeated(1, 4), repeated(0, 4)), {}, 2, at(13, 31), 0};
        QTest::newRow("only indexes inside all three arrays")
            << Forecast{forecastJson(hoursFrom(14, 5), repeated(1, 3), repeated(0, 5)), {}, 3, at(14, 0), 0};
        // 14:00 in Auckland is long past.
        QTest::newRow("unknown zone: the computer's")
            << Forecast{forecastJson(hoursFrom(14, 2, "2026-03-02"), repeated(1, 2), repeated(0, 2), "Mars/Base"),
                        {},
                        2,
                        QDateTime(QDate(2026, 3, 2), QTime(14, 0), auckland),
                        0};

        QTest::newRow("null temperature") << Forecast{
            forecastJson(hoursFrom(14, 2), QJsonArray{1, QJsonValue()}, repeated(0, 2)), malformed, 0, {}, 0};
        QTest::newRow("fractional code") << Forecast{
            forecastJson(hoursFrom(14, 2), repeated(1, 2), QJsonArray{0, 1.5}), malformed, 0, {}, 0};
        QJsonObject noCurrent = ten;
        noCurrent.remove("current");
        QTest::newRow("no current block") << Forecast{noCurrent, malformed, 0, {}, 0};
    }

    void readsTheForecast()
    {
        QFETCH(Forecast, row);
        const IntegrationResult<WeatherForecast> forecast = WeatherParsing::parseForecast(row.json, now, auckland);
        QCOMPARE(forecast.ok() ? QString() : forecast.error().description(), row.error);
        if (!forecast.ok())
            return;
        QCOMPARE(forecast.value().hours.size(), row.hours);
        QCOMPARE(forecast.value().hours.first().date, row.firstHour);
        QCOMPARE(forecast.value().days.size(), row.days);
    }

    void readsCurrentConditionsLeniently()
    {
        QJsonObject json = forecastJson({}, {}, {});
        json.insert("current",
                    QJsonObject{{"temperature_2m", "21.5"},
                                {"relative_humidity_2m", 80.7},
                                {"wind_speed_10m", QJsonValue()},
                                {"weather_code", "61"}});
        const WeatherCurrent current = WeatherParsing::parseForecast(json, now, auckland).value().current;
        QCOMPARE(current, (WeatherCurrent{21.5, 0, 80, 0, 61}));
    }

    void daysAreThePlacesCalendarDays()
    {
        // Midnight of 2 March on Kiritimati is still Sunday 1 March in Auckland.
        QJsonObject json = forecastJson({}, {}, {}, "Pacific/Kiritimati");
        json.insert("daily", daily(2, 2));
        const QList<WeatherDay> days = WeatherParsing::parseForecast(json, now, auckland).value().days;
        QCOMPARE(days.at(1).date, QDateTime(QDate(2026, 3, 2), QTime(0, 0), QTimeZone("Pacific/Kiritimati")));
        QCOMPARE(WeatherTexts::weekdayText(days.at(1).date, QLocale(QLocale::English)), QStringLiteral("Mon"));
    }

    void findsPlaces_data()
    {
        QTest::addColumn<Places>("row");
        const auto result = [](const QJsonObject& extra) {
            QJsonObject place{{"name", "Lisbon"}, {"latitude", 38.7}, {"longitude", -9.1}};
            for (auto it = extra.begin(); it != extra.end(); ++it)
                place.insert(it.key(), it.value());
            return QJsonObject{{"results", QJsonArray{place}}};
        };
        QTest::newRow("region and country")
            << Places{result({{"admin1", "Lisboa"}, {"country", "Portugal"}}), {"Lisbon, Lisboa, Portugal"}};
        QTest::newRow("region alone") << Places{result({{"admin1", "Lisboa"}}), {"Lisbon, Lisboa"}};
        QTest::newRow("neither") << Places{result({}), {"Lisbon"}};
        QTest::newRow("an empty region is left out")
            << Places{result({{"admin1", ""}, {"country", "PT"}}), {"Lisbon, PT"}};
        QTest::newRow("no longitude") << Places{result({{"longitude", QJsonValue()}}), {}};
        QTest::newRow("results not objects") << Places{QJsonObject{{"results", QJsonArray{1}}}, {}};
    }

    void findsPlaces()
    {
        QFETCH(Places, row);
        QCOMPARE(textsOf(WeatherParsing::parsePlaces(row.json), &WeatherPlace::label), row.labels);
    }

    void writesTexts_data()
    {
        QTest::addColumn<Text>("row");
        using namespace WeatherTexts;
        QTest::newRow("coordinate keeps .0") << Text{WeatherParsing::coordinateText(19), "19.0"};
        QTest::newRow("coordinate shortest") << Text{WeatherParsing::coordinateText(0.1 + 0.2), "0.30000000000000004"};
        QTest::newRow("half away from zero") << Text{temperatureText(21.5, false), "22°C"};
        QTest::newRow("negative half away from zero") << Text{temperatureText(-0.5, true), "-1°F"};
        QTest::newRow("no minus zero") << Text{degreesText(-0.4), "0°"};
        QTest::newRow("not finite") << Text{temperatureText(NAN, false), "—°C"};
        QTest::newRow("beyond 64 bits") << Text{degreesText(1e19), "—°"};
        QTest::newRow("week truncates") << Text{dayRangeText(21.9, -3.7), "21° / -3°"};
        QTest::newRow("wind truncates") << Text{humidityWindLine(80, 12.9), "Humidity 80% · Wind 12 km/h"};
        QTest::newRow("code 3: own words") << Text{conditionLine(3, 20.6), "Overcast · feels 21°"};
        QTest::newRow("negative code") << Text{WeatherCodes::symbolName(-1, true), "cloud.fill"};
        QTest::newRow("search: two letters, trimmed") << Text{searchText(" ab "), "ab"};
        QTest::newRow("search: a flag is one character") << Text{searchText("🇵🇹"), ""};
        QTest::newRow("twelve-hour locale") << Text{hourText(QTime(15, 0), QLocale("en_US")), "3 PM"};
        QTest::newRow("24-hour locale") << Text{hourText(QTime(15, 0), QLocale("de_DE")), "15"};
    }

    void writesTexts()
    {
        QFETCH(Text, row);
        QCOMPARE(row.actual, row.expected);
    }

    void nightIsBeforeSixAndFromSeven()
    {
        const QList<bool> night{WeatherTexts::isNight(QTime(5, 59)), WeatherTexts::isNight(QTime(6, 0)),
                                WeatherTexts::isNight(QTime(18, 59)), WeatherTexts::isNight(QTime(19, 0))};
        QCOMPARE(night, (QList<bool>{true, false, false, true}));
    }
};

WISPLET_TEST_MAIN(WeatherParsingTest)
#include "tst_weatherparsing.moc"
