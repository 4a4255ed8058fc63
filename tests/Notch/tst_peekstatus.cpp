#include "Wisplet/Notch/PeekStatus.h"
#include "tests/support/FakePeekSources.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/TestMain.h"

Q_DECLARE_METATYPE(PeekInputs)

namespace {

const QString none = QStringLiteral("<none>");

// Focus, calendar and media enabled; nothing to show.
PeekInputs quiet()
{
    PeekInputs in;
    in.enabled = {ToolID::focus, ToolID::calendar, ToolID::media};
    return in;
}

PeekInputs focusSession(FocusPhase phase, bool running, const QString& time)
{
    PeekInputs in = quiet();
    in.focusPhase = phase;
    in.focusRunning = running;
    in.focusTime = time;
    return in;
}

PeekInputs withMeeting(PeekInputs in, const QString& text = QStringLiteral("Standup · 5m"))
{
    in.calendarText = text;
    return in;
}

PeekInputs withTrack(PeekInputs in, bool playing, const QString& title = QStringLiteral("Lullaby"))
{
    in.track = PeekTrack{title, playing};
    return in;
}

PeekInputs withBreakDue(PeekInputs in, bool quietMode)
{
    in.breakPrompt = true;
    in.quietMode = quietMode;
    return in;
}

PeekInputs withBubble(PeekInputs in, const QString& text)
{
    in.bubble = text;
    return in;
}

struct Peek
{
    PeekInputs in;
    QString tool;
    QString text;
    QString icon;
    bool paused = false;
};

} // namespace

Q_DECLARE_METATYPE(Peek)

class TestPeekStatus final : public QObject
{
    Q_OBJECT

private slots:
    void whatPeeks_data()
    {
        QTest::addColumn<Peek>("row");
        const PeekInputs working = focusSession(FocusPhase::work, true, QStringLiteral("24:59"));
        PeekInputs presenting = withMeeting(working);
        presenting.presentationMode = true;
        PeekInputs focusOff = withTrack(working, true);
        focusOff.enabled.remove(ToolID::focus);
        PeekInputs calendarOff = withTrack(withMeeting(quiet()), true);
        calendarOff.enabled.remove(ToolID::calendar);
        const QString track = QStringLiteral("\u266A Lullaby");
        const QString meeting = QStringLiteral("Standup · 5m");
        const QString breakText = QStringLiteral("Take a break");

        QTest::newRow("nothing") << Peek{quiet(), none, none, "music.note"};
        QTest::newRow("presentation hides everything") << Peek{presenting, none, none, "music.note"};
        QTest::newRow("focus clock over the meeting") << Peek{withMeeting(working), "focus", "24:59", "timer"};
        QTest::newRow("meeting over the track")
            << Peek{withTrack(withMeeting(quiet()), true), "calendar", meeting, "calendar"};
        QTest::newRow("playing track") << Peek{withTrack(quiet(), true), "media", track, "music.note"};
        QTest::newRow("paused track") << Peek{withTrack(quiet(), false), none, none, "music.note"};
        QTest::newRow("focus disabled while running") << Peek{focusOff, "media", track, "music.note"};
        QTest::newRow("calendar disabled while it has text") << Peek{calendarOff, "media", track, "music.note"};
        QTest::newRow("break reminder over the clock")
            << Peek{withBreakDue(focusSession(FocusPhase::shortBreak, true, QStringLiteral("04:00")), false), "focus",
                    breakText, "cup.and.saucer.fill"};
        QTest::newRow("break reminder without a session")
            << Peek{withBreakDue(quiet(), false), "focus", breakText, "timer"};
        QTest::newRow("quiet break reminder lets the meeting show")
            << Peek{withMeeting(withBreakDue(quiet(), true)), "calendar", meeting, "calendar"};
        QTest::newRow("quiet break reminder keeps the clock")
            << Peek{withBreakDue(focusSession(FocusPhase::work, true, QStringLiteral("03:00")), true), "focus", "03:00",
                    "timer"};
        QTest::newRow("paused work session")
            << Peek{focusSession(FocusPhase::work, false, QStringLiteral("18:20")), "focus", "18:20", "timer", true};
        QTest::newRow("paused long break") << Peek{focusSession(FocusPhase::longBreak, false, QStringLiteral("09:00")),
                                                   "focus", "09:00", "cup.and.saucer.fill", true};
    }

    void whatPeeks()
    {
        QFETCH(Peek, row);
        const std::optional<ToolID> peeking = peekTool(row.in);
        QCOMPARE(peeking ? rawValue(*peeking) : none, row.tool);
        QCOMPARE(peekText(row.in).value_or(none), row.text);
        QCOMPARE(peekIcon(row.in), row.icon);
        QCOMPARE(peekPaused(row.in), row.paused);
        // The tooltip names the tool that peeks.
        QCOMPARE(peekTooltip(row.in).contains(peeking ? toolTitle(*peeking) : QStringLiteral("tool")), true);
    }

    void width_data()
    {
        QTest::addColumn<PeekInputs>("in");
        QTest::addColumn<double>("width");

        const auto chars = [](int n) { return QString(n, QLatin1Char('x')); };
        PeekInputs hovered = withBubble(quiet(), chars(10));
        hovered.isHovering = true;
        PeekInputs pinned = withMeeting(quiet(), chars(8));
        pinned.isPinnedOpen = true;
        PeekInputs presenting = focusSession(FocusPhase::work, true, QStringLiteral("24:59"));
        presenting.presentationMode = true;

        QTest::newRow("bubble of 25") << withBubble(quiet(), chars(25)) << 206.0;
        QTest::newRow("bubble of 26") << withBubble(quiet(), chars(26)) << 208.0;
        QTest::newRow("empty bubble") << withBubble(quiet(), QString()) << 36.0;
        QTest::newRow("peek of 21") << withMeeting(quiet(), chars(21)) << 187.5;
        QTest::newRow("peek of 22") << withMeeting(quiet(), chars(22)) << 190.0;
        QTest::newRow("bubble over peek") << withBubble(withMeeting(quiet(), chars(8)), chars(10)) << 104.0;
        QTest::newRow("track counts its note") << withTrack(quiet(), true, chars(6)) << 90.0;
        QTest::newRow("hovered") << hovered << 0.0;
        QTest::newRow("pinned") << pinned << 0.0;
        QTest::newRow("presentation") << presenting << 0.0;
        // Thumbs up with a skin tone, a flag and an accented letter are one character each.
        QTest::newRow("emoji with a modifier") << withBubble(quiet(), QStringLiteral("👍🏽") + chars(9)) << 104.0;
        QTest::newRow("combining accent") << withMeeting(quiet(), QStringLiteral("e\u0301") + chars(7)) << 90.0;
    }

    void width()
    {
        QFETCH(PeekInputs, in);
        QFETCH(double, width);
        QCOMPARE(peekWidth(in), width);
    }

    void clickOpensTheToolThatPeeks()
    {
        RegistryFixture f;
        ToolRegistry& registry = f.load();
        registry.setEnabled(ToolID::calendar, true);
        FakeFocusPeek focus;
        FakeCalendarPeek calendar;
        calendar.text = QStringLiteral("Review · 3m");
        FakeMediaPeek media;
        media.current = PeekTrack{QStringLiteral("Lullaby"), true};

        const PeekInputs in = gatherPeekInputs(f.settings, registry, focus, calendar, media, *f.wisp);
        QCOMPARE(peekTool(in), ToolID::calendar);
        QSignalSpy opened(&f.events, &AppEvents::openTool);
        openPeekTool(in, registry);
        QCOMPARE(registry.selected(), ToolID::calendar);
        QVERIFY(f.wisp->isPinnedOpen());
        QCOMPARE(opened.count(), 1);

        // The panel is open now: no width, whatever peeks.
        QCOMPARE(peekWidth(gatherPeekInputs(f.settings, registry, focus, calendar, media, *f.wisp)), 0.0);

        registry.setEnabled(ToolID::calendar, false);
        const PeekInputs nothing =
            gatherPeekInputs(f.settings, registry, focus, FakeCalendarPeek(), FakeMediaPeek(), *f.wisp);
        openPeekTool(nothing, registry);
        QCOMPARE(opened.count(), 1);
    }
};

WISPLET_TEST_MAIN(TestPeekStatus)
#include "tst_peekstatus.moc"
