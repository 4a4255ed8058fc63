#include "Wisplet/Tools/Business/IntegrationFormat.h"
#include "Wisplet/Tools/Business/IntegrationJSON.h"
#include "tests/support/TestMain.h"

#include <cmath>
#include <limits>

namespace {

struct Reading
{
    QJsonValue json;
    std::optional<qint64> integer;
    std::optional<double> number;
    std::optional<bool> boolean;
};

struct Money
{
    double amount;
    std::optional<QString> currency;
    QString expected;
};

const QLocale us(QStringLiteral("en_US"));

} // namespace

Q_DECLARE_METATYPE(Reading)
Q_DECLARE_METATYPE(Money)

class IntegrationValuesTest final : public QObject
{
    Q_OBJECT

private slots:
    void readsLooselyTypedValues_data()
    {
        QTest::addColumn<Reading>("row");
        QTest::newRow("fraction truncated") << Reading{3.9, 3, 3.9, {}};
        QTest::newRow("negative fraction toward zero") << Reading{-3.9, -3, -3.9, {}};
        QTest::newRow("integer to double") << Reading{7, 7, 7.0, {}};
        QTest::newRow("beyond 2^53 exactly")
            << Reading{QJsonValue(qint64(9007199254740993)), 9007199254740993, 9007199254740992.0, {}};
        QTest::newRow("too large for an integer") << Reading{1e19, {}, 1e19, {}};
        QTest::newRow("text with a plus") << Reading{"+42", 42, 42.0, {}};
        QTest::newRow("decimal text") << Reading{"4.2", {}, 4.2, {}};
        QTest::newRow("empty text") << Reading{"", {}, {}, {}};
        QTest::newRow("trailing letters") << Reading{"12a", {}, {}, {}};
        QTest::newRow("leading space") << Reading{" 2.5", {}, {}, {}};
        QTest::newRow("integer text out of range") << Reading{"9223372036854775808", {}, 9223372036854775808.0, {}};
        QTest::newRow("Boolean is no number") << Reading{true, {}, {}, true};
        QTest::newRow("number is no Boolean") << Reading{1, 1, 1.0, {}};
        QTest::newRow("null") << Reading{QJsonValue::Null, {}, {}, {}};
    }

    void readsLooselyTypedValues()
    {
        QFETCH(Reading, row);
        const QJsonObject json{{"v", row.json}};
        QCOMPARE(IntegrationJSON::integer("v", json), row.integer);
        QCOMPARE(IntegrationJSON::number("v", json), row.number);
        QCOMPARE(IntegrationJSON::boolean("v", json), row.boolean);
        QVERIFY(!IntegrationJSON::integer("absent", json));
    }

    void readsObjectsOnlyWhenAllAreObjects()
    {
        const QJsonObject json{{"all", QJsonArray{QJsonObject{}, QJsonObject{{"a", 1}}}},
                               {"mixed", QJsonArray{QJsonObject{}, 1}},
                               {"number", 5}};
        QCOMPARE(IntegrationJSON::objects("all", json)->size(), 2);
        QVERIFY(!IntegrationJSON::objects("mixed", json));
        QVERIFY(!IntegrationJSON::string("number", json));
    }

    void formatsMoney_data()
    {
        QTest::addColumn<Money>("row");
        const double infinity = std::numeric_limits<double>::infinity();
        QTest::newRow("lower-case code") << Money{25, "eur", "€25.00"};
        QTest::newRow("no code is dollars") << Money{1234.5, {}, "$1,234.50"};
        QTest::newRow("no minor unit") << Money{1500, "JPY", "¥1,500"};
        QTest::newRow("three decimals") << Money{1234.5678, "KWD", "KWD 1,234.568"};
        QTest::newRow("unknown but well formed") << Money{25, "XYZ", "XYZ 25.00"};
        QTest::newRow("rejected code") << Money{25.5, "€€", "25.50"};
        QTest::newRow("a name, not a code") << Money{15, "Unknown currency", "15.00"};
        QTest::newRow("infinite") << Money{infinity, "USD", "Unavailable"};
        QTest::newRow("not a number") << Money{std::nan(""), "USD", "Unavailable"};
    }

    void formatsMoney()
    {
        QFETCH(Money, row);
        QCOMPARE(formatMoney(row.amount, row.currency, us).replace(QChar(0xa0), ' '), row.expected);
    }

    void groupsIntegersByLocale()
    {
        QCOMPARE(formatInteger(1234567, us), QStringLiteral("1,234,567"));
        QCOMPARE(formatInteger(-1234567, QLocale(QStringLiteral("de_DE"))), QStringLiteral("-1.234.567"));
    }
};

WISPLET_TEST_MAIN(IntegrationValuesTest)
#include "tst_integrationvalues.moc"
