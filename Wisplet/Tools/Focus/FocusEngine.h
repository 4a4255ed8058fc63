#pragma once

#include "Wisplet/Notch/PeekSources.h"
#include "Wisplet/Platform/StoredJson.h"
#include "Wisplet/Tools/Focus/FocusMode.h"

#include <QDateTime>
#include <QList>

#include <optional>

class AppSettings;
class Clock;
class Defaults;
class IdleSource;
class Notifier;
class WispState;

// The focus tool's model: pomodoro cycles of work and breaks, a countdown, a stopwatch with laps, and the
// stretch and water reminders between sessions. It runs on the one-second tick of its service, keeps its
// settings in the defaults and its session under "focus.session", so a restart picks up where it stopped.
// Phases run on wall-clock dates, which a restart and a suspend keep; the reminders on the monotonic clock.
// Main thread only.
class FocusEngine final : public FocusPeekSource
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FocusEngine)

public:
    static constexpr double awaySeconds = 300;
    static constexpr double activeSeconds = 60;
    static constexpr double snoozeSeconds = 300;
    static constexpr double shortestPhase = 1;
    static constexpr double longestPhase = 86'400;

    FocusEngine(Defaults& defaults, Clock& clock, IdleSource& idle, Notifier& notifier, AppSettings& settings,
                WispState& wisp, QObject* parent = nullptr);
    ~FocusEngine() override;

    static FocusEngine& shared();

    // What the island reads.
    FocusPhase phase() const override { return m_phase; }
    bool isRunning() const override { return m_isRunning; }
    bool breakPrompt() const override { return m_breakPrompt; }
    std::optional<QString> displayTime() const override;

    FocusMode mode() const { return m_mode; }
    double remaining() const { return m_remaining; }
    double elapsed() const { return m_elapsed; }
    // Newest first.
    QList<double> laps() const { return m_laps; }
    qint64 sessionsToday() const { return m_sessionsToday; }
    double phaseDuration() const { return m_phaseDuration; }
    double progress() const;
    // When the running timed phase reaches zero.
    std::optional<QDateTime> endDate() const;

    // Settings, in minutes unless said otherwise. The setters store whatever they are given; the controls
    // that set them keep to sensible ranges.
    double workMinutes() const { return m_workMinutes; }
    double shortBreakMinutes() const { return m_shortBreakMinutes; }
    double longBreakMinutes() const { return m_longBreakMinutes; }
    qint64 sessionsBeforeLongBreak() const { return m_sessionsBeforeLongBreak; }
    // 0 or less switches the stretch reminder off.
    double breakReminderMinutes() const { return m_breakReminderMinutes; }
    double countdownMinutes() const { return m_countdownMinutes; }
    // 0 or less switches the water reminder off.
    double hydrationMinutes() const { return m_hydrationMinutes; }
    bool autoAdvance() const { return m_autoAdvance; }

    // A different mode also resets the engine.
    void setMode(FocusMode value);
    void setWorkMinutes(double value);
    void setShortBreakMinutes(double value);
    void setLongBreakMinutes(double value);
    void setSessionsBeforeLongBreak(qint64 value);
    void setBreakReminderMinutes(double value);
    void setCountdownMinutes(double value);
    void setHydrationMinutes(double value);
    void setAutoAdvance(bool value);

    // Phases.
    // Starts the mode's first phase when idle, else resumes the paused one.
    void start();
    void pause();
    void reset();
    // Ends the current pomodoro phase early, without counting it.
    void skip();
    void lap();
    // A countdown of any length within 1 s … 24 h, which also becomes the timer's length.
    void startCustom(double seconds);
    // Begins a phase of that many seconds; a length outside 1 s … 24 h changes nothing. Whether it began.
    bool beginPhase(FocusPhase phase, double seconds);
    void tick();
    void finishPhase(bool skipped);

    // The break card.
    void showBreakPrompt();
    void dismissBreakPrompt();
    // "Start break": resumes a paused break or begins a short one when idle; otherwise only closes the card.
    void startBreak();
    // "5 min later".
    void snoozeBreakPrompt();

    void saveSession();

signals:
    void modeChanged(FocusMode value);
    void phaseChanged(FocusPhase value);
    void isRunningChanged(bool value);
    void remainingChanged(double value);
    void elapsedChanged(double value);
    void lapsChanged(const QList<double>& value);
    void sessionsTodayChanged(qint64 value);
    void phaseDurationChanged(double value);
    void breakPromptChanged(bool value);
    void workMinutesChanged(double value);
    void shortBreakMinutesChanged(double value);
    void longBreakMinutesChanged(double value);
    void sessionsBeforeLongBreakChanged(qint64 value);
    void breakReminderMinutesChanged(double value);
    void countdownMinutesChanged(double value);
    void hydrationMinutesChanged(double value);
    void autoAdvanceChanged(bool value);
    // Any of the above, once per operation.
    void changed();

private:
    class Batch;

    template <typename T, typename Signal>
    void publish(T& member, const T& value, Signal signal);
    template <typename T, typename Signal>
    void storeSetting(T& member, const T& value, const char* key, Signal signal);

    void loadSettings();
    void restoreSession();
    QString today() const;
    void rollOverSessionsDay();
    void countFinishedWork();
    // Begins the phase that follows a finished one; when its length is refused, the engine goes idle
    // rather than finishing the same phase again on every tick.
    bool followWith(FocusPhase phase, double seconds);
    void notify(const QString& title, const QString& body, bool sound);
    void setWorking(bool working);

    double idleSeconds();
    void checkSnooze();
    void checkBreakReminder();
    void checkHydration();

    Defaults& m_defaults;
    Clock& m_clock;
    IdleSource& m_idle;
    Notifier& m_notifier;
    AppSettings& m_settings;
    WispState& m_wisp;

    FocusMode m_mode = FocusMode::pomodoro;
    FocusPhase m_phase = FocusPhase::idle;
    bool m_isRunning = false;
    double m_remaining = 0;
    double m_elapsed = 0;
    QList<double> m_laps;
    qint64 m_sessionsToday = 0;
    double m_phaseDuration = 1;
    bool m_breakPrompt = false;
    double m_workMinutes = 25;
    double m_shortBreakMinutes = 5;
    double m_longBreakMinutes = 15;
    qint64 m_sessionsBeforeLongBreak = 4;
    double m_breakReminderMinutes = 45;
    double m_countdownMinutes = 15;
    double m_hydrationMinutes = 0;
    bool m_autoAdvance = false;

    // As stored, so a restored session is saved back with the dates it was read with.
    std::optional<StoredJson::Date> m_endDate;
    std::optional<StoredJson::Date> m_startDate;
    double m_pausedRemaining = 0;
    double m_pausedElapsed = 0;
    qint64 m_completedInCycle = 0;
    // Monotonic milliseconds.
    std::optional<qint64> m_breakSnoozedUntil;
    qint64 m_lastBreakNudge = 0;
    qint64 m_lastHydrationNudge = 0;
    // Read at most once a tick, and only when a reminder needs it.
    std::optional<double> m_idleThisTick;

    int m_batchDepth = 0;
    bool m_dirty = false;
};
