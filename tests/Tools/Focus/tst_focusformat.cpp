#include "Wisplet/Tools/Focus/FocusFormat.h"
#include "tests/support/TestMain.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace {

struct DurationRow
{
    QString text;
    std::optional<double> seconds;
};

struct ClockRow
{
    double seconds;
    QString clock;
    QString lap;
};

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

} // namespace

Q_DECLARE_METATYPE(DurationRow)
Q_DECLARE_METATYPE(ClockRow)

class TestFocusFormat final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Numbers are read the same whatever the user's locale, even one with a decimal comma.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    void parseDuration_data()
    {
        QTest::addColumn<DurationRow>("row");
        const auto add = [](const char* name, const QString& text, std::optional<double> seconds) {
            QTest::newRow(name) << DurationRow{text, seconds};
        };
        add("plain minutes", QStringLiteral("25"), 1500);
        add("decimal comma is no number", QStringLiteral("1,5"), std::nullopt);
        add("negative", QStringLiteral("-5"), std::nullopt);
        add("under a second", QStringLiteral("0.01"), std::nullopt);
        add("spaces and line breaks around", QStringLiteral(" \n25\t "), 1500);
        add("seconds", QStringLiteral("90s"), 90);
        add("upper-case unit", QStringLiteral("45M"), 2700);
        add("decimal hours", QStringLiteral("1.5h"), 5400);
        add("minutes and seconds", QStringLiteral("30m 15s"), 1815);
        add("no-break space between units", QStringLiteral("1h\u00A030m"), 5400);
        add("other scripts' digits are no number", QStringLiteral("\u0661h"), std::nullopt);
        add("units out of order", QStringLiteral("30m1h"), std::nullopt);
        add("space before the unit", QStringLiteral("25 m"), std::nullopt);
        add("short form", QStringLiteral("1h30"), 5400);
        add("short form, 60 minutes", QStringLiteral("1h60"), std::nullopt);
        add("clock m:ss", QStringLiteral("10:00"), 600);
        add("clock upper bound", QStringLiteral("24:00:00"), 86400);
        add("clock above the bound", QStringLiteral("24:00:01"), std::nullopt);
        add("clock seconds of 60", QStringLiteral("1:60"), std::nullopt);
        add("clock empty piece", QStringLiteral("1::00"), std::nullopt);
        add("clock four pieces", QStringLiteral("0:0:1:0"), std::nullopt);
        add("clock with units is no unit form", QStringLiteral("1h:30"), std::nullopt);
        add("huge clock does not overflow", QStringLiteral("99999999999999999999999:00"), std::nullopt);
        add("huge short form does not overflow", QStringLiteral("99999999999999999999999h5"), std::nullopt);
        add("not a number", QStringLiteral("nan"), std::nullopt);
    }

    void parseDuration()
    {
        QFETCH(DurationRow, row);
        QCOMPARE(::parseDuration(row.text), row.seconds);
    }

    void clockTexts_data()
    {
        QTest::addColumn<ClockRow>("row");
        const auto add = [](const char* name, double seconds, const char* clock, const char* lap) {
            QTest::newRow(name) << ClockRow{seconds, QString::fromLatin1(clock), QString::fromLatin1(lap)};
        };
        add("rounds the clock down", 59.9, "00:59", "00:59.90");
        add("lap rounds once", 59.996, "00:59", "01:00.00");
        add("an hour", 3600, "1:00:00", "1:00:00.00");
        add("capped at a year", 1e12, "8760:00:00", "8760:00:00.00");
        add("negative", -5, "00:00", "00:00.00");
        add("not a number", notANumber, "00:00", "00:00.00");
    }

    void clockTexts()
    {
        QFETCH(ClockRow, row);
        QCOMPARE(formatClock(row.seconds), row.clock);
        QCOMPARE(formatLap(row.seconds), row.lap);
    }

    void readOuts()
    {
        QCOMPARE(focusDisplayTime(FocusPhase::idle, 300, 0), std::nullopt);
        QCOMPARE(focusDisplayTime(FocusPhase::stopwatch, 300, 61), QStringLiteral("01:01"));
        QCOMPARE(focusDisplayTime(FocusPhase::shortBreak, 300, 61), QStringLiteral("05:00"));
        QCOMPARE(focusProgress(FocusPhase::work, 750, 1500), 0.5);
        QCOMPARE(focusProgress(FocusPhase::stopwatch, 750, 1500), 0.0);
        QCOMPARE(focusProgress(FocusPhase::countdown, 10, 0), 0.0);
    }
};

WISPLET_TEST_MAIN(TestFocusFormat)
#include "tst_focusformat.moc"
