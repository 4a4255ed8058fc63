#include "Wisplet/Platform/StoredJson.h"
#include "tests/support/TestMain.h"

#include <limits>

using namespace StoredJson;

class TestStoredJson final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The local-date cases below assume the zone the test main pins.
        QCOMPARE(QDateTime(QDate(2026, 3, 1), QTime(0, 0), Qt::LocalTime).offsetFromUtc(), 13 * 3600);
    }

    void datesAreSecondsSinceTheReferenceDate_data()
    {
        QTest::addColumn<QDateTime>("date");
        QTest::addColumn<double>("seconds");

        QTest::newRow("the reference date") << QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC) << 0.0;
        QTest::newRow("a millisecond before")
            << QDateTime(QDate(2000, 12, 31), QTime(23, 59, 59, 999), Qt::UTC) << -0.001;
        QTest::newRow("local midnight on the first of the month")
            << QDateTime(QDate(2026, 3, 1), QTime(0, 0), Qt::LocalTime) << 793969200.0;
        QTest::newRow("the same instant at another offset")
            << QDateTime(QDate(2026, 2, 28), QTime(6, 0), Qt::OffsetFromUTC, -5 * 3600) << 793969200.0;
        QTest::newRow("far future") << QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC) << 252423993599.0;
    }

    void datesAreSecondsSinceTheReferenceDate()
    {
        QFETCH(QDateTime, date);
        QFETCH(double, seconds);

        const QJsonValue stored = fromDate(date);
        QVERIFY(stored.isDouble());
        QCOMPARE(stored.toDouble(), seconds);

        const std::optional<QDateTime> back = toDate(stored);
        QVERIFY(back);
        QCOMPARE(*back, date);
        QCOMPARE(back->toMSecsSinceEpoch(), date.toMSecsSinceEpoch());
        QCOMPARE(back->toLocalTime().date(), date.toLocalTime().date());
        QCOMPARE(back->toLocalTime().time(), date.toLocalTime().time());
    }

    void everyMillisecondSurvivesTheRoundTrip()
    {
        // Fractions such as .001 and .999 are not exact in binary; rounding must bring each one back.
        const QDateTime start(QDate(2026, 3, 1), QTime(0, 0), Qt::UTC);
        for (int ms = -1000; ms <= 1000; ++ms) {
            const QDateTime date = start.addMSecs(ms);
            QCOMPARE(toDate(fromDate(date)), std::optional<QDateTime>(date));
        }
    }

    void datesOfTheWrongFormAreRefused_data()
    {
        QTest::addColumn<QJsonValue>("value");

        QTest::newRow("string") << QJsonValue(QStringLiteral("0"));
        QTest::newRow("nan") << QJsonValue(std::numeric_limits<double>::quiet_NaN());
        QTest::newRow("beyond a millisecond count") << QJsonValue(1e17);
    }

    void datesOfTheWrongFormAreRefused()
    {
        QFETCH(QJsonValue, value);

        QCOMPARE(toDate(value), std::nullopt);
    }

    void largeButFiniteDatesStayValid_data()
    {
        QTest::addColumn<double>("seconds");

        QTest::newRow("a million years on") << 3.2e13;
        QTest::newRow("near the negative limit") << -4.6e15;
    }

    void largeButFiniteDatesStayValid()
    {
        QFETCH(double, seconds);

        // A reader may refuse such a date, but must never hand back an invalid one.
        const std::optional<QDateTime> date = toDate(seconds);
        if (date)
            QVERIFY(date->isValid());
    }

    void uuidsAreUpperCaseWithoutBraces()
    {
        const QUuid uuid = QUuid::fromString(QStringLiteral("{0f8fad5b-d9cb-469f-a165-70867728950e}"));
        QCOMPARE(fromUuid(uuid), QJsonValue(QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E")));
        QCOMPARE(toUuid(fromUuid(uuid)), std::optional<QUuid>(uuid));
    }

    void uuidsAreRead_data()
    {
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<bool>("valid");

        QTest::newRow("upper case") << QJsonValue(QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E")) << true;
        QTest::newRow("lower case") << QJsonValue(QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e")) << true;
        QTest::newRow("braced") << QJsonValue(QStringLiteral("{0F8FAD5B-D9CB-469F-A165-70867728950E}")) << false;
        QTest::newRow("braces in 36 characters")
            << QJsonValue(QStringLiteral("{0F8FAD5B-D9CB-469F-A165-7086772895}")) << false;
        QTest::newRow("leading space") << QJsonValue(QStringLiteral(" 0F8FAD5B-D9CB-469F-A165-70867728950E")) << false;
        QTest::newRow("trailing text") << QJsonValue(QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950EXX")) << false;
        QTest::newRow("no hyphens") << QJsonValue(QStringLiteral("0F8FAD5BD9CB469FA16570867728950E")) << false;
        QTest::newRow("nil") << QJsonValue(QStringLiteral("00000000-0000-0000-0000-000000000000")) << false;
        QTest::newRow("number") << QJsonValue(42) << false;
    }

    void uuidsAreRead()
    {
        QFETCH(QJsonValue, value);
        QFETCH(bool, valid);

        const std::optional<QUuid> uuid = toUuid(value);
        QCOMPARE(uuid.has_value(), valid);
        if (valid)
            QCOMPARE(*uuid, QUuid::fromString(QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e")));
    }

    void dataIsBase64_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("text");

        QTest::newRow("empty") << QByteArray() << "";
        QTest::newRow("two bytes") << QByteArray("\x00\xff", 2) << "AP8=";
        QTest::newRow("needs + and /") << QByteArray("\xfb\xff\xbf", 3) << "+/+/";
    }

    void dataIsBase64()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, text);

        QCOMPARE(fromData(data), QJsonValue(text));
        QCOMPARE(toData(fromData(data)), std::optional<QByteArray>(data));
    }

    void badDataIsRefused_data()
    {
        QTest::addColumn<QJsonValue>("value");

        QTest::newRow("not Base64") << QJsonValue(QStringLiteral("!!"));
        QTest::newRow("beyond Latin-1") << QJsonValue(QStringLiteral("YQ\u2603="));
        QTest::newRow("number") << QJsonValue(12);
    }

    void badDataIsRefused()
    {
        QFETCH(QJsonValue, value);

        QCOMPARE(toData(value), std::nullopt);
    }
};

WISPLET_TEST_MAIN(TestStoredJson)
#include "tst_storedjson.moc"
