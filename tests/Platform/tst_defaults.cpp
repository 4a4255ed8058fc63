#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/PrivateFiles.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

#include <QDebug>
#include <QPoint>
#include <QTimer>

#include <limits>
#include <memory>

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
    // A date is the same instant and comes back in UTC.
    if (a.typeId() == QMetaType::QDateTime)
        return a == b && a.toDateTime().timeSpec() == b.toDateTime().timeSpec();
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

// What this program does to the keys (an invalid value removes one), what another program leaves in the file
// meanwhile ("=": nothing; empty: the file removed), and what the save then gives.
struct Save
{
    QList<std::pair<QString, QVariant>> ours;
    QByteArray theirs;
    QJsonObject saved;
    QStringList followed;
};

struct Reading
{
    QVariant value;
    bool boolean = false;
    double number = 0;
};

struct Typed
{
    QVariant value;
    const char* kind = "";
};

} // namespace

Q_DECLARE_METATYPE(Save)
Q_DECLARE_METATYPE(Reading)
Q_DECLARE_METATYPE(Typed)
Q_DECLARE_METATYPE(std::optional<QStringList>)

class TestDefaults final : public QObject
{
    Q_OBJECT

private slots:
    void readings_data()
    {
        QTest::addColumn<Reading>("row");
        const auto row = [](const char* name, const QVariant& value, bool boolean, double number) {
            QTest::newRow(name) << Reading{value, boolean, number};
        };
        // One row per rule of either reading: Booleans and numbers as they are, text by its own rules,
        // everything else nothing.
        row("true", true, true, 1);
        row("int 0", 0, false, 0);
        row("int -1", -1, true, -1);
        row("double -0", -0.0, false, 0);
        row("double 0.5", 0.5, true, 0.5);
        row("\"TRUE\"", QStringLiteral("TRUE"), true, 0);
        row("\"yEs\"", QStringLiteral("yEs"), true, 0);
        row("\"truex\"", QStringLiteral("truex"), false, 0);
        row("\"+7\"", QStringLiteral("+7"), true, 7);
        row("\"-000\"", QStringLiteral("-000"), false, 0);
        row("integer beyond 64 bits", QStringLiteral("99999999999999999999999"), true, 1e23);
        row("\"1.5\" is no integer", QStringLiteral("1.5"), false, 1.5);
        row("\"-1.5E-2\"", QStringLiteral("-1.5E-2"), false, -0.015);
        row("\" 1\"", QStringLiteral(" 1"), false, 0);
        row("group separator", QStringLiteral("1,500"), false, 0);
        row("\"nan\"", QStringLiteral("nan"), false, 0);
        row("data \"1\"", QByteArray("1"), false, 0);
        row("absent", QVariant(), false, 0);
    }

    void readings()
    {
        QFETCH(Reading, row);
        QCOMPARE(Defaults::booleanReading(row.value), row.boolean);
        QCOMPARE(Defaults::doubleReading(row.value), row.number);
        Defaults defaults{QString()};
        defaults.set(QStringLiteral("key"), row.value);
        QCOMPARE(defaults.boolValue(QStringLiteral("key")), row.boolean);
        QCOMPARE(defaults.doubleValue(QStringLiteral("key")), row.number);
    }

    void typedGettersGiveNothingForAnotherType_data()
    {
        QTest::addColumn<Typed>("row");
        QTest::newRow("string") << Typed{QStringLiteral("text"), "string"};
        QTest::newRow("string that reads as a date") << Typed{QStringLiteral("2026-03-01T09:00:00Z"), "string"};
        QTest::newRow("string list") << Typed{QStringList{QStringLiteral("a")}, "array"};
        QTest::newRow("date") << Typed{QDateTime(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC), "date"};
        QTest::newRow("data") << Typed{QByteArray("text"), "data"};
        QTest::newRow("dictionary") << Typed{QVariantMap{{QStringLiteral("a"), 1}}, "dictionary"};
        QTest::newRow("integer") << Typed{1234, "other"};
    }

    void typedGettersGiveNothingForAnotherType()
    {
        QFETCH(Typed, row);
        const QVariant& value = row.value;
        const QLatin1String kind(row.kind);

        Defaults defaults{QString()};
        const QString key = QStringLiteral("key");
        defaults.set(key, value);
        QCOMPARE(defaults.string(key), kind == "string" ? value.toString() : QString());
        QCOMPARE(defaults.date(key), kind == "date" ? value.toDateTime() : QDateTime());
        QCOMPARE(defaults.data(key), kind == "data" ? value.toByteArray() : QByteArray());
        QCOMPARE(defaults.array(key), kind == "array" ? value.toList() : QVariantList());
        QCOMPARE(defaults.dictionary(key), kind == "dictionary" ? value.toMap() : QVariantMap());
    }

    void stringArrays_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<std::optional<QStringList>>("expected");
        QTest::newRow("absent") << QVariant() << std::optional<QStringList>();
        QTest::newRow("mixed types") << QVariant(QVariantList{QStringLiteral("a"), 1}) << std::optional<QStringList>();
        QTest::newRow("all strings") << QVariant(QVariantList{QStringLiteral("a"), QString()})
                                     << std::optional(QStringList{QStringLiteral("a"), QString()});
        QTest::newRow("empty") << QVariant(QVariantList()) << std::optional(QStringList());
    }

    void stringArrays()
    {
        QFETCH(QVariant, stored);
        QFETCH(std::optional<QStringList>, expected);
        Defaults defaults{QString()};
        defaults.set(QStringLiteral("key"), stored);
        QCOMPARE(defaults.stringArray(QStringLiteral("key")), expected);
    }

    void valuesComeBackFromTheFile_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("expected");

        const auto same = [](const char* name, const QVariant& value) { QTest::newRow(name) << value << value; };
        QTest::newRow("int becomes longlong") << QVariant(42) << QVariant(qlonglong(42));
        QTest::newRow("ulonglong within range") << QVariant(quint64(1) << 62) << QVariant(qlonglong(1) << 62);
        same("2^53 + 1 stays exact", qlonglong(9007199254740993));
        same("double -2.25e-300", -2.25e-300);
        QTest::newRow("float") << QVariant(0.25f) << QVariant(0.25);
        same("string with quotes, backslash, controls and NUL", QString::fromUtf8("a\"b\\c\n\t\x01", 8) + QChar(0));
        same("string that looks like a tag", QStringLiteral("{\"$date\": 5}"));
        same("date with milliseconds", QDateTime(QDate(2026, 3, 1), QTime(12, 34, 56, 789), Qt::UTC));
        QTest::newRow("local date comes back in UTC")
            << QVariant(aucklandFirstOfMarch) << QVariant(aucklandFirstOfMarch.toUTC());
        QTest::newRow("string list") << QVariant(QStringList{QStringLiteral("a"), QString()})
                                     << QVariant(QVariantList{QStringLiteral("a"), QString()});
        const QVariantMap nested{
            {QStringLiteral("date"), QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC)},
            {QStringLiteral("data"), QByteArray("\x00\xff", 2)},
        };
        same("nested arrays and dictionaries",
             QVariantList{qlonglong(1), QVariantList{true, QVariantList{nested}}, nested, 2.5});
        same("dictionary with $date and another key",
             QVariantMap{{QStringLiteral("$date"), qlonglong(5)}, {QStringLiteral("other"), qlonglong(1)}});
        same("dictionary with $data holding no Base64", QVariantMap{{QStringLiteral("$data"), QStringLiteral("*!*")}});
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
        defaults.set(QStringLiteral("local"), aucklandFirstOfMarch);
        defaults.set(QStringLiteral("data"), QByteArray("\x00\xff", 2));
        defaults.set(QStringLiteral("count"), 3);
        QVERIFY(defaults.flush());
        QCOMPARE(fileObject(path),
                 (QJsonObject{{"date", QJsonObject{{"$date", 1.5}}},
                              {"local", QJsonObject{{"$date", 793969200}}},
                              {"data", QJsonObject{{"$data", "AP8="}}},
                              {"count", 3}}));
        // Integers are written as integers.
        QVERIFY(TestFiles::read(path).contains("\"count\": 3"));
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
            "hugeDate": {"$date": 1e300},
            "null": null,
            "exponent": 1e3,
            "listWithNull": [1, null]
        })"));

        Defaults defaults(path);
        QVERIFY(defaults.setAsidePath().isEmpty());
        QVERIFY(identical(defaults.object(QStringLiteral("$date")), qlonglong(3)));
        QCOMPARE(defaults.date(QStringLiteral("date")),
                 QDateTime(QDate(2000, 12, 31), QTime(23, 59, 59, 500), Qt::UTC));
        QCOMPARE(defaults.date(QStringLiteral("date")).timeSpec(), Qt::UTC);
        QCOMPARE(defaults.data(QStringLiteral("data")), QByteArray("\x00\xff", 2));
        QCOMPARE(defaults.dictionary(QStringLiteral("notData")),
                 (QVariantMap{{QStringLiteral("$data"), QStringLiteral("***")}}));
        QCOMPARE(defaults.dictionary(QStringLiteral("twoKeys")).size(), 2);
        QCOMPARE(defaults.dictionary(QStringLiteral("hugeDate")).size(), 1);
        QVERIFY(!defaults.contains(QStringLiteral("null")));
        QCOMPARE(defaults.doubleValue(QStringLiteral("exponent")), 1000.0);
        QCOMPARE(defaults.array(QStringLiteral("listWithNull")).size(), 2);
        QVERIFY(!defaults.hasPendingChanges());
    }

    void unsupportedValuesAreNotStored_data()
    {
        QTest::addColumn<QVariant>("value");

        QTest::newRow("point") << QVariant(QPoint(1, 2));
        QTest::newRow("invalid date") << QVariant(QDateTime());
        QTest::newRow("nan") << QVariant(std::numeric_limits<double>::quiet_NaN());
        QTest::newRow("ulonglong beyond longlong") << QVariant(std::numeric_limits<quint64>::max());
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

    void flushWritesAtOnceAndTheRestAtDestruction()
    {
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("Wisplet/defaults.json"));
        {
            Defaults defaults(path);
            defaults.remove(QStringLiteral("never"));
            QVERIFY(!defaults.hasPendingChanges());
            QVERIFY(!saveTimerOf(defaults)->isActive());
            defaults.set(QStringLiteral("kept"), true);
            defaults.set(QStringLiteral("gone"), true);
            QVERIFY(defaults.flush());
            QVERIFY(!saveTimerOf(defaults)->isActive());
            QVERIFY(!defaults.hasPendingChanges());
            QCOMPARE(fileObject(path), (QJsonObject{{"kept", true}, {"gone", true}}));
            // Private, in a folder of its own.
            QCOMPARE(TestFiles::mode(folder.file(QStringLiteral("Wisplet"))), 0700);
            QCOMPARE(TestFiles::mode(path), 0600);
            defaults.remove(QStringLiteral("gone"));
        }
        QCOMPARE(fileObject(path), (QJsonObject{{"kept", true}}));

        // A store without a file never writes, and never has anything pending.
        Defaults memory{QString()};
        memory.set(QStringLiteral("a"), 1);
        QCOMPARE(memory.object(QStringLiteral("a")), QVariant(qlonglong(1)));
        QVERIFY(!saveTimerOf(memory)->isActive());
        QVERIFY(memory.flush());
        QVERIFY(!memory.hasPendingChanges());
    }

    void anUnreadableFileIsSetAside_data()
    {
        QTest::addColumn<QByteArray>("contents");

        QTest::newRow("garbage") << QByteArray("not json {");
        QTest::newRow("array") << QByteArray("[1, 2]");
        QTest::newRow("a folder") << QByteArray("<folder>");
    }

    void anUnreadableFileIsSetAside()
    {
        QFETCH(QByteArray, contents);

        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("defaults.json"));
        const bool isFolder = contents == "<folder>";
        QVERIFY(isFolder ? QDir().mkpath(path + QStringLiteral("/inside")) : TestFiles::write(path, contents));

        {
            Defaults defaults(path);
            QCOMPARE(defaults.setAsidePath(), path + QStringLiteral(".unreadable"));
            QVERIFY(!QFileInfo::exists(path));
            if (isFolder)
                QVERIFY(QFileInfo(path + QStringLiteral(".unreadable/inside")).isDir());
            else
                QCOMPARE(TestFiles::read(path + QStringLiteral(".unreadable")), contents);
            QVERIFY(!defaults.contains(QStringLiteral("a")));
            QVERIFY(!defaults.hasPendingChanges());

            defaults.set(QStringLiteral("fresh"), true);
            QVERIFY(defaults.flush());
        }
        QCOMPARE(fileObject(path), (QJsonObject{{"fresh", true}}));
    }

    void anUnreadableFileThatCannotBeMovedIsNotWrittenOver()
    {
        // ".unreadable" never fits beside this name; a temporary file for the save does.
        const TempFolder folder;
        const long nameMax = ::pathconf(QFile::encodeName(folder.path()).constData(), _PC_NAME_MAX);
        QVERIFY(nameMax > 20);
        const QString path = folder.file(QString(nameMax - 10, u'd'));
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

    // A file where its folder must go; a folder where the file goes is the settings-file test's.
    void aFailedWriteKeepsTheChangesForLater()
    {
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("Wisplet/defaults.json"));
        Defaults defaults(path);
        QVERIFY(TestFiles::write(folder.file(QStringLiteral("Wisplet")), "in the way"));

        defaults.set(QStringLiteral("a"), 1);
        QVERIFY(!defaults.flush());
        QVERIFY(defaults.hasPendingChanges());
        QCOMPARE(defaults.object(QStringLiteral("a")), QVariant(qlonglong(1)));

        // The timer's attempt fails the same way and loses nothing either.
        defaults.set(QStringLiteral("b"), 2);
        fire(saveTimerOf(defaults));
        QVERIFY(!saveTimerOf(defaults)->isActive());
        QVERIFY(defaults.hasPendingChanges());
        QCOMPARE(TestFiles::read(folder.file(QStringLiteral("Wisplet"))), QByteArray("in the way"));

        QVERIFY(QFile::remove(folder.file(QStringLiteral("Wisplet"))));
        QVERIFY(defaults.flush());
        QVERIFY(!defaults.hasPendingChanges());
        QCOMPARE(fileObject(path), (QJsonObject{{"a", 1}, {"b", 2}}));
    }

    void aSaveWritesOnlyChangesOnTopOfOthers_data()
    {
        QTest::addColumn<Save>("row");
        const QJsonObject ab{{"a", 1}, {"b", 1}};
        QTest::newRow("a double the file spells as that integer") << Save{{{"a", 1.0}}, "=", ab, {}};
        QTest::newRow("changed and changed back") << Save{{{"a", 2}, {"a", 1}}, "=", ab, {}};
        QTest::newRow("added and removed") << Save{{{"c", true}, {"c", QVariant()}}, "=", ab, {}};
        QTest::newRow("a key changed and one added there, another here")
            << Save{{{"b", 2}}, R"({"a": 5, "b": 1, "c": "x"})", {{"a", 5}, {"b", 2}, {"c", "x"}}, {"a", "c"}};
        QTest::newRow("one key changed on both sides: ours wins")
            << Save{{{"a", 2}}, R"({"a": 3, "b": 1})", {{"a", 2}, {"b", 1}}, {}};
        QTest::newRow("removed here, changed there: stays removed")
            << Save{{{"a", QVariant()}}, R"({"a": 3, "b": 1})", {{"b", 1}}, {}};
        QTest::newRow("removed there, changed here: ours stays")
            << Save{{{"a", 2}}, R"({"b": 1})", {{"a", 2}, {"b", 1}}, {}};
        QTest::newRow("the file removed: all of ours saved") << Save{{{"b", 2}}, "", {{"a", 1}, {"b", 2}}, {}};
        QTest::newRow("no JSON in its place: set aside, all of ours saved")
            << Save{{{"b", 2}}, "{oops", {{"a", 1}, {"b", 2}}, {}};
    }

    void aSaveWritesOnlyChangesOnTopOfOthers()
    {
        QFETCH(Save, row);
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("defaults.json"));
        // Compact, as a hand writes it: any save would indent it.
        const QByteArray before = R"({"a":1,"b":1})";
        QVERIFY(TestFiles::write(path, before));
        Defaults defaults(path);
        QSignalSpy followed(&defaults, &Defaults::changedOutside);
        for (const auto& [key, value] : row.ours)
            value.isValid() ? defaults.set(key, value) : defaults.remove(key);
        const bool untouched = row.theirs == "=";
        if (!untouched)
            QVERIFY(row.theirs.isEmpty() ? QFile::remove(path) : TestFiles::replace(path, row.theirs));
        const QByteArray there = untouched ? before : row.theirs;
        const PrivateFiles::FileStamp stamp = PrivateFiles::stampOf(path);

        QVERIFY(defaults.flush());
        QCOMPARE(fileObject(path), row.saved);
        // What the file already holds is not written again.
        if (QJsonDocument::fromJson(there).object() == row.saved)
            QVERIFY(TestFiles::read(path) == there && PrivateFiles::stampOf(path) == stamp);
        for (const char* key : {"a", "b", "c"}) {
            const QVariant value = defaults.object(QString::fromLatin1(key));
            QCOMPARE(value.isValid() ? QJsonValue::fromVariant(value) : QJsonValue(QJsonValue::Undefined),
                     row.saved.value(QLatin1String(key)));
        }
        QCOMPARE(followed.isEmpty() ? QStringList() : followed.first().first().toStringList(), row.followed);
        const bool setAside = !untouched && !row.theirs.isEmpty() && QJsonDocument::fromJson(row.theirs).isNull();
        QCOMPARE(TestFiles::read(path + QStringLiteral(".unreadable")), setAside ? row.theirs : QByteArray());
        QCOMPARE(defaults.notice().isEmpty(), row.followed.isEmpty() && !setAside);
    }
};

WISPLET_TEST_MAIN(TestDefaults)
#include "tst_defaults.moc"
