#include "Wisplet/Tools/Focus/FocusService.h"
#include "Wisplet/Tools/Focus/FocusSession.h"
#include "tests/Tools/Focus/FocusFixture.h"
#include "tests/support/TestMain.h"

#include <functional>

namespace {

using Reading = std::function<double(const FocusEngine&)>;

struct SettingRow
{
    QString key;
    QVariant stored;
    Reading read;
    double expected;
};

// What a stored snapshot comes back as: ignored, or restored running or paused.
enum class Restored { ignored, running, paused };

struct SnapshotRow
{
    QByteArray json;
    Restored restored;
};

struct CycleRow
{
    qint64 cycle;
    QList<FocusPhase> breaks; // after each completed work phase
};

struct GateRow
{
    bool installed;
    bool enabled;
    bool quiet;
    bool presentation;
};

const Reading work = [](const FocusEngine& e) { return e.workMinutes(); };
const Reading cycle = [](const FocusEngine& e) { return double(e.sessionsBeforeLongBreak()); };
const Reading mode = [](const FocusEngine& e) { return double(e.mode()); };
const Reading hydration = [](const FocusEngine& e) { return e.hydrationMinutes(); };
const Reading autoAdvance = [](const FocusEngine& e) { return double(e.autoAdvance()); };

QDateTime utc(int month, int day, int hour, int minute, int second)
{
    return QDateTime(QDate(2026, month, day), QTime(hour, minute, second), Qt::UTC);
}

} // namespace

Q_DECLARE_METATYPE(SettingRow)
Q_DECLARE_METATYPE(SnapshotRow)
Q_DECLARE_METATYPE(CycleRow)
Q_DECLARE_METATYPE(GateRow)

class TestFocusEngine final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FocusFixture> f;

    FocusEngine& engine() { return *f->engine; }
    std::optional<FocusSession> stored()
    {
        return FocusSession::decode(f->defaults.data(QStringLiteral("focus.session")));
    }

    // Runs the current timed phase to its end.
    void runOut()
    {
        if (!engine().isRunning())
            engine().start();
        f->pass(engine().remaining());
    }

private slots:
    void init()
    {
        f = std::make_unique<FocusFixture>();
        f->clock.setNow(utc(3, 1, 19, 0, 0)); // 8 in the morning in Auckland, so a long day fits
        f->launch();
    }

    void settingsLoad_data()
    {
        QTest::addColumn<SettingRow>("row");
        const auto add = [](const char* name, const char* key, const QVariant& stored, const Reading& read,
                            double expected) {
            QTest::newRow(name) << SettingRow{QString::fromLatin1(key), stored, read, expected};
        };
        add("minutes in range", "focus.work", 50.5, work, 50.5);
        add("upper bound", "focus.work", 1440, work, 1440);
        add("above the bound", "focus.work", 2000, work, 25);
        add("negative", "focus.work", -1, work, 25);
        add("text that is no number", "focus.work", QStringLiteral("abc"), work, 25);
        add("text that says zero", "focus.work", QStringLiteral("0"), work, 0);
        add("cycle truncated", "focus.cycle", 4.9, cycle, 4);
        add("mode exact", "focus.mode", QStringLiteral("stopwatch"), mode, double(FocusMode::stopwatch));
        add("mode in the wrong case", "focus.mode", QStringLiteral("Timer"), mode, double(FocusMode::pomodoro));
        add("hydration unchecked", "focus.hydration", 5000, hydration, 5000);
        add("auto-advance text", "focus.autoAdvance", QStringLiteral("YES"), autoAdvance, 1);
    }

    void settingsLoad()
    {
        QFETCH(SettingRow, row);
        f->defaults.set(row.key, row.stored);
        QCOMPARE(row.read(f->launch()), row.expected);
    }

    void settingModeAgainDoesNotReset()
    {
        engine().start();
        engine().setMode(FocusMode::pomodoro);
        QCOMPARE(engine().phase(), FocusPhase::work);
        engine().setMode(FocusMode::timer);
        QCOMPARE(engine().phase(), FocusPhase::idle);
        QCOMPARE(f->defaults.string(QStringLiteral("focus.mode")), QStringLiteral("timer"));
    }

    void snapshotRoundTrip()
    {
        engine().setMode(FocusMode::stopwatch);
        engine().start();
        f->pass(12.5);
        engine().lap();
        f->pass(3);
        engine().lap();
        engine().pause();
        const QByteArray bytes = f->defaults.data(QStringLiteral("focus.session"));
        QCOMPARE(stored()->encode(), bytes);

        FocusEngine& again = f->launch();
        QCOMPARE(again.phase(), FocusPhase::stopwatch);
        QVERIFY(!again.isRunning());
        QCOMPARE(again.elapsed(), 15.5);
        QCOMPARE(again.laps(), (QList<double>{15.5, 12.5}));
        again.start();
        f->pass(1);
        QCOMPARE(again.elapsed(), 16.5);
    }

    void restoredDatesKeepTheirFraction()
    {
        const QByteArray json = R"({"phase":"stopwatch","running":true,"remaining":0,"elapsed":0,"duration":1,)"
                                R"("cycle":0,"laps":[],"start":793000000.1234567})";
        f->defaults.set(QStringLiteral("focus.session"), json);
        FocusEngine& restored = f->launch();
        restored.start(); // already running: saves what it has
        QVERIFY(stored());
        QCOMPARE(stored()->start->seconds, 793000000.1234567);
    }

    void strictRestore_data()
    {
        QTest::addColumn<SnapshotRow>("row");
        const auto add = [](const char* name, const char* json, Restored restored) {
            QTest::newRow(name) << SnapshotRow{QByteArray(json), restored};
        };
        // A paused work phase with one field changed or added.
        const auto with = [](const char* fields, const char* replace = "", const char* by = "") {
            static QList<QByteArray> keep;
            QByteArray json = QByteArray(R"({"phase":"work","running":false,"remaining":60,"elapsed":0,)"
                                         R"("duration":60,"cycle":1,"laps":[])")
                                  .replace(R"("phase":"work","running":false)", fields);
            keep.append(json.replace(replace, by) + "}");
            return keep.last().constData();
        };
        const char* paused = R"("phase":"work","running":false)";
        add("running with an end", with(R"("phase":"work","running":true,"end":800000000)"), Restored::running);
        add("paused without dates", with(paused), Restored::paused);
        add("unknown phase", with(R"("phase":"break","running":false)"), Restored::ignored);
        add("running missing", with(R"("phase":"work")"), Restored::ignored);
        add("end as text", with(R"("phase":"work","running":false,"end":"soon")"), Restored::ignored);
        add("zero duration", with(paused, "\"duration\":60", "\"duration\":0"), Restored::ignored);
        add("fractional cycle", with(paused, "\"cycle\":1", "\"cycle\":1.5"), Restored::ignored);
        add("lap of the wrong type", with(paused, "[]", "[\"1\"]"), Restored::ignored);
        add("timed phase running without an end", with(R"("phase":"work","running":true)"), Restored::paused);
        add("stopwatch running without a start", with(R"("phase":"stopwatch","running":true,"end":800000000)"),
            Restored::paused);
        add("idle but running", with(R"("phase":"idle","running":true)"), Restored::paused);
    }

    void strictRestore()
    {
        QFETCH(SnapshotRow, row);
        f->defaults.set(QStringLiteral("focus.session"), row.json);
        FocusEngine& restored = f->launch();
        QCOMPARE(restored.remaining(), row.restored == Restored::ignored ? 0.0 : 60.0);
        QCOMPARE(restored.isRunning(), row.restored == Restored::running);
        // A stuck session never finishes itself over and over.
        f->pass(1);
        f->pass(1);
        QVERIFY(f->server.posted.size() <= 1);
    }

    void breaksOfTheCycle_data()
    {
        QTest::addColumn<CycleRow>("row");
        const FocusPhase s = FocusPhase::shortBreak;
        const FocusPhase l = FocusPhase::longBreak;
        QTest::newRow("four per cycle") << CycleRow{4, {s, s, s, l, s, s, s, l}};
        QTest::newRow("zero counts as one") << CycleRow{0, {l, l}};
    }

    void breaksOfTheCycle()
    {
        QFETCH(CycleRow, row);
        engine().setSessionsBeforeLongBreak(row.cycle);
        engine().setAutoAdvance(true);
        engine().start();
        QCOMPARE(f->wisp->activityMood(), Mood::focused);
        for (qsizetype i = 0; i < row.breaks.size(); ++i) {
            runOut();
            QCOMPARE(engine().phase(), row.breaks.at(i));
            QVERIFY(engine().isRunning());
            QCOMPARE(f->wisp->activityMood(), std::nullopt);
            runOut();
            QCOMPARE(engine().phase(), FocusPhase::work);
            QCOMPARE(f->wisp->transientMood(), Mood::focused);
        }
        QCOMPARE(engine().sessionsToday(), row.breaks.size());
        QCOMPARE(f->defaults.doubleValue(QStringLiteral("focus.sessionsCount")), double(row.breaks.size()));
    }

    void skipCountsNothing()
    {
        engine().setAutoAdvance(true);
        engine().start();
        for (int i = 0; i < 4; ++i) {
            runOut();
            if (i < 3)
                runOut();
        }
        QCOMPARE(engine().phase(), FocusPhase::longBreak);
        const qsizetype posted = f->server.posted.size();
        engine().skip();
        QCOMPARE(engine().phase(), FocusPhase::work);
        engine().skip();
        QCOMPARE(engine().phase(), FocusPhase::longBreak);
        QCOMPARE(engine().sessionsToday(), 4);
        QCOMPARE(f->server.posted.size(), posted);
        QVERIFY(!engine().breakPrompt());

        engine().setMode(FocusMode::timer);
        engine().start();
        engine().skip();
        QCOMPARE(engine().phase(), FocusPhase::countdown);
    }

    void customCountdownEnds()
    {
        engine().startCustom(90);
        QCOMPARE(engine().mode(), FocusMode::timer);
        QCOMPARE(f->defaults.doubleValue(QStringLiteral("focus.countdown")), 1.5);
        QCOMPARE(engine().endDate(), f->clock.now().addSecs(90));
        f->pass(89);
        QCOMPARE(engine().displayTime(), QStringLiteral("00:01"));
        f->pass(1);
        QCOMPARE(engine().phase(), FocusPhase::idle);
        QCOMPARE(f->server.posted.size(), 1);
        QVERIFY(engine().breakPrompt());
        QCOMPARE(f->wisp->transientMood(), Mood::proud);
    }

    void lengthsOutsideTheRangeChangeNothing()
    {
        QVERIFY(!engine().beginPhase(FocusPhase::work, 0.5));
        QVERIFY(!engine().beginPhase(FocusPhase::work, 86400.5));
        engine().startCustom(0.5);
        QCOMPARE(engine().phase(), FocusPhase::idle);
        QCOMPARE(engine().mode(), FocusMode::pomodoro);
        QVERIFY(engine().beginPhase(FocusPhase::work, 86400));
    }

    void stopwatchAndLaps()
    {
        engine().lap();
        QVERIFY(engine().laps().isEmpty());
        engine().setMode(FocusMode::stopwatch);
        engine().start();
        f->pass(5);
        engine().pause();
        f->pass(100);
        engine().lap();
        engine().start();
        f->pass(2);
        QCOMPARE(engine().elapsed(), 7.0);
        QCOMPARE(engine().laps(), QList<double>{5});
        QCOMPARE(engine().progress(), 0.0);
    }

    void refusedFollowUpEndsInIdleOnce()
    {
        engine().setShortBreakMinutes(0);
        engine().start();
        runOut();
        f->pass(1);
        f->pass(1);
        QCOMPARE(engine().phase(), FocusPhase::idle);
        QCOMPARE(engine().sessionsToday(), 1);
        QCOMPARE(f->server.titles(), QStringList{"Focus session done"});
        QCOMPARE(stored()->cycle, 0);
    }

    void breakWithoutWorkToFollowSendsNoStart()
    {
        engine().setAutoAdvance(true);
        engine().start();
        runOut();
        engine().setWorkMinutes(0);
        f->scheduler.advance(10'000); // the end-of-session reaction is over
        runOut();
        QCOMPARE(engine().phase(), FocusPhase::idle);
        QCOMPARE(f->wisp->transientMood(), std::nullopt);
        QCOMPARE(f->server.titles(), (QStringList{"Focus session done", "Break over"}));
    }

    void breakFromTheCardOutsidePomodoroEndsInIdle()
    {
        engine().setMode(FocusMode::timer);
        engine().setShortBreakMinutes(0);
        engine().startBreak();
        QCOMPARE(engine().phase(), FocusPhase::shortBreak);
        QCOMPARE(engine().remaining(), 1.0);
        f->pass(1);
        QCOMPARE(engine().phase(), FocusPhase::idle);
    }

    void dayRollsOverAtLocalMidnight()
    {
        f->clock.setNow(utc(2, 28, 10, 59, 59)); // Auckland is 13 hours ahead in summer
        f->defaults.set(QStringLiteral("focus.sessionsDay"), QStringLiteral("2026-02-28"));
        f->defaults.set(QStringLiteral("focus.sessionsCount"), 3);
        QCOMPARE(f->launch().sessionsToday(), 3);
        f->pass(1);
        QCOMPARE(engine().sessionsToday(), 0);
        QCOMPARE(f->defaults.string(QStringLiteral("focus.sessionsDay")), QStringLiteral("2026-03-01"));
        QCOMPARE(f->defaults.doubleValue(QStringLiteral("focus.sessionsCount")), 0.0);
    }

    void notificationGate_data()
    {
        QTest::addColumn<GateRow>("row");
        for (int bits = 0; bits < 16; ++bits) {
            const GateRow row{bool(bits & 1), bool(bits & 2), bool(bits & 4), bool(bits & 8)};
            QTest::addRow("installed %d, enabled %d, quiet %d, presenting %d", row.installed, row.enabled, row.quiet,
                          row.presentation)
                << row;
        }
    }

    void notificationGate()
    {
        QFETCH(GateRow, row);
        f->settings.setNotificationsEnabled(row.enabled);
        f->settings.setQuietMode(row.quiet);
        f->settings.setPresentationMode(row.presentation);
        f->launch(row.installed).startCustom(60);
        f->pass(60);
        const bool posts = row.installed && row.enabled && !row.quiet && !row.presentation;
        QCOMPARE(f->server.posted.size(), posts ? 1 : 0);
        QCOMPARE(engine().breakPrompt(), !row.quiet && !row.presentation);
    }

    void stretchReminder()
    {
        f->pass(44 * 60 + 59);
        QVERIFY(!engine().breakPrompt());
        f->pass(1);
        QVERIFY(engine().breakPrompt());
        QCOMPARE(f->server.posted.size(), 1);
        f->pass(50 * 60);
        QCOMPARE(f->server.posted.size(), 1);

        // Closing restarts the interval from that moment.
        engine().dismissBreakPrompt();
        f->pass(44 * 60);
        QVERIFY(!engine().breakPrompt());
        f->pass(60);
        QVERIFY(engine().breakPrompt());
    }

    void stretchWaitsForTheUser()
    {
        f->pass(40 * 60);
        f->idle.seconds = 301; // away: the interval starts again
        f->pass(1);
        f->idle.seconds = 120; // neither away nor active: nothing moves
        f->pass(45 * 60 - 1);
        QVERIFY(!engine().breakPrompt());
        f->pass(1);
        QVERIFY(!engine().breakPrompt());
        f->idle.seconds = 59;
        f->pass(1);
        QVERIFY(engine().breakPrompt());
    }

    void snoozeBringsTheCardBackQuietly()
    {
        f->pass(45 * 60);
        engine().snoozeBreakPrompt();
        QVERIFY(!engine().breakPrompt());
        f->pass(299);
        QVERIFY(!engine().breakPrompt());
        f->pass(1);
        QVERIFY(engine().breakPrompt());
        QCOMPARE(f->server.posted.size(), 1);
    }

    void quietAndPresentationUseUpTheReminder_data()
    {
        QTest::addColumn<bool>("presentation");
        QTest::newRow("quiet") << false;
        QTest::newRow("presentation") << true;
    }

    void quietAndPresentationUseUpTheReminder()
    {
        QFETCH(bool, presentation);
        presentation ? f->settings.setPresentationMode(true) : f->settings.setQuietMode(true);
        f->pass(45 * 60);
        QVERIFY(!engine().breakPrompt());
        presentation ? f->settings.setPresentationMode(false) : f->settings.setQuietMode(false);
        f->pass(44 * 60);
        QVERIFY(!engine().breakPrompt());
        f->pass(60);
        QVERIFY(engine().breakPrompt());
        QCOMPARE(f->server.posted.size(), 1);
    }

    void waterReminder()
    {
        engine().setBreakReminderMinutes(0);
        engine().setHydrationMinutes(30);
        f->pass(30 * 60 - 1);
        QCOMPARE(f->wisp->bubble(), std::nullopt);
        f->idle.seconds = 60;
        f->pass(10 * 60);
        QCOMPARE(f->wisp->bubble(), std::nullopt);
        f->idle.seconds = 0;
        f->pass(1);
        QCOMPARE(f->wisp->bubble(), QStringLiteral("Water break?"));
        QCOMPARE(f->wisp->transientMood(), Mood::happy);
        QCOMPARE(f->server.titles(), QStringList{"A sip of water"});
        f->pass(30 * 60 - 1);
        QCOMPARE(f->server.posted.size(), 1);
        f->pass(1);
        QCOMPARE(f->server.posted.size(), 2);
    }

    void serviceTicksStopsAndSaves()
    {
        FocusService service(engine());
        engine().start();
        f->scheduler.advance(60'000);
        service.start();
        QVERIFY(service.isTicking());
        QCOMPARE(engine().remaining(), 1440.0);

        service.prepareForQuit();
        service.stopForQuit(QDeadlineTimer(0));
        QVERIFY(!service.isTicking());
        QVERIFY(stored()->running);

        service.start();
        service.stop();
        QVERIFY(!service.isTicking());
        QVERIFY(!engine().isRunning());
        QVERIFY(!stored()->running);
    }

    void restartResumesTheSession_data()
    {
        QTest::addColumn<int>("awayMinutes");
        QTest::addColumn<double>("remaining");
        QTest::addColumn<FocusPhase>("phase");
        QTest::newRow("mid-session") << 3 << 720.0 << FocusPhase::work;
        QTest::newRow("ended while away") << 30 << 300.0 << FocusPhase::shortBreak;
    }

    void restartResumesTheSession()
    {
        QFETCH(int, awayMinutes);
        QFETCH(double, remaining);
        QFETCH(FocusPhase, phase);
        engine().start();
        f->pass(10 * 60);
        FocusService(engine()).prepareForQuit();
        f->scheduler.advance(awayMinutes * 60'000);
        f->launch().tick();
        QCOMPARE(engine().phase(), phase);
        QCOMPARE(engine().remaining(), remaining);
    }
};

WISPLET_TEST_MAIN(TestFocusEngine)
#include "tst_focusengine.moc"
