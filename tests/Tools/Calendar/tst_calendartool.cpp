#include "Wisplet/Platform/Calendar/ICalendarFiles.h"
#include "Wisplet/Tools/Calendar/AgendaText.h"
#include "Wisplet/Tools/Calendar/MeetingLinks.h"
#include "tests/support/CalendarFixture.h"
#include "tests/support/Files.h"
#include "tests/support/HostileCalendars.h"
#include "tests/support/TestMain.h"
#include "tests/support/Texts.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

const QDateTime now(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC);

CalendarEvent timed(const QString& title, qint64 inSeconds, qint64 lengthSeconds = 1800, const QString& id = "id")
{
    return timedEvent(now, title, inSeconds, lengthSeconds, id);
}

CalendarEvent allDay(const QString& title)
{
    CalendarEvent event = timed(title, -3600, 86'400, title);
    event.allDay = true;
    return event;
}

} // namespace

// What happens around readings that leave files still to read, in order.
enum class Step {
    tick,
    refresh,
    slowFilesLeft, // readings from now on leave a file still to read, whose meeting is not read yet
    slowFilesRead, // the file was read and the calendar says so
    stop,
};

struct StillReadingRow
{
    QList<Step> steps;
    QStringList shown;
    bool readingFirst;
    qsizetype nudges;
    QString error;
};
Q_DECLARE_METATYPE(StillReadingRow)

struct NudgeRow
{
    CalendarEvent event;
    QString body; // empty: no nudge
};
Q_DECLARE_METATYPE(NudgeRow)

struct PeekRow
{
    CalendarEvent event;
    std::optional<QString> peek;
};
Q_DECLARE_METATYPE(PeekRow)

struct CountdownRow
{
    qint64 inSeconds;
    QString text;
};
Q_DECLARE_METATYPE(CountdownRow)

struct ListRow
{
    QList<CalendarEvent> events;
    std::optional<CalendarEvent> next;
    QStringList listed;
};
Q_DECLARE_METATYPE(ListRow)

struct LinkRow
{
    QString url;
    QString location;
    QString notes;
    QString expected; // empty: no link
};
Q_DECLARE_METATYPE(LinkRow)

class TestCalendarTool final : public QObject
{
    Q_OBJECT

    struct Fixture : CalendarFixture
    {
        Fixture()
            : CalendarFixture(now)
        { }
    };

private slots:
    void keepsEventsThatHaveNotEnded()
    {
        Fixture f;
        f.source.stored = {timed("Later", 3600), timed("Ended now", -1800), timed("Running", -3 * 3600, 4 * 3600),
                           timed("Soon", 60)};
        f.tool->refresh();
        QVERIFY(f.tool->events().isEmpty()); // not running
        QSignalSpy peek(f.tool.get(), &CalendarPeekSource::peekChanged);
        f.tool->start();
        QCOMPARE(textsOf(f.tool->events(), &CalendarEvent::title), (QStringList{"Running", "Soon", "Later"}));
        QCOMPARE(f.tool->currentEvent()->title, "Running");
        QCOMPARE(f.tool->nextEvent()->title, "Soon");
        f.tool->refresh();
        QCOMPARE(peek.size(), 2); // even when nothing changed
    }

    void signalsOnlyRealChanges()
    {
        Fixture f;
        f.source.stored = {timed("A", 600)};
        f.tool->start();
        QSignalSpy events(f.tool.get(), &CalendarTool::eventsChanged);
        QSignalSpy changed(f.tool.get(), &CalendarTool::changed);
        QSignalSpy peek(f.tool.get(), &CalendarPeekSource::peekChanged);
        f.clock.advance(60'000);
        f.tool->tick();
        f.tool->refresh();
        QCOMPARE(events.size(), 0);
        QCOMPARE(changed.size(), 0);
        QCOMPARE(peek.size(), 2);
        f.source.stored[0].title = "Renamed";
        f.tool->refresh();
        QCOMPARE(events.size(), 1);
        QCOMPARE(changed.size(), 1);
    }

    // A refresh asked for while one reads runs once, after it; a reading started before a stop is dropped.
    void readingsDoNotPileUpAndStaleOnesAreDropped()
    {
        Fixture f;
        f.source.holding = true;
        f.source.stored = {timed("A", 600)};
        f.tool->start();
        f.tool->refresh();
        f.tool->refresh();
        f.tool->tick();
        QCOMPARE(f.source.reads, 1);
        QVERIFY(f.tool->events().isEmpty());
        f.source.finishOldest();
        QTRY_COMPARE(f.source.reads, 2);
        QCOMPARE(f.tool->events().size(), 1);
        f.tool->stop();
        f.source.stored = {timed("Late", 300)};
        f.source.finishOldest();
        QTRY_VERIFY(f.source.held.isEmpty());
        QCoreApplication::processEvents();
        QVERIFY(f.tool->events().isEmpty());
        QVERIFY(f.server.posted.isEmpty());
    }

    void aTicksNudgeWaitsForFilesStillRead_data()
    {
        QTest::addColumn<StillReadingRow>("row");
        const QString still = "Still reading bad.ics…";
        QTest::newRow("nothing read yet is said")
            << StillReadingRow{{Step::slowFilesLeft, Step::tick}, {}, true, 0, still};
        QTest::newRow("the meeting read later is nudged")
            << StillReadingRow{{Step::slowFilesLeft, Step::tick, Step::slowFilesRead}, {"Soon"}, false, 1, {}};
        QTest::newRow("across refreshes meanwhile") << StillReadingRow{
            {Step::slowFilesLeft, Step::tick, Step::refresh, Step::slowFilesRead}, {"Soon"}, false, 1, {}};
        QTest::newRow("not without a tick")
            << StillReadingRow{{Step::slowFilesLeft, Step::refresh, Step::slowFilesRead}, {"Soon"}, false, 0, {}};
        QTest::newRow("not after a stop")
            << StillReadingRow{{Step::slowFilesLeft, Step::tick, Step::stop, Step::slowFilesRead}, {}, false, 0, {}};
    }

    void aTicksNudgeWaitsForFilesStillRead()
    {
        QFETCH(StillReadingRow, row);
        Fixture f;
        f.tool->start();
        for (const Step step : row.steps) {
            switch (step) {
            case Step::tick:
                f.tool->tick();
                break;
            case Step::refresh:
                f.tool->refresh();
                break;
            case Step::slowFilesLeft:
                f.source.stillReading = true;
                f.source.message = "Still reading bad.ics…";
                break;
            case Step::slowFilesRead:
                f.source.stillReading = false;
                f.source.message.clear();
                f.source.stored = {timed("Soon", 120)};
                emit f.source.changed();
                break;
            case Step::stop:
                f.tool->stop();
                break;
            }
        }
        QCOMPARE(textsOf(f.tool->events(), &CalendarEvent::title), row.shown);
        QCOMPARE(f.tool->isReadingFirst(), row.readingFirst);
        QCOMPARE(f.server.posted.size(), row.nudges);
        QCOMPARE(f.tool->errorText(), row.error);
    }

    void theNudgeWaitsForTheTicksReading()
    {
        Fixture f;
        f.source.holding = true;
        f.source.stored = {timed("Later", 7200)};
        f.tool->start();
        f.source.finishOldest();
        QTRY_COMPARE(f.tool->events().size(), 1);
        f.source.stored.append(timed("Soon", 120));
        f.tool->tick();
        QVERIFY(f.server.posted.isEmpty());
        f.source.finishOldest();
        QTRY_COMPARE(f.server.posted.size(), 1);
    }

    void saysWhyTheCalendarCantBeRead()
    {
        Fixture f;
        f.source.stored = {timed("A", 600)};
        f.tool->start();
        f.source.message = "Skipped b.ics: not a regular file.";
        f.tool->refresh();
        QCOMPARE(f.tool->errorText(), f.source.message);
        QCOMPARE(f.tool->events().size(), 1);
        f.source.unreadableReading = true;
        f.source.message = "Can't read the calendar: not an iCalendar file.";
        f.tool->refresh();
        QCOMPARE(f.tool->status(), CalendarTool::Status::restricted);
        QCOMPARE(f.tool->errorText(), f.source.message);
        QVERIFY(f.tool->events().isEmpty());
        f.source.unreadableReading = false;
        f.source.message.clear();
        f.tool->refresh();
        QCOMPARE(f.tool->status(), CalendarTool::Status::fullAccess);
        QCOMPARE(f.tool->errorText(), QString());
    }

    // Thirty counted events repeating every second since 1970 in a 5 KB file (counted from their start, so followed
    // from there): the panel's thread is free while their steps run out in the file's later tries; the cut is said;
    // the file is not expanded again while unchanged.
    void aRunawayCalendarLeavesThePanelFree()
    {
        QTemporaryDir dir;
        QByteArray events;
        for (int i = 0; i < 30; ++i)
            events += "BEGIN:VEVENT\nUID:run" + QByteArray::number(i)
                + "\nSUMMARY:Runaway\nDTSTART:19700101T000000Z\nDURATION:PT1S\nRRULE:FREQ=SECONDLY;COUNT=2000000000\n"
                  "END:VEVENT\n";
        QVERIFY(TestFiles::write(dir.filePath("a.ics"), "BEGIN:VCALENDAR\nVERSION:2.0\n" + events + "END:VCALENDAR\n"));
        QVERIFY(TestFiles::write(dir.filePath("b.ics"),
                                 "BEGIN:VCALENDAR\nVERSION:2.0\nBEGIN:VEVENT\nUID:later\n"
                                 "SUMMARY:Later\nDTSTART:20260301T100000Z\nDURATION:PT1H\n"
                                 "END:VEVENT\nEND:VCALENDAR\n"));
        Fixture f;
        ICalendarFiles files(f.scheduler, {.program = WISPLET_READER});
        CalendarTool tool({f.defaults, f.clock, files, *f.reminders, *f.wisp, *f.notifier, {}});
        tool.requestAccess(dir.path());
        QElapsedTimer clock;
        clock.start();
        tool.start();
        QVERIFY(clock.elapsed() < 500);
        QVERIFY(tool.errorText().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(tool.errorText().contains("left out"), 60'000);
        QCOMPARE(tool.events().size(), 1);
        QCOMPARE(files.expansionCount(), 2);
    }

    // Files that keep their process busy until its limit, named before a meeting four and a half minutes away:
    // the meeting is read in the first reading and nudged at the first tick, before those files have ended.
    void theNudgeComesBesideRunawayFiles()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 3; ++i)
            QVERIFY(
                TestFiles::write(dir.filePath(QString("bad%1.ics").arg(i)), HostileCalendars::neverMatching("VEVENT")));
        const QByteArray start = now.addSecs(270).toUTC().toString("yyyyMMddThhmmssZ").toUtf8();
        QVERIFY(TestFiles::write(dir.filePath("meeting.ics"), HostileCalendars::good("VEVENT", "Standup", start)));
        Fixture f;
        ICalendarFiles files(f.scheduler, {.program = WISPLET_READER, .cpuSecondsPerFile = 1});
        CalendarTool tool({f.defaults, f.clock, files, *f.reminders, *f.wisp, *f.notifier, {}});
        tool.requestAccess(dir.path());
        qsizetype nudgedBeforeTheMessage = -1;
        connect(&tool, &CalendarTool::errorTextChanged, this, [&] { nudgedBeforeTheMessage = f.server.posted.size(); });
        tool.start();
        tool.tick();
        QTRY_COMPARE_WITH_TIMEOUT(f.server.posted.size(), 1, 30'000);
        QCOMPARE(f.server.posted.first().summary, "Standup");
        QTRY_COMPARE_WITH_TIMEOUT(tool.errorText(), "Skipped 3 calendar files: they took too long to read.", 60'000);
        QCOMPARE(nudgedBeforeTheMessage, 1);
        QCOMPARE(f.server.posted.size(), 1);
    }

    void nudgesOncePerOccurrence_data()
    {
        QTest::addColumn<NudgeRow>("row");
        CalendarEvent meeting = timed("A", 300);
        meeting.location = "https://meet.jit.si/Standup";
        QTest::newRow("a meeting exactly five minutes away")
            << NudgeRow{meeting, "Starts in 5 minutes. Open Calendar to join."};
        // Nothing to join: the event is not told to be joined.
        QTest::newRow("thirty seconds, no link") << NudgeRow{timed("A", 30), "Starts in 1 minute."};
        CalendarEvent soon = timed("A", 45);
        soon.location = "https://meet.jit.si/Standup";
        QTest::newRow("one minute, one to join") << NudgeRow{soon, "Starts in 1 minute. Open Calendar to join."};
        QTest::newRow("a second too early") << NudgeRow{timed("A", 301), {}};
        QTest::newRow("already started") << NudgeRow{timed("A", 0), {}};
        CalendarEvent day = allDay("Holiday");
        day.start = now.addSecs(120);
        QTest::newRow("all day") << NudgeRow{day, {}};
    }

    void nudgesOncePerOccurrence()
    {
        QFETCH(NudgeRow, row);
        Fixture f;
        f.source.stored = {row.event};
        f.tool->start();
        f.tool->tick();
        f.tool->tick();
        QCOMPARE(f.server.posted.size(), row.body.isEmpty() ? 0 : 1);
        if (!row.body.isEmpty()) {
            QCOMPARE(f.server.posted.first().body, row.body);
            QCOMPARE(f.server.posted.first().summary, row.event.title);
            QVERIFY(f.wisp->bubble().has_value());
        }
    }

    void tellsTheCompanionWhenNotificationsAreOff()
    {
        Fixture f;
        f.settings.setNotificationsEnabled(false);
        f.source.stored = {timed("", 120)};
        f.tool->start();
        f.tool->tick();
        QVERIFY(f.server.posted.isEmpty());
        QVERIFY(f.wisp->bubble().value_or(QString()).startsWith(QStringLiteral(u"\u2068Meeting")));
    }

    void stopClearsRemindersAndKeepsNudges()
    {
        Fixture f;
        f.source.stored = {timed("A", 120)};
        f.reminders->setItems({Reminder{"r.ics", "r", {}, "Reminder", {}, false}});
        const QUuid generation = f.reminders->generation();
        f.tool->start();
        f.tool->tick();
        f.tool->stop();
        QVERIFY(f.tool->events().isEmpty());
        QVERIFY(f.reminders->items().isEmpty());
        QVERIFY(f.reminders->generation() != generation);
        f.tool->start();
        f.tool->tick();
        QCOMPARE(f.server.posted.size(), 1);
    }

    void peeksWithinTheHour_data()
    {
        QTest::addColumn<PeekRow>("row");
        QTest::newRow("an hour away") << PeekRow{timed("Standup", 3600), QString("Standup · 60m")};
        QTest::newRow("a second more") << PeekRow{timed("Standup", 3601), std::nullopt};
        QTest::newRow("twenty seconds") << PeekRow{timed("Standup", 20), QString("Standup · 1m")};
        QTest::newRow("untitled") << PeekRow{timed("", 90), QString("Meeting · 2m")};
        QTest::newRow("all day") << PeekRow{allDay("Holiday"), std::nullopt};
    }

    void peeksWithinTheHour()
    {
        QFETCH(PeekRow, row);
        Fixture f;
        f.source.stored = {row.event};
        f.tool->start();
        QCOMPARE(f.tool->peekText(), row.peek);
    }

    void requestAccessUsesTheChosenPath()
    {
        QTemporaryDir dir;
        QVERIFY(TestFiles::write(dir.filePath("work/a.ics"), "BEGIN:VCALENDAR\nVERSION:2.0\nEND:VCALENDAR\n"));
        Fixture f;
        f.defaults.remove(CalendarTool::sourceKey);
        ICalendarFiles files(f.scheduler, {.program = WISPLET_READER});
        CalendarTool tool({f.defaults, f.clock, files, *f.reminders, *f.wisp, *f.notifier, {}});
        QCOMPARE(tool.status(), CalendarTool::Status::notDetermined);
        tool.requestAccess(dir.filePath("missing"));
        QCOMPARE(tool.status(), CalendarTool::Status::restricted);
        QCOMPARE(tool.errorText(), "Can't read the calendar: it is gone.");
        tool.requestAccess(dir.path());
        QCOMPARE(tool.status(), CalendarTool::Status::fullAccess);
        QCOMPARE(f.defaults.string(CalendarTool::sourceKey), dir.path());
    }

    void countdown_data()
    {
        QTest::addColumn<CountdownRow>("row");
        QTest::newRow("30 s") << CountdownRow{30, "in 0 min"};
        QTest::newRow("59 min 59 s") << CountdownRow{3599, "in 59 min"};
        QTest::newRow("an hour") << CountdownRow{3600, "in 1h 0m"};
        QTest::newRow("2 h 5 min") << CountdownRow{7500, "in 2h 5m"};
        QTest::newRow("started") << CountdownRow{0, "Now · ends 11:00 PM"};
    }

    void countdown()
    {
        QFETCH(CountdownRow, row);
        // 09:30 UTC is 22:30 in Auckland; the event lasts half an hour.
        QCOMPARE(
            AgendaText::countdown(timed("A", row.inSeconds), now, QLocale(QLocale::English, QLocale::UnitedStates)),
            row.text);
    }

    void listLeavesOutTheNextEvent_data()
    {
        QTest::addColumn<ListRow>("row");
        const CalendarEvent daily1 = timed("Daily", 600, 1800, "daily");
        const CalendarEvent daily2 = timed("Daily again", 87'000, 1800, "daily");
        const CalendarEvent other = timed("Other", 1200, 1800, "other");
        const CalendarEvent bare1 = timed("No id", 600, 1800, "");
        const CalendarEvent bare2 = timed("No id either", 1200, 1800, "");
        QTest::newRow("every occurrence of the next event") << ListRow{{daily1, other, daily2}, daily1, {"Other"}};
        QTest::newRow("without an identifier only that event")
            << ListRow{{bare1, bare2, other}, bare1, {"No id either", "Other"}};
        QTest::newRow("no next event") << ListRow{{bare1, other}, std::nullopt, {"No id", "Other"}};
    }

    void listLeavesOutTheNextEvent()
    {
        QFETCH(ListRow, row);
        QCOMPARE(textsOf(AgendaText::listed(row.events, row.next), &CalendarEvent::title), row.listed);
    }

    void findsMeetingLinks_data()
    {
        QTest::addColumn<LinkRow>("row");
        const QString zoom = "https://acme.zoom.us/j/123?pwd=x#frag";
        QTest::newRow("zoom url whole") << LinkRow{zoom, {}, {}, zoom};
        QTest::newRow("teams in notes, cut at the apostrophe")
            << LinkRow{"https://example.com/agenda",
                       {},
                       "Join https://teams.microsoft.com/l/meetup-join/abc'x",
                       "https://teams.microsoft.com/l/meetup-join/abc"};
        QTest::newRow("meet in an anchor") << LinkRow{
            {}, {}, "<a href=\"https://meet.google.com/abc-defg\">Join</a>", "https://meet.google.com/abc-defg"};
        QTest::newRow("capitals") << LinkRow{
            {}, "HTTPS://MEET.GOOGLE.COM/abc-defg", {}, "https://meet.google.com/abc-defg"};
        QTest::newRow("webex subdomain") << LinkRow{
            {}, "https://acme.webex.com/meet/x", {}, "https://acme.webex.com/meet/x"};
        QTest::newRow("whereby, cut at <")
            << LinkRow{{}, {}, "<https://acme.whereby.com/room>", "https://acme.whereby.com/room"};
        QTest::newRow("jitsi") << LinkRow{{}, {}, "\"https://meet.jit.si/Room\"", "https://meet.jit.si/Room"};
        QTest::newRow("location before notes")
            << LinkRow{{}, "https://meet.jit.si/A", "https://meet.jit.si/B", "https://meet.jit.si/A"};
        QTest::newRow("foreign url: only the link in it")
            << LinkRow{"https://evil.example/?next=https://zoom.us/j/1", {}, {}, "https://zoom.us/j/1"};
        QTest::newRow("no scheme") << LinkRow{{}, "zoom.us/j/123", {}, {}};
        QTest::newRow("zoom /s/") << LinkRow{{}, "https://zoom.us/s/123", {}, {}};
        QTest::newRow("meet path with a digit") << LinkRow{{}, "https://meet.google.com/1abc", {}, {}};
        QTest::newRow("look-alike zoom") << LinkRow{{}, "https://evil-zoom.us/j/1", {}, {}};
        QTest::newRow("look-alike webex") << LinkRow{{}, "https://notwebex.com/meet/x", {}, {}};
        QTest::newRow("a room") << LinkRow{{}, "Room 4", {}, {}};
        QTest::newRow("http url opened with https")
            << LinkRow{"http://acme.zoom.us/j/123?pwd=x", {}, {}, "https://acme.zoom.us/j/123?pwd=x"};
        QTest::newRow("http in notes opened with https")
            << LinkRow{{}, {}, "Join http://meet.jit.si/Room now", "https://meet.jit.si/Room"};
    }

    void findsMeetingLinks()
    {
        QFETCH(LinkRow, row);
        CalendarEvent event;
        event.url = QUrl(row.url);
        event.location = row.location;
        event.notes = row.notes;
        const std::optional<QUrl> url = meetingURL(event);
        QCOMPARE(url.has_value(), !row.expected.isEmpty());
        if (url)
            QCOMPARE(*url, QUrl(row.expected));
    }

    void joinOpensTheLinkAndReacts()
    {
        Fixture f;
        CalendarEvent event = timed("Standup", 60);
        f.tool->joinMeeting(event);
        QVERIFY(f.opened.isEmpty());
        QVERIFY(!f.wisp->bubble());
        event.location = "https://meet.jit.si/Standup";
        f.tool->joinMeeting(event);
        QCOMPARE(f.opened, QList<QUrl>{QUrl("https://meet.jit.si/Standup")});
        QVERIFY(f.wisp->bubble().has_value());
    }
};

WISPLET_TEST_MAIN(TestCalendarTool)
#include "tst_calendartool.moc"
