#include "Wisplet/Platform/Calendar/ICalendarFile.h"
#include "Wisplet/Platform/Calendar/ICalendarFiles.h"
#include "tests/support/CalendarReaders.h"
#include "tests/support/FakeScheduler.h"
#include "tests/support/Files.h"
#include "tests/support/HostileCalendars.h"
#include "tests/support/StandIns.h"
#include "tests/support/TestMain.h"
#include "tests/support/Texts.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <csignal>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

QByteArray calendar(const QByteArray& body)
{
    return "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//test//EN\n" + body + "END:VCALENDAR\n";
}

QByteArray vevent(const QByteArray& uid, const QByteArray& summary, const QByteArray& lines)
{
    return "BEGIN:VEVENT\nUID:" + uid + "\nSUMMARY:" + summary + "\n" + lines + "END:VEVENT\n";
}

QDateTime utc(const QString& text)
{
    return QDateTime::fromString(text, Qt::ISODate);
}

QStringList describe(const QList<CalendarEvent>& events)
{
    QStringList lines;
    for (const CalendarEvent& e : events)
        lines.append(e.start.toUTC().toString(Qt::ISODate) + u' ' + e.end.toUTC().toString(Qt::ISODate) + u' '
                     + e.title);
    lines.sort();
    return lines;
}

const QDateTime weekStart = utc("2026-03-02T00:00:00Z");
const QDateTime weekEnd = utc("2026-03-09T00:00:00Z");

// A second of processor time per file keeps the rows about runaway files short.
const ICalendarReader::Limits reader{.program = WISPLET_READER, .cpuSecondsPerFile = 1};

CalendarReading readingOf(ICalendarFiles& files, const QDateTime& after = weekStart, const QDateTime& to = weekEnd)
{
    const QFuture<CalendarReading> reading = files.read(after, to);
    // The reader is driven by the main loop, which must run meanwhile.
    if (!QTest::qWaitFor([&reading] { return reading.isFinished(); }, 60'000))
        qFatal("the reader did not answer");
    return reading.result();
}

// Readings as a user's refreshes make them, each after the calendar said more was read, until none leaves files
// still to read.
CalendarReading wholeReadingOf(ICalendarFiles& files, const QDateTime& after = weekStart)
{
    QSignalSpy changed(&files, &CalendarSource::changed);
    CalendarReading reading = readingOf(files, after);
    while (reading.stillReading) {
        if (changed.isEmpty() && !changed.wait(60'000))
            qFatal("the tail of the reading did not end");
        changed.clear();
        reading = readingOf(files, after);
    }
    return reading;
}

QByteArray timedEvent(const QByteArray& uid, const QByteArray& start)
{
    return vevent(uid, uid, "DTSTART:" + start + "\nDURATION:PT1H\n");
}

// One event in the week and `more` after it: long to read, quick to show.
QByteArray longCalendar(const QByteArray& title, int more)
{
    QByteArray events = timedEvent(title, "20260303T090000Z");
    for (int i = 0; i < more; ++i)
        events += timedEvent("E" + QByteArray::number(i), "20260403T090000Z");
    return calendar(events);
}

// Files that each keep their process busy until its limit: bad0.ics, bad1.ics, …
bool writeRunaways(const QTemporaryDir& dir, int count)
{
    for (int i = 0; i < count; ++i) {
        if (!TestFiles::write(dir.filePath(QString("bad%1.ics").arg(i)), HostileCalendars::neverMatching("VEVENT")))
            return false;
    }
    return true;
}

} // namespace

struct ExpandRow
{
    QByteArray file;
    QString from;
    QString to;
    QStringList expected;
};
Q_DECLARE_METATYPE(ExpandRow)

struct AccessRow
{
    QString path; // relative to the test folder; empty for nothing configured
    CalendarSource::Access expected;
    QString problem; // what the message says; empty for none
};
Q_DECLARE_METATYPE(AccessRow)

struct LeftOutRow
{
    QByteArray b; // beside a.ics and its one event
    QString first; // the earliest event read
    QString message;
    int maxFiles = 3;
};
Q_DECLARE_METATYPE(LeftOutRow)

// How a reading breaks for no file in particular.
enum class Breaking { missing, exitsAtOnce, diesOnceStarted, killedInItsTail };

struct BrokenRow
{
    Breaking breaking;
    QString message;
    // What the reading tried again once the wait is over says (empty: the same), and the wait that follows.
    QString retried;
    std::vector<qint64> waits;
};
Q_DECLARE_METATYPE(BrokenRow)

// What each of three busy files holds beside the meeting.
enum class Busy {
    minutely, // thirty one-minute events from ten minutes on
    oneInstant, // thirty events of their own, all ten minutes on
    underWay, // thirty events begun in the ten minutes before, lasting an hour
};

struct EarliestRow
{
    Busy busy;
    // Minutes after the week's start, of a reading made first and of the reading under test.
    std::optional<int> readBefore;
    int after;
    qsizetype shown;
    int firstStart;
    int lastStart;
    QString message;
};
Q_DECLARE_METATYPE(EarliestRow)

class TestICalendarFiles final : public QObject
{
    Q_OBJECT

    FakeClock m_clock;
    FakeScheduler m_scheduler{m_clock};

private slots:
    void expandsOccurrences_data()
    {
        QTest::addColumn<ExpandRow>("row");
        QTest::newRow("daily rule with an excluded and a moved occurrence") << ExpandRow{
            calendar(vevent("standup", "Standup",
                            "DTSTART:20260301T090000Z\nDTEND:20260301T093000Z\nRRULE:FREQ=DAILY;COUNT=5\n"
                            "EXDATE:20260303T090000Z\n")
                     + vevent("standup", "Moved",
                              "RECURRENCE-ID:20260304T090000Z\nDTSTART:20260304T150000Z\nDTEND:20260304T153000Z\n")),
            "2026-03-02T00:00:00Z",
            "2026-03-06T00:00:00Z",
            {"2026-03-02T09:00:00Z 2026-03-02T09:30:00Z Standup", "2026-03-04T15:00:00Z 2026-03-04T15:30:00Z Moved",
             "2026-03-05T09:00:00Z 2026-03-05T09:30:00Z Standup"}};
        // Midnight to midnight in Auckland (UTC+13 in March).
        QTest::newRow("all-day dates are local")
            << ExpandRow{calendar(vevent("trip", "Trip", "DTSTART;VALUE=DATE:20260305\nDTEND;VALUE=DATE:20260307\n")),
                         "2026-03-02T00:00:00Z",
                         "2026-03-09T00:00:00Z",
                         {"2026-03-04T11:00:00Z 2026-03-06T11:00:00Z Trip"}};
        QTest::newRow("floating time is local")
            << ExpandRow{calendar(vevent("f", "Floating", "DTSTART:20260303T100000\nDURATION:PT1H\n")),
                         "2026-03-02T00:00:00Z",
                         "2026-03-09T00:00:00Z",
                         {"2026-03-02T21:00:00Z 2026-03-02T22:00:00Z Floating"}};
        // The file's cut-down zone says +02:00 all year; the zone database knows Berlin keeps +01:00 in winter.
        QTest::newRow("system zone before a truncated VTIMEZONE") << ExpandRow{
            calendar("BEGIN:VTIMEZONE\nTZID:Europe/Berlin\nBEGIN:STANDARD\nDTSTART:19700101T000000\n"
                     "TZOFFSETFROM:+0200\nTZOFFSETTO:+0200\nEND:STANDARD\nEND:VTIMEZONE\n"
                     + vevent("sync", "Sync",
                              "DTSTART;TZID=Europe/Berlin:20260105T100000\nDTEND;TZID=Europe/Berlin:20260105T103000\n"
                              "RRULE:FREQ=DAILY\n")),
            "2026-12-07T00:00:00Z",
            "2026-12-08T00:00:00Z",
            {"2026-12-07T09:00:00Z 2026-12-07T09:30:00Z Sync"}};
        QTest::newRow("the file's own zone for a name the system lacks") << ExpandRow{
            calendar("BEGIN:VTIMEZONE\nTZID:Head Office\nBEGIN:STANDARD\nDTSTART:19700101T000000\n"
                     "TZOFFSETFROM:+0300\nTZOFFSETTO:+0300\nEND:STANDARD\nEND:VTIMEZONE\n"
                     + vevent("h", "Office", "DTSTART;TZID=Head Office:20260303T120000\nDURATION:PT30M\n")),
            "2026-03-02T00:00:00Z",
            "2026-03-09T00:00:00Z",
            {"2026-03-03T09:00:00Z 2026-03-03T09:30:00Z Office"}};
        QTest::newRow("events outside the window are left out")
            << ExpandRow{calendar(vevent("a", "Before", "DTSTART:20260301T080000Z\nDTEND:20260301T090000Z\n")
                                  + vevent("b", "After", "DTSTART:20260310T080000Z\nDTEND:20260310T090000Z\n")),
                         "2026-03-02T00:00:00Z",
                         "2026-03-09T00:00:00Z",
                         {}};
        QTest::newRow("not iCalendar") << ExpandRow{"hello\n", "2026-03-02T00:00:00Z", "2026-03-09T00:00:00Z", {}};
        QTest::newRow("extra dates beside a rule, one of them excluded, one the rule's own") << ExpandRow{
            calendar(vevent("r", "Review",
                            "DTSTART:20260302T090000Z\nDURATION:PT1H\nRRULE:FREQ=WEEKLY;COUNT=2\n"
                            "RDATE:20260304T150000Z,20260309T090000Z\nRDATE:20260305T150000Z\n"
                            "EXDATE:20260305T150000Z\n")),
            "2026-03-02T00:00:00Z",
            "2026-03-10T00:00:00Z",
            {"2026-03-02T09:00:00Z 2026-03-02T10:00:00Z Review", "2026-03-04T15:00:00Z 2026-03-04T16:00:00Z Review",
             "2026-03-09T09:00:00Z 2026-03-09T10:00:00Z Review"}};
        // Berlin is UTC+1 in March.
        QTest::newRow("extra dates without a rule, in a zone") << ExpandRow{
            calendar(vevent("z", "Zoned",
                            "DTSTART;TZID=Europe/Berlin:20260302T100000\nDTEND;TZID=Europe/Berlin:20260302T103000\n"
                            "RDATE;TZID=Europe/Berlin:20260303T100000,20260320T100000\n")),
            "2026-03-02T00:00:00Z",
            "2026-03-09T00:00:00Z",
            {"2026-03-02T09:00:00Z 2026-03-02T09:30:00Z Zoned", "2026-03-03T09:00:00Z 2026-03-03T09:30:00Z Zoned"}};
        QTest::newRow("an extra period keeps its own end") << ExpandRow{
            calendar(vevent("p", "Period",
                            "DTSTART:20260302T090000Z\nDURATION:PT1H\n"
                            "RDATE;VALUE=PERIOD:20260303T090000Z/20260303T120000Z,20260304T090000Z/PT2H\n")),
            "2026-03-02T00:00:00Z",
            "2026-03-09T00:00:00Z",
            {"2026-03-02T09:00:00Z 2026-03-02T10:00:00Z Period", "2026-03-03T09:00:00Z 2026-03-03T12:00:00Z Period",
             "2026-03-04T09:00:00Z 2026-03-04T11:00:00Z Period"}};
        QTest::newRow("unreadable extra dates are passed over")
            << ExpandRow{calendar(vevent("g", "Garbled",
                                         "DTSTART:20260302T090000Z\nDURATION:PT1H\nRDATE:garbage\n"
                                         "RDATE;VALUE=PERIOD:20260303T090000Z/nonsense\nRDATE;VALUE=DATE:2026\n")),
                         "2026-03-02T00:00:00Z",
                         "2026-03-09T00:00:00Z",
                         {"2026-03-02T09:00:00Z 2026-03-02T10:00:00Z Garbled"}};
        QTest::newRow("a NUL byte is passed over, not the end of the file") << ExpandRow{
            calendar(vevent("a", "Before", "DTSTART:20260303T090000Z\nDURATION:PT1H\n") + QByteArray(1, '\0')
                     + vevent("b", "After", "DTSTART:20260304T090000Z\nDURATION:PT1H\n")),
            "2026-03-02T00:00:00Z",
            "2026-03-09T00:00:00Z",
            {"2026-03-03T09:00:00Z 2026-03-03T10:00:00Z Before", "2026-03-04T09:00:00Z 2026-03-04T10:00:00Z After"}};
        // Local midnight to midnight in Auckland (UTC+13).
        QTest::newRow("extra all-day dates") << ExpandRow{
            calendar(vevent("d", "Day", "DTSTART;VALUE=DATE:20260303\nRDATE;VALUE=DATE:20260305\n")),
            "2026-03-02T00:00:00Z",
            "2026-03-09T00:00:00Z",
            {"2026-03-02T11:00:00Z 2026-03-03T11:00:00Z Day", "2026-03-04T11:00:00Z 2026-03-05T11:00:00Z Day"}};
        // Neither an event's age nor its place in the file decides whether it, or an event after it, shows.
        QTest::newRow("every fifteen minutes for six years, then a meeting") << ExpandRow{
            calendar(vevent("old", "Old", "DTSTART:20200301T000000Z\nDURATION:PT5M\nRRULE:FREQ=MINUTELY;INTERVAL=15\n")
                     + vevent("m", "Meeting", "DTSTART:20260302T002000Z\nDURATION:PT30M\n")),
            "2026-03-02T00:00:00Z",
            "2026-03-02T01:00:00Z",
            {"2026-03-02T00:00:00Z 2026-03-02T00:05:00Z Old", "2026-03-02T00:15:00Z 2026-03-02T00:20:00Z Old",
             "2026-03-02T00:20:00Z 2026-03-02T00:50:00Z Meeting", "2026-03-02T00:30:00Z 2026-03-02T00:35:00Z Old",
             "2026-03-02T00:45:00Z 2026-03-02T00:50:00Z Old", "2026-03-02T01:00:00Z 2026-03-02T01:05:00Z Old"}};
        QTest::newRow("hourly for thirty years") << ExpandRow{
            calendar(vevent("h", "Hourly", "DTSTART:19960302T003000Z\nDURATION:PT1H\nRRULE:FREQ=HOURLY\n")),
            "2026-03-02T00:00:00Z",
            "2026-03-02T02:00:00Z",
            {"2026-03-01T23:30:00Z 2026-03-02T00:30:00Z Hourly", "2026-03-02T00:30:00Z 2026-03-02T01:30:00Z Hourly",
             "2026-03-02T01:30:00Z 2026-03-02T02:30:00Z Hourly"}};
        // Steps that do not divide a day: the occurrences keep to the rule's own steps from its start.
        QTest::newRow("every seven hours since 2020") << ExpandRow{
            calendar(vevent("s", "Seven", "DTSTART:20200101T093000Z\nDURATION:PT1H\nRRULE:FREQ=HOURLY;INTERVAL=7\n")),
            "2026-03-02T00:00:00Z",
            "2026-03-03T00:00:00Z",
            {"2026-03-02T01:30:00Z 2026-03-02T02:30:00Z Seven", "2026-03-02T08:30:00Z 2026-03-02T09:30:00Z Seven",
             "2026-03-02T15:30:00Z 2026-03-02T16:30:00Z Seven", "2026-03-02T22:30:00Z 2026-03-02T23:30:00Z Seven"}};
        // Berlin keeps summer time from March 29th: ten o'clock is eight in UTC.
        QTest::newRow("weekly in a zone for eleven years") << ExpandRow{
            calendar(vevent("w", "Weekly",
                            "DTSTART;TZID=Europe/Berlin:20150105T100000\nDTEND;TZID=Europe/Berlin:20150105T110000\n"
                            "RRULE:FREQ=WEEKLY;BYDAY=MO\n")),
            "2026-03-30T00:00:00Z",
            "2026-03-31T00:00:00Z",
            {"2026-03-30T08:00:00Z 2026-03-30T09:00:00Z Weekly"}};
    }

    void expandsOccurrences()
    {
        QFETCH(ExpandRow, row);
        const std::optional<ICalendarFile> file = ICalendarFile::parse(row.file);
        const QList<CalendarEvent> events =
            file ? file->occurrences(utc(row.from), utc(row.to), {}, Expansion{}).events : QList<CalendarEvent>();
        QCOMPARE(describe(events), row.expected);
    }

    void cutsLongTexts()
    {
        const QByteArray title(10'000, 'x');
        // A four-byte character across the limit is dropped whole, never split into half a pair.
        const QByteArray location = QByteArray(ICalendarFile::maxLocation - 1, 'y') + "\xF0\x9F\x98\x80" + "z";
        const std::optional<ICalendarFile> file =
            ICalendarFile::parse(calendar(vevent("t", title,
                                                 "DTSTART:20260303T090000Z\nDURATION:PT1H\nLOCATION:" + location
                                                     + "\nURL:https://a.example/" + QByteArray(5000, 'u') + "\n")));
        QVERIFY(file);
        const QList<CalendarEvent> events = file->occurrences(weekStart, weekEnd, {}, Expansion{}).events;
        QCOMPARE(events.size(), 1);
        QCOMPARE(events.first().title, QString(ICalendarFile::maxTitle, u'x'));
        QCOMPARE(events.first().location, QString(ICalendarFile::maxLocation - 1, u'y'));
        QVERIFY(events.first().url.isEmpty());
    }

    void tellsAccess_data()
    {
        QTest::addColumn<AccessRow>("row");
        QTest::newRow("nothing chosen") << AccessRow{{}, CalendarSource::Access::unset, {}};
        QTest::newRow("a folder") << AccessRow{"cal", CalendarSource::Access::readable, {}};
        QTest::newRow("one calendar file") << AccessRow{"cal/work/a.ics", CalendarSource::Access::readable, {}};
        QTest::newRow("a missing path") << AccessRow{"gone", CalendarSource::Access::unreadable, "gone"};
        QTest::newRow("a FIFO") << AccessRow{"cal/fifo.ics", CalendarSource::Access::unreadable, "regular file"};
    }

    void tellsAccess()
    {
        QFETCH(AccessRow, row);
        QTemporaryDir dir;
        QVERIFY(TestFiles::write(dir.filePath("cal/work/a.ics"), calendar({})));
        QVERIFY(StandIns::place(dir.filePath("cal/fifo.ics"), StandIns::fifo));
        ICalendarFiles files(m_scheduler, reader);
        files.setPath(row.path.isEmpty() ? QString() : dir.filePath(row.path));
        QCOMPARE(files.access(), row.expected);
        QCOMPARE(files.problem().isEmpty(), row.problem.isEmpty());
        QVERIFY2(files.problem().contains(row.problem), qPrintable(files.problem()));
    }

    void aChosenFileThatIsNotACalendarIsUnreadable()
    {
        QTemporaryDir dir;
        QVERIFY(TestFiles::write(dir.filePath("notes.ics"), "notes"));
        ICalendarFiles files(m_scheduler, reader);
        files.setPath(dir.filePath("notes.ics"));
        const CalendarReading reading = readingOf(files);
        QVERIFY(reading.unreadable);
        QVERIFY2(reading.message.contains("not an iCalendar file"), qPrintable(reading.message));
    }

    // A folder holding what a calendar folder must not stop at: the rest is read, and what was left out is said.
    void saysWhatAFolderScanLeftOut_data()
    {
        QTest::addColumn<LeftOutRow>("row");
        const QByteArray four = calendar(timedEvent("B1", "20260302T090000Z") + timedEvent("B2", "20260305T090000Z")
                                         + timedEvent("B3", "20260306T090000Z") + timedEvent("B4", "20260307T090000Z"));
        QTest::newRow("a FIFO") << LeftOutRow{StandIns::fifo, "A", "Skipped b.ics: not a regular file."};
        QTest::newRow("too large") << LeftOutRow{StandIns::sized(2000), "A", "Skipped b.ics: larger than 1 KiB."};
        QTest::newRow("not iCalendar") << LeftOutRow{"hello", "A", "Skipped b.ics: not an iCalendar file."};
        QTest::newRow("too many files") << LeftOutRow{four, "A", "Only the first calendar file is read.", 1};
        QTest::newRow("too many events") << LeftOutRow{four, "B1", "Only the earliest 4 events are shown."};
    }

    void saysWhatAFolderScanLeftOut()
    {
        QFETCH(LeftOutRow, row);
        QTemporaryDir dir;
        QVERIFY(TestFiles::write(dir.filePath("a.ics"), calendar(timedEvent("A", "20260303T090000Z"))));
        QVERIFY(StandIns::place(dir.filePath("b.ics"), row.b));
        ICalendarWire::CalendarLimits limits;
        limits.maxFileBytes = 1024;
        limits.maxFiles = row.maxFiles;
        limits.maxEvents = 4;
        ICalendarFiles files(m_scheduler, reader, limits);
        files.setPath(dir.path());
        const CalendarReading reading = readingOf(files);
        QCOMPARE(reading.message, row.message);
        QVERIFY(!reading.unreadable);
        QCOMPARE(reading.events.first().title, row.first);
        QVERIFY(reading.events.size() <= limits.maxEvents);
    }

    // Beside a good calendar, a file that would crash or hold up the reader: the good events are read, the
    // file is named, and it is not read again until it changes.
    void aFileThatHoldsUpTheReaderIsSkippedUntilItChanges_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("reason");
        QTest::newRow("nested events") << HostileCalendars::nested("VEVENT") << "its parts are nested too deeply";
        QTest::newRow("a rule that never matches")
            << HostileCalendars::neverMatching("VEVENT") << "it took too long to read";
    }

    void aFileThatHoldsUpTheReaderIsSkippedUntilItChanges()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QVERIFY(TestFiles::write(dir.filePath("good.ics"), calendar(timedEvent("Good", "20260303T090000Z"))));
        QVERIFY(TestFiles::write(dir.filePath("bad.ics"), contents));
        ICalendarFiles files(m_scheduler, reader);
        files.setPath(dir.path());
        const QString said = "Skipped bad.ics: " + reason + ".";
        CalendarReading reading = wholeReadingOf(files);
        QCOMPARE(describe(reading.events), QStringList{"2026-03-03T09:00:00Z 2026-03-03T10:00:00Z Good"});
        QCOMPARE(reading.message, said);

        QElapsedTimer again;
        again.start();
        reading = readingOf(files, weekStart.addSecs(60));
        QVERIFY2(again.elapsed() < reader.cpuSecondsPerFile * 1000, "the file was read again");
        QCOMPARE(reading.message, said);
        QCOMPARE(reading.events.size(), 1);

        QVERIFY(TestFiles::write(dir.filePath("bad.ics"), calendar(timedEvent("Mended", "20260304T090000Z"))));
        reading = readingOf(files, weekStart.addSecs(120));
        QCOMPARE(reading.events.size(), 2);
        QCOMPARE(reading.message, QString());
    }

    // Files that each keep their process busy until its limit, named before a good one: the good one is read
    // within the first reading's slices, and they are said as still being read until the reading's tail ends.
    void manyRunawayFilesNeverHoldUpAGoodOne()
    {
        QTemporaryDir dir;
        QVERIFY(writeRunaways(dir, 40));
        QVERIFY(TestFiles::write(dir.filePath("good.ics"), calendar(timedEvent("Good", "20260303T090000Z"))));
        ICalendarFiles files(m_scheduler, reader);
        files.setPath(dir.path());
        const QStringList good{"2026-03-03T09:00:00Z 2026-03-03T10:00:00Z Good"};
        QElapsedTimer clock;
        clock.start();
        const CalendarReading first = readingOf(files);
        QCOMPARE_LT(clock.elapsed(), 3000);
        QCOMPARE(describe(first.events), good);
        QVERIFY(first.stillReading);
        QCOMPARE(first.message, "Still reading 40 calendar files…");
        // The reader goes on with them alone.
        QCOMPARE_LE(CalendarReaders::running().size(), 1);
        files.cancel();
        QTRY_VERIFY_WITH_TIMEOUT(CalendarReaders::running().isEmpty(), 5000);
    }

    // A good file that outgrew its slice, beside smaller runaway files: it gets a little more time before any of them
    // gets the full limits, so they hold it back by seconds.
    void aGoodFileIsReadBeforeRunawayFilesGetTheFullLimits()
    {
        QTemporaryDir dir;
        QVERIFY(writeRunaways(dir, 20));
        QVERIFY(TestFiles::write(dir.filePath("good.ics"), longCalendar("Good", 500)));
        // A slice too short for the good file.
        ICalendarFiles files(m_scheduler, reader, {}, {.slice = {1, 250}});
        files.setPath(dir.path());
        QSignalSpy changed(&files, &CalendarSource::changed);
        CalendarReading reading = readingOf(files);
        QVERIFY(reading.events.isEmpty());
        while (reading.events.isEmpty()) {
            QVERIFY(!changed.isEmpty() || changed.wait(10'000));
            changed.clear();
            reading = readingOf(files);
        }
        QCOMPARE(describe(reading.events), QStringList{"2026-03-03T09:00:00Z 2026-03-03T10:00:00Z Good"});
        QCOMPARE(reading.message, "Still reading 20 calendar files…");
        files.cancel();
    }

    // Calendars busy with events, named before the meetings: the earliest events are shown, at every reading as
    // events end, whatever the files are named; those under way never push the meeting out, and a tie at the limit
    // is cut, not dropped whole. Nothing is read again at the same moment.
    void theEarliestEventsAreShownWhateverTheNames_data()
    {
        QTest::addColumn<EarliestRow>("row");
        const QString earliest = "Only the earliest 20 events are shown.";
        // The hour's meeting three minutes in, then the busy files' events from ten minutes on.
        QTest::newRow("the meeting first") << EarliestRow{Busy::minutely, {}, 0, 20, 3, 16, earliest};
        // Thirty minutes on, the events kept from the first reading have ended: the busy files are read again. The
        // meeting and those starting then are under way, and the twenty to come follow.
        QTest::newRow("after most kept have ended") << EarliestRow{Busy::minutely, 0, 30, 24, 3, 37, earliest};
        QTest::newRow("after a few kept have ended") << EarliestRow{Busy::minutely, 0, 12, 24, 3, 19, earliest};
        QTest::newRow("ninety at one instant") << EarliestRow{Busy::oneInstant, {}, 0, 20, 3, 10, earliest};
        QTest::newRow("ninety under way")
            << EarliestRow{Busy::underWay, {}, 0, 21, -10, 3, "Only 20 of the events under way are shown."};
    }

    void theEarliestEventsAreShownWhateverTheNames()
    {
        QFETCH(EarliestRow, row);
        QTemporaryDir dir;
        for (const QByteArray name : {"a", "b", "c"}) {
            QByteArray busy;
            if (row.busy == Busy::minutely)
                busy = vevent(name, "Busy", "DTSTART:20260302T001000Z\nDURATION:PT1M\nRRULE:FREQ=MINUTELY;COUNT=30\n");
            else if (row.busy == Busy::underWay)
                busy = vevent(name, "Busy", "DTSTART:20260301T235000Z\nDURATION:PT1H\nRRULE:FREQ=SECONDLY;COUNT=30\n");
            for (int i = 0; row.busy == Busy::oneInstant && i < 30; ++i)
                busy += timedEvent(name + QByteArray::number(i), "20260302T001000Z");
            QVERIFY(TestFiles::write(dir.filePath(name + ".ics"), calendar(busy)));
        }
        QVERIFY(TestFiles::write(dir.filePath("z.ics"), calendar(timedEvent("Meeting", "20260302T000300Z"))));
        ICalendarWire::CalendarLimits limits;
        limits.maxEvents = 20;
        ICalendarFiles files(m_scheduler, reader, limits);
        files.setPath(dir.path());
        if (row.readBefore)
            readingOf(files, weekStart.addSecs(*row.readBefore * 60));
        const QDateTime after = weekStart.addSecs(row.after * 60);
        const CalendarReading reading = readingOf(files, after);
        QCOMPARE(reading.events.size(), row.shown);
        QCOMPARE(reading.events.first().start, weekStart.addSecs(row.firstStart * 60));
        QCOMPARE(reading.events.last().start, weekStart.addSecs(row.lastStart * 60));
        QCOMPARE(reading.message, row.message);
        const int parsed = files.parseCount();
        QCOMPARE(readingOf(files, after).events, reading.events);
        QCOMPARE(files.parseCount(), parsed);
    }

    // A file's process killed or stopped by someone else (the out-of-memory killer, a user) says nothing about the
    // file: it is read again, not passed over.
    void aFileKilledOrStoppedFromOutsideIsReadAgain_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("killed") << SIGKILL;
        QTest::newRow("stopped") << SIGSTOP;
    }

    void aFileKilledOrStoppedFromOutsideIsReadAgain()
    {
        QFETCH(int, signal);
        QTemporaryDir dir;
        // Long enough to read that it needs the tail, and its process can be caught on it.
        QVERIFY(TestFiles::write(dir.filePath("a.ics"), longCalendar("In the week", 20'000)));
        // A stopped process is let go once the wall clock of its try runs out.
        ICalendarFiles files(m_scheduler, {.program = WISPLET_READER, .fileMs = 4'000});
        files.setPath(dir.path());
        QVERIFY(readingOf(files).stillReading);
        pid_t onTheFile = 0;
        QVERIFY(QTest::qWaitFor([&onTheFile] { return (onTheFile = CalendarReaders::wellIntoAFile()) != 0; }, 10'000));
        QCOMPARE(::kill(onTheFile, signal), 0);
        QVERIFY(QTest::qWaitFor([] { return CalendarReaders::running().isEmpty(); }, 10'000));
        const CalendarReading next = wholeReadingOf(files, weekStart.addSecs(60));
        QCOMPARE(next.message, QString());
        QCOMPARE(next.events.size(), 1);
    }

    // The reader is libical and Qt's core: nothing of the desktop (X11, GL, fonts) is loaded for a file.
    void theReaderLoadsNothingOfTheDesktop()
    {
        QTemporaryDir dir;
        QVERIFY(TestFiles::write(dir.filePath("bad.ics"), HostileCalendars::neverMatching("VEVENT")));
        ICalendarFiles files(m_scheduler, reader);
        files.setPath(dir.path());
        const QFuture<CalendarReading> reading = files.read(weekStart, weekEnd);
        QList<pid_t> readers;
        QVERIFY(QTest::qWaitFor([&readers] { return !(readers = CalendarReaders::running()).isEmpty(); }, 10'000));
        // Read once the loader has mapped what the reader links.
        QByteArray loaded;
        QVERIFY(QTest::qWaitFor(
            [&] {
                QFile maps(QString("/proc/%1/maps").arg(readers.first()));
                loaded = maps.open(QIODevice::ReadOnly) ? maps.readAll() : QByteArray();
                return loaded.contains("libQt6Core") && loaded.contains("libical");
            },
            10'000));
        for (const char* library : {"libQt6Gui", "libX11", "libEGL", "libfontconfig"})
            QVERIFY2(!loaded.contains(library), library);
        QVERIFY(QTest::qWaitFor([&reading] { return reading.isFinished(); }, 60'000));
    }

    // A reading that breaks for no file in particular while a file waits for more time: the calendar says why, not
    // that it is still reading, and no reader is started again until a later request after a wait, which grows while
    // readings keep breaking.
    void aBrokenReadingWaitsForALaterRequest_data()
    {
        QTest::addColumn<BrokenRow>("row");
        const QString failed = "Can't read the calendar: reading it failed.";
        QTest::newRow("no reader") << BrokenRow{
            Breaking::missing, "Can't read the calendar: the calendar reader could not be started.", {}, {60'000}};
        // As a reader of another version does.
        QTest::newRow("a reader that exits at once") << BrokenRow{Breaking::exitsAtOnce, failed, {}, {60'000}};
        QTest::newRow("a reader that dies once started") << BrokenRow{Breaking::diesOnceStarted, failed, {}, {60'000}};
        QTest::newRow("a reader killed in its tail")
            << BrokenRow{Breaking::killedInItsTail, failed, "Still reading bad.ics…", {}};
    }

    void aBrokenReadingWaitsForALaterRequest()
    {
        QFETCH(BrokenRow, row);
        QTemporaryDir dir;
        QVERIFY(TestFiles::write(dir.filePath("cal/good.ics"), calendar(timedEvent("Good", "20260303T090000Z"))));
        QVERIFY(TestFiles::write(dir.filePath("cal/bad.ics"), HostileCalendars::neverMatching("VEVENT")));
        const QString starts = dir.filePath("starts");
        QString program = WISPLET_READER;
        if (row.breaking == Breaking::missing)
            program = dir.filePath("none");
        if (row.breaking == Breaking::exitsAtOnce || row.breaking == Breaking::diesOnceStarted) {
            program = dir.filePath("reader");
            const QByteArray end = row.breaking == Breaking::exitsAtOnce ? "exit 2\n" : "kill -KILL $$\n";
            QVERIFY(TestFiles::write(program, "#!/bin/sh\necho >>" + starts.toUtf8() + "\n" + end));
            QVERIFY(TestFiles::setMode(program, 0700));
        }
        ICalendarFiles files(m_scheduler, {.program = program, .cpuSecondsPerFile = 1});
        files.setPath(dir.filePath("cal"));
        QSignalSpy changed(&files, &CalendarSource::changed);
        CalendarReading reading = readingOf(files);
        if (row.breaking == Breaking::killedInItsTail) {
            QVERIFY(reading.stillReading);
            QCOMPARE(::kill(CalendarReaders::running().value(0), SIGKILL), 0);
            QVERIFY(changed.wait(10'000));
            reading = readingOf(files);
        }
        QCOMPARE(reading.message, row.message);
        QVERIFY(!reading.stillReading);
        QCOMPARE(m_scheduler.pendingDelays(), std::vector<qint64>{30'000});

        // Asked again at once, as a file change would: what is held is the answer.
        const QByteArray started = TestFiles::read(starts);
        reading = readingOf(files);
        QVERIFY(CalendarReaders::running().isEmpty());
        QCOMPARE(TestFiles::read(starts), started);
        QCOMPARE(reading.message, row.message);
        QCOMPARE(reading.events.size(), row.breaking == Breaking::killedInItsTail ? 1 : 0);

        m_scheduler.advance(30'000);
        QCOMPARE(readingOf(files).message, row.retried.isEmpty() ? row.message : row.retried);
        QCOMPARE(m_scheduler.pendingDelays(), row.waits);
        files.cancel();
    }

    void readsCollectionsWithTheirColours()
    {
        QTemporaryDir dir;
        QVERIFY(TestFiles::write(dir.filePath("top.ics"),
                                 calendar(vevent("t", "Top", "DTSTART:20260303T090000Z\nDURATION:PT1H\n"))));
        QVERIFY(TestFiles::write(dir.filePath("work/color"), "#ff0000\n"));
        QVERIFY(
            TestFiles::write(dir.filePath("work/a.ics"),
                             calendar(vevent("a", "Plain", "DTSTART:20260303T100000Z\nDURATION:PT1H\n")
                                      + vevent("b", "Own", "DTSTART:20260303T110000Z\nDURATION:PT1H\nCOLOR:blue\n"))));
        QVERIFY(TestFiles::write(dir.filePath("work/deeper/c.ics"),
                                 calendar(vevent("c", "Deeper", "DTSTART:20260303T120000Z\nDURATION:PT1H\n"))));
        // A FIFO for a colour file must not hold the reading.
        QVERIFY(TestFiles::write(dir.filePath("home/h.ics"), calendar(timedEvent("Home", "20260303T130000Z"))));
        QVERIFY(StandIns::place(dir.filePath("home/color"), StandIns::fifo));
        ICalendarFiles files(m_scheduler, reader);
        files.setPath(dir.path());
        QHash<QString, QColor> colours;
        for (const CalendarEvent& e : readingOf(files).events)
            colours.insert(e.title, e.color);
        QCOMPARE(colours.keys().size(), 4);
        QVERIFY(!colours.value("Top").isValid());
        QVERIFY(!colours.value("Home").isValid());
        QCOMPARE(colours.value("Plain"), QColor(Qt::red));
        QCOMPARE(colours.value("Own"), QColor(Qt::blue));
    }

    void readsAndExpandsOnlyWhatChanged()
    {
        QTemporaryDir dir;
        const QByteArray one = calendar(timedEvent("A", "20260303T090000Z"));
        QVERIFY(TestFiles::write(dir.filePath("work/a.ics"), one));
        QVERIFY(TestFiles::write(dir.filePath("work/b.ics"), one));
        ICalendarFiles files(m_scheduler, reader);
        files.setPath(dir.path());
        QCOMPARE(readingOf(files).events.size(), 2);
        // A minute later in the same window: nothing is read again.
        QCOMPARE(readingOf(files, weekStart.addSecs(60)).events.size(), 2);
        QCOMPARE(files.parseCount(), 2);
        QCOMPARE(files.expansionCount(), 2);
        QVERIFY(TestFiles::write(dir.filePath("work/b.ics"), calendar(timedEvent("Longer title", "20260304T090000Z"))));
        QCOMPARE(readingOf(files, weekStart.addSecs(120)).events.size(), 2);
        QCOMPARE(files.parseCount(), 3);
        // A new day moves the window's end: every file is expanded for it.
        QCOMPARE(readingOf(files, weekStart.addDays(1), weekEnd.addDays(1)).events.size(), 2);
        QCOMPARE(files.expansionCount(), 5);
        // Earlier than what was kept: the events that ended between are not in the cache.
        QCOMPARE(readingOf(files, weekStart, weekEnd.addDays(1)).events.size(), 2);
        QCOMPARE(files.expansionCount(), 7);
    }

    void coalescesChangesOnDisk()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("work"));
        ICalendarFiles files(m_scheduler, reader);
        files.setPath(dir.path());
        files.setWatching(true);
        QSignalSpy changed(&files, &CalendarSource::changed);
        QVERIFY(TestFiles::write(dir.filePath("work/a.ics"), calendar({})));
        QTRY_COMPARE_WITH_TIMEOUT(m_scheduler.pendingCount(), 1, 5000);
        QVERIFY(TestFiles::write(dir.filePath("work/b.ics"), calendar({})));
        QCoreApplication::processEvents();
        QCOMPARE(m_scheduler.pendingDelays(), std::vector<qint64>{ICalendarFiles::settleMs});
        m_scheduler.advance(ICalendarFiles::settleMs);
        QCOMPARE(changed.size(), 1);
    }
};

WISPLET_TEST_MAIN(TestICalendarFiles)
#include "tst_icalendarfiles.moc"
