#include "Wisplet/Notch/PeekStatus.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/TestMain.h"

#include <QSignalSpy>

Q_DECLARE_METATYPE(PeekInputs)

namespace {

const QString none = QStringLiteral("<none>");

class FakeFocus final : public FocusPeekSource
{
public:
    FocusPhase phase() const override { return FocusPhase::idle; }
    bool isRunning() const override { return false; }
    bool breakPrompt() const override { return false; }
    std::optional<QString> displayTime() const override { return std::nullopt; }
};

class FakeCalendar final : public CalendarPeekSource
{
public:
    std::optional<QString> peekText() const override { return text; }
    std::optional<QString> text;
};

class FakeMedia final : public MediaPeekSource
{
public:
    std::optional<PeekTrack> track() const override { return current; }
    std::optional<PeekTrack> current;
};

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

} // namespace

class TestPeekStatus final : public QObject
{
    Q_OBJECT

private slots:
    void whatPeeks_data()
    {
        QTest::addColumn<PeekInputs>("in");
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<QString>("tooltip");

        const PeekInputs working = focusSession(FocusPhase::work, true, QStringLiteral("24:59"));
        PeekInputs presenting = withMeeting(working);
        presenting.presentationMode = true;
        PeekInputs focusOff = withTrack(working, true);
        focusOff.enabled.remove(ToolID::focus);

        const auto row = [](const char* name, const PeekInputs& in, const QString& tool, const QString& text,
                            const QString& icon, bool paused, const QString& tooltip) {
            QTest::newRow(name) << in << tool << text << icon << paused << tooltip;
        };
        row("nothing", quiet(), none, none, "music.note", false, "Open tool");
        row("presentation hides everything", presenting, none, none, "music.note", false, "Open tool");
        row("focus clock over the meeting", withMeeting(working), "focus", "24:59", "timer", false, "Open Focus");
        row("meeting over the track", withTrack(withMeeting(quiet()), true), "calendar", "Standup · 5m", "calendar",
            false, "Open Calendar");
        row("playing track", withTrack(quiet(), true), "media", "\u266A Lullaby", "music.note", false,
            "Open Now Playing");
        row("paused track", withTrack(quiet(), false), none, none, "music.note", false, "Open tool");
        row("focus disabled while running", focusOff, "media", "\u266A Lullaby", "music.note", false,
            "Open Now Playing");
        row("break reminder over the clock",
            withBreakDue(focusSession(FocusPhase::shortBreak, true, QStringLiteral("04:00")), false), "focus",
            "Take a break", "cup.and.saucer.fill", false, "Open Focus");
        row("break reminder without a session", withBreakDue(quiet(), false), "focus", "Take a break", "timer", false,
            "Open Focus");
        row("quiet break reminder lets the meeting show", withMeeting(withBreakDue(quiet(), true)), "calendar",
            "Standup · 5m", "calendar", false, "Open Calendar");
        row("quiet break reminder keeps the clock",
            withBreakDue(focusSession(FocusPhase::work, true, QStringLiteral("03:00")), true), "focus", "03:00",
            "timer", false, "Open Focus");
        row("paused work session", focusSession(FocusPhase::work, false, QStringLiteral("18:20")), "focus", "18:20",
            "timer", true, "Open Focus");
        row("paused long break", focusSession(FocusPhase::longBreak, false, QStringLiteral("09:00")), "focus", "09:00",
            "cup.and.saucer.fill", true, "Open Focus");
    }

    void whatPeeks()
    {
        QFETCH(PeekInputs, in);
        QFETCH(QString, tool);
        QFETCH(QString, text);
        QFETCH(QString, icon);
        QFETCH(bool, paused);
        QFETCH(QString, tooltip);

        const std::optional<ToolID> peeking = peekTool(in);
        QCOMPARE(peeking ? rawValue(*peeking) : none, tool);
        QCOMPARE(peekText(in).value_or(none), text);
        QCOMPARE(peekIcon(in), icon);
        QCOMPARE(peekPaused(in), paused);
        QCOMPARE(peekTooltip(in), tooltip);
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

        QTest::newRow("bubble of 10") << withBubble(quiet(), chars(10)) << 104.0;
        QTest::newRow("bubble of 25") << withBubble(quiet(), chars(25)) << 206.0;
        QTest::newRow("bubble of 26") << withBubble(quiet(), chars(26)) << 208.0;
        QTest::newRow("empty bubble") << withBubble(quiet(), QString()) << 36.0;
        QTest::newRow("peek of 8") << withMeeting(quiet(), chars(8)) << 90.0;
        QTest::newRow("peek of 21") << withMeeting(quiet(), chars(21)) << 187.5;
        QTest::newRow("peek of 22") << withMeeting(quiet(), chars(22)) << 190.0;
        QTest::newRow("bubble over peek") << withBubble(withMeeting(quiet(), chars(8)), chars(10)) << 104.0;
        QTest::newRow("track counts its note") << withTrack(quiet(), true, chars(6)) << 90.0;
        QTest::newRow("hovered") << hovered << 0.0;
        QTest::newRow("pinned") << pinned << 0.0;
        QTest::newRow("presentation") << presenting << 0.0;
        // Thumbs up with a skin tone, a flag and an accented letter are one character each.
        QTest::newRow("emoji with a modifier") << withBubble(quiet(), QStringLiteral("👍🏽") + chars(9)) << 104.0;
        QTest::newRow("flag") << withMeeting(quiet(), QStringLiteral("🇳🇿") + chars(7)) << 90.0;
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
        FakeFocus focus;
        FakeCalendar calendar;
        calendar.text = QStringLiteral("Review · 3m");
        FakeMedia media;
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
        const PeekInputs nothing = gatherPeekInputs(f.settings, registry, focus, FakeCalendar(), FakeMedia(), *f.wisp);
        openPeekTool(nothing, registry);
        QCOMPARE(opened.count(), 1);
    }
};

WISPLET_TEST_MAIN(TestPeekStatus)
#include "tst_peekstatus.moc"
