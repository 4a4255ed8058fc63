#include "Wisplet/Platform/ICalendarFiles.h"
#include "tests/support/FakeScheduler.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

#include <QSignalSpy>
#include <QTemporaryDir>

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
};
Q_DECLARE_METATYPE(AccessRow)

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
    }

    void expandsOccurrences()
    {
        QFETCH(ExpandRow, row);
        const std::optional<ICalendarFile> file = ICalendarFile::parse(row.file);
        const QList<CalendarEvent> events =
            file ? file->occurrences(utc(row.from), utc(row.to), {}) : QList<CalendarEvent>();
        QCOMPARE(describe(events), row.expected);
    }

    void tellsAccess_data()
    {
        QTest::addColumn<AccessRow>("row");
        QTest::newRow("nothing chosen") << AccessRow{{}, CalendarSource::Access::unset};
        QTest::newRow("a folder") << AccessRow{"cal", CalendarSource::Access::readable};
        QTest::newRow("one calendar file") << AccessRow{"cal/work/a.ics", CalendarSource::Access::readable};
        QTest::newRow("a missing path") << AccessRow{"gone", CalendarSource::Access::unreadable};
        QTest::newRow("a file that is not iCalendar") << AccessRow{"cal/notes.txt", CalendarSource::Access::unreadable};
    }

    void tellsAccess()
    {
        QFETCH(AccessRow, row);
        QTemporaryDir dir;
        QVERIFY(TestFiles::write(dir.filePath("cal/work/a.ics"), calendar({})));
        QVERIFY(TestFiles::write(dir.filePath("cal/notes.txt"), "notes"));
        ICalendarFiles files(m_scheduler);
        files.setPath(row.path.isEmpty() ? QString() : dir.filePath(row.path));
        QCOMPARE(files.access(), row.expected);
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
        ICalendarFiles files(m_scheduler);
        files.setPath(dir.path());
        QHash<QString, QColor> colours;
        for (const CalendarEvent& e : files.events(utc("2026-03-02T00:00:00Z"), utc("2026-03-09T00:00:00Z")))
            colours.insert(e.title, e.color);
        QCOMPARE(colours.keys().size(), 3);
        QVERIFY(!colours.value("Top").isValid());
        QCOMPARE(colours.value("Plain"), QColor(Qt::red));
        QCOMPARE(colours.value("Own"), QColor(Qt::blue));
    }

    void reparsesOnlyChangedFiles()
    {
        QTemporaryDir dir;
        const QByteArray one = calendar(vevent("a", "A", "DTSTART:20260303T090000Z\nDURATION:PT1H\n"));
        QVERIFY(TestFiles::write(dir.filePath("work/a.ics"), one));
        QVERIFY(TestFiles::write(dir.filePath("work/b.ics"), one));
        ICalendarFiles files(m_scheduler);
        files.setPath(dir.path());
        const auto count = [&] {
            return files.events(utc("2026-03-02T00:00:00Z"), utc("2026-03-09T00:00:00Z")).size();
        };
        QCOMPARE(count(), 2);
        QCOMPARE(count(), 2);
        QCOMPARE(files.parseCount(), 2);
        QVERIFY(TestFiles::write(dir.filePath("work/b.ics"),
                                 calendar(vevent("b", "Longer title", "DTSTART:20260304T090000Z\nDURATION:PT1H\n"))));
        QCOMPARE(count(), 2);
        QCOMPARE(files.parseCount(), 3);
    }

    void coalescesChangesOnDisk()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("work"));
        ICalendarFiles files(m_scheduler);
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
