#include "Wisplet/Platform/Defaults.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPoint>
#include <QTimer>
#include <QUrl>

#include <limits>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QJsonObject fileObject(const QString& path)
{
    return QJsonDocument::fromJson(TestFiles::read(path)).object();
}

// QVariant's == compares numbers across types; a value that comes back must keep its type too, all the way down.
bool identical(const QVariant& a, const QVariant& b)
{
    if (a.typeId() != b.typeId())
        return false;
    if (a.typeId() == QMetaType::QVariantList) {
        const QVariantList left = a.toList();
        const QVariantList right = b.toList();
        return left.size() == right.size() && std::equal(left.begin(), left.end(), right.begin(), identical);
    }
    if (a.typeId() == QMetaType::QVariantMap) {
        const QVariantMap left = a.toMap();
        const QVariantMap right = b.toMap();
        if (left.keys() != right.keys())
            return false;
        for (auto it = left.cbegin(); it != left.cend(); ++it) {
            if (!identical(it.value(), right.value(it.key())))
                return false;
        }
        return true;
    }
    return a == b;
}

QTimer* saveTimerOf(const Defaults& defaults)
{
    return defaults.findChild<QTimer*>();
}

// What the timer does when it runs out, without waiting for it.
void fire(QTimer* timer)
{
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
}

const QDateTime aucklandFirstOfMarch(QDate(2026, 3, 1), QTime(0, 0), Qt::LocalTime);

} // namespace

class TestDefaults final : public QObject
{
    Q_OBJECT

private slots:
    void booleanReading_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("expected");

        QTest::newRow("true") << QVariant(true) << true;
        QTest::newRow("false") << QVariant(false) << false;
        QTest::newRow("int 0") << QVariant(0) << false;
        QTest::newRow("int 2") << QVariant(2) << true;
        QTest::newRow("int -1") << QVariant(-1) << true;
        QTest::newRow("longlong min") << QVariant(std::numeric_limits<qlonglong>::min()) << true;
        QTest::newRow("double 0") << QVariant(0.0) << false;
        QTest::newRow("double -0") << QVariant(-0.0) << false;
        QTest::newRow("double 0.5") << QVariant(0.5) << true;
        QTest::newRow("double tiny") << QVariant(1e-300) << true;
        QTest::newRow("float 0.25") << QVariant(0.25f) << true;
        QTest::newRow("\"true\"") << QVariant(QStringLiteral("true")) << true;
        QTest::newRow("\"TRUE\"") << QVariant(QStringLiteral("TRUE")) << true;
        QTest::newRow("\"yEs\"") << QVariant(QStringLiteral("yEs")) << true;
        QTest::newRow("\"false\"") << QVariant(QStringLiteral("false")) << false;
        QTest::newRow("\"no\"") << QVariant(QStringLiteral("no")) << false;
        QTest::newRow("\"y\"") << QVariant(QStringLiteral("y")) << false;
        QTest::newRow("\"truex\"") << QVariant(QStringLiteral("truex")) << false;
        QTest::newRow("\"1\"") << QVariant(QStringLiteral("1")) << true;
        QTest::newRow("\"-1\"") << QVariant(QStringLiteral("-1")) << true;
        QTest::newRow("\"+7\"") << QVariant(QStringLiteral("+7")) << true;
        QTest::newRow("\"0\"") << QVariant(QStringLiteral("0")) << false;
        QTest::newRow("\"-000\"") << QVariant(QStringLiteral("-000")) << false;
        QTest::newRow("\"007\"") << QVariant(QStringLiteral("007")) << true;
        QTest::newRow("integer beyond 64 bits") << QVariant(QStringLiteral("99999999999999999999999")) << true;
        QTest::newRow("zeros beyond 64 bits") << QVariant(QStringLiteral("00000000000000000000000")) << false;
        QTest::newRow("\"1.5\" is no integer") << QVariant(QStringLiteral("1.5")) << false;
        QTest::newRow("\"1e3\" is no integer") << QVariant(QStringLiteral("1e3")) << false;
        QTest::newRow("\"0x1\"") << QVariant(QStringLiteral("0x1")) << false;
        QTest::newRow("\" 1\"") << QVariant(QStringLiteral(" 1")) << false;
        QTest::newRow("\"1 \"") << QVariant(QStringLiteral("1 ")) << false;
        QTest::newRow("\" yes\"") << QVariant(QStringLiteral(" yes")) << false;
        QTest::newRow("sign alone") << QVariant(QStringLiteral("-")) << false;
        QTest::newRow("arabic-indic one") << QVariant(QStringLiteral("\u0661")) << false;
        QTest::newRow("empty string") << QVariant(QString()) << false;
        QTest::newRow("date") << QVariant(QDateTime(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC)) << false;
        QTest::newRow("data \"1\"") << QVariant(QByteArray("1")) << false;
        QTest::newRow("data \"true\"") << QVariant(QByteArray("true")) << false;
        QTest::newRow("array") << QVariant(QVariantList{true}) << false;
        QTest::newRow("dictionary") << QVariant(QVariantMap{{QStringLiteral("a"), true}}) << false;
        QTest::newRow("absent") << QVariant() << false;
    }

    void booleanReading()
    {
        QFETCH(QVariant, value);
        QFETCH(bool, expected);

        QCOMPARE(Defaults::booleanReading(value), expected);
        Defaults defaults{QString()};
        defaults.set(QStringLiteral("key"), value);
        QCOMPARE(defaults.boolValue(QStringLiteral("key")), expected);
    }

    void doubleReading_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<double>("expected");

        QTest::newRow("true") << QVariant(true) << 1.0;
        QTest::newRow("false") << QVariant(false) << 0.0;
        QTest::newRow("int") << QVariant(-7) << -7.0;
        QTest::newRow("longlong") << QVariant(qlonglong(1) << 40) << 1099511627776.0;
        QTest::newRow("double") << QVariant(2.5) << 2.5;
        QTest::newRow("\"2.5\"") << QVariant(QStringLiteral("2.5")) << 2.5;
        QTest::newRow("\"-1.5E-2\"") << QVariant(QStringLiteral("-1.5E-2")) << -0.015;
        QTest::newRow("\"1e3\"") << QVariant(QStringLiteral("1e3")) << 1000.0;
        QTest::newRow("\".5\"") << QVariant(QStringLiteral(".5")) << 0.5;
        QTest::newRow("\"+2\"") << QVariant(QStringLiteral("+2")) << 2.0;
        QTest::newRow("decimal comma \"1,5\"") << QVariant(QStringLiteral("1,5")) << 0.0;
        QTest::newRow("group separator \"1,500\"") << QVariant(QStringLiteral("1,500")) << 0.0;
        QTest::newRow("\" 2 \"") << QVariant(QStringLiteral(" 2 ")) << 0.0;
        QTest::newRow("\"2 \"") << QVariant(QStringLiteral("2 ")) << 0.0;
        QTest::newRow("\"\\t2\"") << QVariant(QStringLiteral("\t2")) << 0.0;
        QTest::newRow("\"2.5kg\"") << QVariant(QStringLiteral("2.5kg")) << 0.0;
        QTest::newRow("\"0x10\"") << QVariant(QStringLiteral("0x10")) << 0.0;
        QTest::newRow("\"nan\"") << QVariant(QStringLiteral("nan")) << 0.0;
        QTest::newRow("\"inf\"") << QVariant(QStringLiteral("inf")) << 0.0;
        QTest::newRow("\"-inf\"") << QVariant(QStringLiteral("-inf")) << 0.0;
        QTest::newRow("overflowing \"1e999\"") << QVariant(QStringLiteral("1e999")) << 0.0;
        QTest::newRow("\"\"") << QVariant(QString()) << 0.0;
        QTest::newRow("\"true\"") << QVariant(QStringLiteral("true")) << 0.0;
        QTest::newRow("date") << QVariant(QDateTime(QDate(2001, 1, 2), QTime(0, 0), Qt::UTC)) << 0.0;
        QTest::newRow("data \"2\"") << QVariant(QByteArray("2")) << 0.0;
        QTest::newRow("array") << QVariant(QVariantList{2}) << 0.0;
        QTest::newRow("dictionary") << QVariant(QVariantMap{{QStringLiteral("a"), 2}}) << 0.0;
        QTest::newRow("absent") << QVariant() << 0.0;
    }

    void doubleReading()
    {
        QFETCH(QVariant, value);
        QFETCH(double, expected);

        QCOMPARE(Defaults::doubleReading(value), expected);
        Defaults defaults{QString()};
        defaults.set(QStringLiteral("key"), value);
        QCOMPARE(defaults.doubleValue(QStringLiteral("key")), expected);
    }

    void typedGettersGiveNothingForAnotherType_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("kind");

        QTest::newRow("string") << QVariant(QStringLiteral("text")) << "string";
        QTest::newRow("string that reads as a date") << QVariant(QStringLiteral("2026-03-01T09:00:00Z")) << "string";
        QTest::newRow("string that reads as Base64") << QVariant(QStringLiteral("AP8=")) << "string";
        QTest::newRow("string list") << QVariant(QStringList{QStringLiteral("a")}) << "array";
        QTest::newRow("date") << QVariant(QDateTime(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC)) << "date";
        QTest::newRow("data") << QVariant(QByteArray("text")) << "data";
        QTest::newRow("array") << QVariant(QVariantList{QStringLiteral("a"), 1}) << "array";
        QTest::newRow("dictionary") << QVariant(QVariantMap{{QStringLiteral("a"), 1}}) << "dictionary";
        QTest::newRow("boolean") << QVariant(true) << "other";
        QTest::newRow("integer") << QVariant(1234) << "other";
        QTest::newRow("double") << QVariant(12.5) << "other";
        QTest::newRow("absent") << QVariant() << "other";
    }

    void typedGettersGiveNothingForAnotherType()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, kind);

        Defaults defaults{QString()};
        const QString key = QStringLiteral("key");
        defaults.set(key, value);
        QCOMPARE(defaults.string(key), kind == "string" ? value.toString() : QString());
        QCOMPARE(defaults.date(key), kind == "date" ? value.toDateTime() : QDateTime());
        QCOMPARE(defaults.data(key), kind == "data" ? value.toByteArray() : QByteArray());
        QCOMPARE(defaults.array(key), kind == "array" ? value.toList() : QVariantList());
        QCOMPARE(defaults.dictionary(key), kind == "dictionary" ? value.toMap() : QVariantMap());
    }

    void valuesComeBackFromTheFile_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("expected");

        const auto same = [](const char* name, const QVariant& value) { QTest::newRow(name) << value << value; };
        same("true", true);
        same("false", false);
        QTest::newRow("int becomes longlong") << QVariant(42) << QVariant(qlonglong(42));
        QTest::newRow("short becomes longlong") << QVariant::fromValue(short(-5)) << QVariant(qlonglong(-5));
        QTest::newRow("uint max") << QVariant(std::numeric_limits<uint>::max())
                                  << QVariant(qlonglong(std::numeric_limits<uint>::max()));
        QTest::newRow("ulonglong within range") << QVariant(quint64(1) << 62) << QVariant(qlonglong(1) << 62);
        same("2^53 + 1 stays exact", qlonglong(9007199254740993));
        same("longlong max", std::numeric_limits<qlonglong>::max());
        same("longlong min", std::numeric_limits<qlonglong>::min());
        same("double 0.1", 0.1);
        same("double -2.25e-300", -2.25e-300);
        same("double max", std::numeric_limits<double>::max());
        QTest::newRow("float") << QVariant(0.25f) << QVariant(0.25);
        same("empty string", QString());
        same("unicode string", QStringLiteral("Wisp \u00df \U0001F389 \u65e5\u672c"));
        same("string with quotes, backslash, controls and NUL", QString::fromUtf8("a\"b\\c\n\t\x01", 8) + QChar(0));
        same("string that looks like a tag", QStringLiteral("{\"$date\": 5}"));
        same("date with milliseconds", QDateTime(QDate(2026, 3, 1), QTime(12, 34, 56, 789), Qt::UTC));
        same("date before 2001", QDateTime(QDate(1969, 7, 20), QTime(20, 17, 40), Qt::UTC));
        same("reference date", QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC));
        same("year 9999", QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), Qt::UTC));
        QTest::newRow("local first of the month") << QVariant(aucklandFirstOfMarch)
                                                  << QVariant(aucklandFirstOfMarch.toUTC());
        same("empty data", QByteArray(""));
        QByteArray everyByte;
        for (int i = 0; i < 256; ++i)
            everyByte.append(char(i));
        same("every byte", everyByte);
        QTest::newRow("string list") << QVariant(QStringList{QStringLiteral("a"), QString()})
                                     << QVariant(QVariantList{QStringLiteral("a"), QString()});
        same("empty array", QVariantList());
        same("empty dictionary", QVariantMap());
        const QVariantMap nested{
            {QStringLiteral("date"), QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC)},
            {QStringLiteral("data"), QByteArray("\x00\xff", 2)},
            {QStringLiteral("empty"), QVariantMap()},
        };
        same("nested arrays and dictionaries",
             QVariantList{qlonglong(1), QStringLiteral("a"), QVariantList{true, QVariantList{nested}}, nested, 2.5});
        same("unicode and odd keys",
             QVariantMap{{QStringLiteral("\u043a\u043b\u044e\u0447"), qlonglong(1)},
                         {QStringLiteral("\u65e5\u672c \U0001F389"), QVariantMap{{QStringLiteral("x"), false}}},
                         {QString(), QStringLiteral("empty key")},
                         {QStringLiteral("with \"quote\""), qlonglong(2)}});
        same("dictionary with $date and another key",
             QVariantMap{{QStringLiteral("$date"), qlonglong(5)}, {QStringLiteral("other"), qlonglong(1)}});
        same("dictionary with $date holding a string", QVariantMap{{QStringLiteral("$date"), QStringLiteral("5")}});
        same("dictionary with $date holding an array", QVariantMap{{QStringLiteral("$date"), QVariantList{1.5}}});
        same("dictionary with $data holding a number", QVariantMap{{QStringLiteral("$data"), qlonglong(5)}});
        same("dictionary with $data holding no Base64", QVariantMap{{QStringLiteral("$data"), QStringLiteral("*!*")}});
        same("dictionary with $date and $data", QVariantMap{{QStringLiteral("$date"), qlonglong(1)},
                                                            {QStringLiteral("$data"), QStringLiteral("AA==")}});
    }

    void valuesComeBackFromTheFile()
    {
        QFETCH(QVariant, value);
        QFETCH(QVariant, expected);

        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("defaults.json"));
        const QString key = QStringLiteral("key \u2603");
        {
            Defaults defaults(path);
            defaults.set(key, value);
            QVERIFY(identical(defaults.object(key), expected));
            QVERIFY(defaults.flush());
        }
        const QByteArray written = TestFiles::read(path);

        Defaults reloaded(path);
        QVERIFY(reloaded.setAsidePath().isEmpty());
        const QVariant back = reloaded.object(key);
        if (!identical(back, expected))
            QFAIL(qPrintable(QStringLiteral("came back as %1 from %2").arg(QDebug::toString(back), written)));

        // Saving what was read gives the same file again.
        reloaded.set(key, back);
        QVERIFY(reloaded.flush());
        QCOMPARE(TestFiles::read(path), written);
    }

    void theFileKeepsItsReadableForm()
    {
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("defaults.json"));
        Defaults defaults(path);
        defaults.set(QStringLiteral("date"), QDateTime(QDate(2001, 1, 1), QTime(0, 0, 1, 500), Qt::UTC));
        defaults.set(QStringLiteral("before"), QDateTime(QDate(2000, 12, 31), QTime(23, 59, 59), Qt::UTC));
        defaults.set(QStringLiteral("local"), aucklandFirstOfMarch);
        defaults.set(QStringLiteral("data"), QByteArray("\x00\xff", 2));
        defaults.set(QStringLiteral("count"), 3);
        defaults.set(QStringLiteral("big"), qlonglong(9007199254740993));
        defaults.set(QStringLiteral("list"), QVariantList{true, QStringLiteral("x")});
        QVERIFY(defaults.flush());

        const QJsonObject expected{
            {"date", QJsonObject{{"$date", 1.5}}},
            {"before", QJsonObject{{"$date", -1}}},
            {"local", QJsonObject{{"$date", 793969200}}},
            {"data", QJsonObject{{"$data", "AP8="}}},
            {"count", 3},
            {"big", qint64(9007199254740993)},
            {"list", QJsonArray{true, "x"}},
        };
        QCOMPARE(fileObject(path), expected);
        const QByteArray text = TestFiles::read(path);
        // Integers are written as integers, in full.
        QVERIFY(text.contains("\"count\": 3,"));
        QVERIFY(text.contains("\"big\": 9007199254740993"));
    }

    void aHandEditedFileIsReadByTheSameRules()
    {
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("defaults.json"));
        QVERIFY(TestFiles::write(path, R"({
            "$date": 3,
            "date": {"$date": -0.5},
            "data": {"$data": "AP8="},
            "notData": {"$data": "***"},
            "twoKeys": {"$date": 1, "x": 2},
            "dateText": {"$date": "x"},
            "hugeDate": {"$date": 1e300},
            "null": null,
            "exponent": 1e3,
            "fraction": 0.5,
            "listWithNull": [1, null]
        })"));

        Defaults defaults(path);
        QVERIFY(defaults.setAsidePath().isEmpty());
        QVERIFY(identical(defaults.object(QStringLiteral("$date")), qlonglong(3)));
        QCOMPARE(defaults.date(QStringLiteral("date")),
                 QDateTime(QDate(2000, 12, 31), QTime(23, 59, 59, 500), Qt::UTC));
        QCOMPARE(defaults.data(QStringLiteral("data")), QByteArray("\x00\xff", 2));
        QCOMPARE(defaults.dictionary(QStringLiteral("notData")),
                 (QVariantMap{{QStringLiteral("$data"), QStringLiteral("***")}}));
        QCOMPARE(defaults.dictionary(QStringLiteral("twoKeys")).size(), 2);
        QCOMPARE(defaults.dictionary(QStringLiteral("dateText")),
                 (QVariantMap{{QStringLiteral("$date"), QStringLiteral("x")}}));
        QCOMPARE(defaults.dictionary(QStringLiteral("hugeDate")).size(), 1);
        QVERIFY(!defaults.contains(QStringLiteral("null")));
        QCOMPARE(defaults.doubleValue(QStringLiteral("exponent")), 1000.0);
        QCOMPARE(defaults.doubleValue(QStringLiteral("fraction")), 0.5);
        QCOMPARE(defaults.array(QStringLiteral("listWithNull")).size(), 2);
        QVERIFY(!defaults.hasPendingChanges());
    }

    void unsupportedValuesAreNotStored_data()
    {
        QTest::addColumn<QVariant>("value");

        QTest::newRow("invalid") << QVariant();
        QTest::newRow("null pointer") << QVariant::fromValue(nullptr);
        QTest::newRow("point") << QVariant(QPoint(1, 2));
        QTest::newRow("url") << QVariant(QUrl(QStringLiteral("https://example.org")));
        QTest::newRow("char") << QVariant(QChar(u'x'));
        QTest::newRow("hash") << QVariant(QVariantHash{{QStringLiteral("a"), 1}});
        QTest::newRow("invalid date") << QVariant(QDateTime());
        QTest::newRow("nan") << QVariant(std::numeric_limits<double>::quiet_NaN());
        QTest::newRow("infinity") << QVariant(std::numeric_limits<double>::infinity());
        QTest::newRow("float infinity") << QVariant(-std::numeric_limits<float>::infinity());
        QTest::newRow("ulonglong beyond longlong") << QVariant(std::numeric_limits<quint64>::max());
        QTest::newRow("array holding a point") << QVariant(QVariantList{1, QPoint(1, 2)});
        QTest::newRow("array holding nan") << QVariant(QVariantList{std::numeric_limits<double>::quiet_NaN()});
        QTest::newRow("dictionary holding a url")
            << QVariant(QVariantMap{{QStringLiteral("a"), 1}, {QStringLiteral("u"), QUrl()}});
        const QVariantMap holdingInvalid{{QStringLiteral("b"), QVariant()}};
        QTest::newRow("deep dictionary holding an invalid value")
            << QVariant(QVariantMap{{QStringLiteral("a"), QVariantList{holdingInvalid}}});
    }

    void unsupportedValuesAreNotStored()
    {
        QFETCH(QVariant, value);

        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("defaults.json"));
        Defaults defaults(path);
        defaults.set(QStringLiteral("key"), QStringLiteral("before"));
        QVERIFY(defaults.flush());
        const QByteArray before = TestFiles::read(path);

        defaults.set(QStringLiteral("key"), value);
        defaults.set(QStringLiteral("other"), value);
        QCOMPARE(defaults.object(QStringLiteral("key")), QVariant(QStringLiteral("before")));
        QVERIFY(!defaults.contains(QStringLiteral("other")));
        QVERIFY(!defaults.hasPendingChanges());
        QVERIFY(defaults.flush());
        QCOMPARE(TestFiles::read(path), before);
    }

    void changesAreSavedTogetherOnceTheTimerFires()
    {
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("defaults.json"));
        Defaults defaults(path);
        QTimer* timer = saveTimerOf(defaults);
        QVERIFY(timer);
        QVERIFY(!timer->isActive());
        QVERIFY(!defaults.hasPendingChanges());

        defaults.set(QStringLiteral("a"), 1);
        QVERIFY(timer->isActive());
        QVERIFY(timer->isSingleShot());
        QCOMPARE(timer->interval(), Defaults::saveDelayMs);

        // Later changes ride along with the armed timer instead of putting the save off again. No events
        // are processed here, so the timer cannot fire while the time passes.
        constexpr int elapsed = 20;
        QElapsedTimer spin;
        spin.start();
        while (timer->remainingTime() > Defaults::saveDelayMs - elapsed)
            QVERIFY(spin.elapsed() < 10'000);
        defaults.set(QStringLiteral("b"), 2);
        defaults.set(QStringLiteral("c"), 3);
        defaults.remove(QStringLiteral("a"));
        QVERIFY(timer->isActive());
        QVERIFY(timer->remainingTime() <= Defaults::saveDelayMs - elapsed);
        QVERIFY(defaults.hasPendingChanges());
        QVERIFY(!QFile::exists(path));

        fire(timer);
        QVERIFY(!defaults.hasPendingChanges());
        QVERIFY(!timer->isActive());
        QCOMPARE(fileObject(path), (QJsonObject{{"b", 2}, {"c", 3}}));

        // The next change arms it again.
        defaults.set(QStringLiteral("d"), 4);
        QVERIFY(timer->isActive());
        QVERIFY(timer->remainingTime() > Defaults::saveDelayMs - elapsed);
    }

    void flushWritesAtOnceAndDisarms()
    {
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("defaults.json"));
        Defaults defaults(path);
        defaults.set(QStringLiteral("a"), QStringLiteral("x"));
        QVERIFY(defaults.flush());
        QVERIFY(!saveTimerOf(defaults)->isActive());
        QVERIFY(!defaults.hasPendingChanges());
        QCOMPARE(fileObject(path), (QJsonObject{{"a", "x"}}));
    }

    void removingAnAbsentKeyChangesNothing()
    {
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("defaults.json"));
        Defaults defaults(path);
        defaults.remove(QStringLiteral("never"));
        QVERIFY(!defaults.hasPendingChanges());
        QVERIFY(!saveTimerOf(defaults)->isActive());
        QVERIFY(!QFile::exists(path));
    }

    void destructionSavesWhatIsPending()
    {
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("defaults.json"));
        {
            Defaults defaults(path);
            defaults.set(QStringLiteral("kept"), true);
            defaults.set(QStringLiteral("gone"), true);
            QVERIFY(defaults.flush());
            defaults.remove(QStringLiteral("gone"));
        }
        QCOMPARE(fileObject(path), (QJsonObject{{"kept", true}}));
    }

    void aStoreWithoutAFileNeverWrites()
    {
        Defaults defaults{QString()};
        defaults.set(QStringLiteral("a"), 1);
        QCOMPARE(defaults.object(QStringLiteral("a")), QVariant(qlonglong(1)));
        QVERIFY(!saveTimerOf(defaults)->isActive());
        QVERIFY(defaults.flush());
        QVERIFY(!defaults.hasPendingChanges());
    }

    void theFileIsPrivateInAFolderOfItsOwn()
    {
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("config/Wisplet/defaults.json"));
        Defaults defaults(path);
        defaults.set(QStringLiteral("a"), 1);
        QVERIFY(defaults.flush());
        QCOMPARE(TestFiles::mode(folder.file(QStringLiteral("config/Wisplet"))), 0700);
        QCOMPARE(TestFiles::mode(path), 0600);

        // A file someone made readable to all becomes private again on the next save.
        QVERIFY(QFile::setPermissions(path,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
        defaults.set(QStringLiteral("a"), 2);
        QVERIFY(defaults.flush());
        QCOMPARE(TestFiles::mode(path), 0600);
    }

    void theStandardPathIsInTheConfigHome()
    {
        QCOMPARE(Defaults::standardPath(),
                 qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Wisplet/defaults.json"));
    }

    void anUnreadableFileIsSetAside_data()
    {
        QTest::addColumn<QByteArray>("contents");

        QTest::newRow("garbage") << QByteArray("not json {");
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe\x01", 4);
        QTest::newRow("array") << QByteArray("[1, 2]");
        QTest::newRow("string") << QByteArray("\"text\"");
        QTest::newRow("null") << QByteArray("null");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("truncated object") << QByteArray("{\"a\": 1,");
        QTest::newRow("trailing garbage") << QByteArray("{\"a\": 1} {");
        QTest::newRow("invalid UTF-8") << QByteArray("{\"a\": \"\xc3\x28\"}");
        QTest::newRow("nested too deep") << QByteArray(100'000, '[');
    }

    void anUnreadableFileIsSetAside()
    {
        QFETCH(QByteArray, contents);

        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("defaults.json"));
        QVERIFY(TestFiles::write(path, contents));

        {
            Defaults defaults(path);
            QCOMPARE(defaults.setAsidePath(), path + QStringLiteral(".unreadable"));
            QVERIFY(!QFile::exists(path));
            QCOMPARE(TestFiles::read(path + QStringLiteral(".unreadable")), contents);
            QVERIFY(!defaults.contains(QStringLiteral("a")));
            QVERIFY(!defaults.hasPendingChanges());

            defaults.set(QStringLiteral("fresh"), true);
            QVERIFY(defaults.flush());
        }
        QCOMPARE(fileObject(path), (QJsonObject{{"fresh", true}}));
        QCOMPARE(TestFiles::read(path + QStringLiteral(".unreadable")), contents);
    }

    void aFolderAtThePathIsSetAside()
    {
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("defaults.json"));
        QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));

        Defaults defaults(path);
        QCOMPARE(defaults.setAsidePath(), path + QStringLiteral(".unreadable"));
        QVERIFY(QFileInfo(path + QStringLiteral(".unreadable/inside")).isDir());
        defaults.set(QStringLiteral("a"), 1);
        QVERIFY(defaults.flush());
        QCOMPARE(fileObject(path), (QJsonObject{{"a", 1}}));
    }

    void aSecondUnreadableFileDoesNotReplaceTheFirst()
    {
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("defaults.json"));
        QVERIFY(TestFiles::write(path, "first"));
        {
            Defaults defaults(path);
        }
        QVERIFY(TestFiles::write(path, "second"));
        {
            Defaults defaults(path);
            QCOMPARE(defaults.setAsidePath(), path + QStringLiteral(".unreadable-2"));
            defaults.set(QStringLiteral("a"), 1);
        }
        QCOMPARE(TestFiles::read(path + QStringLiteral(".unreadable")), QByteArray("first"));
        QCOMPARE(TestFiles::read(path + QStringLiteral(".unreadable-2")), QByteArray("second"));
        QCOMPARE(fileObject(path), (QJsonObject{{"a", 1}}));
    }

    void anUnreadableFileThatCannotBeMovedIsNotWrittenOver_data()
    {
        QTest::addColumn<int>("spare");

        // ".unreadable" never fits beside any of these names; a temporary file for the save may.
        for (const int spare : {10, 9, 8, 7, 6, 5})
            QTest::addRow("%d characters to spare", spare) << spare;
    }

    void anUnreadableFileThatCannotBeMovedIsNotWrittenOver()
    {
        QFETCH(int, spare);

        const TempFolder folder;
        const long nameMax = ::pathconf(QFile::encodeName(folder.path()).constData(), _PC_NAME_MAX);
        QVERIFY(nameMax > 20);
        const QString path = folder.file(QString(nameMax - spare, u'd'));
        QVERIFY(TestFiles::write(path, "precious"));

        Defaults defaults(path);
        QCOMPARE(defaults.setAsidePath(), QString());
        defaults.set(QStringLiteral("a"), 1);
        QVERIFY(!defaults.flush());
        QVERIFY(defaults.hasPendingChanges());
        QCOMPARE(TestFiles::read(path), QByteArray("precious"));

        // Once it has been moved by other means, saving goes ahead.
        QVERIFY(QFile::rename(path, folder.file(QStringLiteral("moved"))));
        QVERIFY(defaults.flush());
        QCOMPARE(fileObject(path), (QJsonObject{{"a", 1}}));
        QCOMPARE(TestFiles::read(folder.file(QStringLiteral("moved"))), QByteArray("precious"));
    }

    void aFailedWriteKeepsTheChangesForLater_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::addColumn<bool>("blockerIsFolder");

        QTest::newRow("a file where the folder goes") << "Wisplet" << false;
        QTest::newRow("a file further up the path") << "home" << false;
        QTest::newRow("a folder where the file goes") << "home/Wisplet/defaults.json" << true;
    }

    void aFailedWriteKeepsTheChangesForLater()
    {
        QFETCH(QString, blocker);
        QFETCH(bool, blockerIsFolder);

        const TempFolder folder;
        const QString path = blocker == QLatin1String("Wisplet")
            ? folder.file(QStringLiteral("Wisplet/defaults.json"))
            : folder.file(QStringLiteral("home/Wisplet/defaults.json"));
        Defaults defaults(path);
        QVERIFY(blockerIsFolder ? QDir().mkpath(folder.file(blocker)) : TestFiles::write(folder.file(blocker), "in the way"));

        defaults.set(QStringLiteral("a"), 1);
        QVERIFY(!defaults.flush());
        QVERIFY(defaults.hasPendingChanges());
        QCOMPARE(defaults.object(QStringLiteral("a")), QVariant(qlonglong(1)));

        // The timer's attempt fails the same way and loses nothing either.
        defaults.set(QStringLiteral("b"), 2);
        fire(saveTimerOf(defaults));
        QVERIFY(!saveTimerOf(defaults)->isActive());
        QVERIFY(defaults.hasPendingChanges());
        if (!blockerIsFolder)
            QCOMPARE(TestFiles::read(folder.file(blocker)), QByteArray("in the way"));

        QVERIFY(blockerIsFolder ? QDir(folder.file(blocker)).removeRecursively() : QFile::remove(folder.file(blocker)));
        QVERIFY(defaults.flush());
        QVERIFY(!defaults.hasPendingChanges());
        QCOMPARE(fileObject(path), (QJsonObject{{"a", 1}, {"b", 2}}));
    }
};

WISPLET_TEST_MAIN(TestDefaults)
#include "tst_defaults.moc"
