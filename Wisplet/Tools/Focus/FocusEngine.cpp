#include "Wisplet/Tools/Focus/FocusEngine.h"

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/Notifier.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/IdleSource.h"
#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Tools/Focus/FocusFormat.h"
#include "Wisplet/Tools/Focus/FocusSession.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

const QString modeKey = QStringLiteral("focus.mode");
const QString sessionKey = QStringLiteral("focus.session");
const QString dayKey = QStringLiteral("focus.sessionsDay");
const QString countKey = QStringLiteral("focus.sessionsCount");
const QString hydrationKey = QStringLiteral("focus.hydration");
const QString autoAdvanceKey = QStringLiteral("focus.autoAdvance");
constexpr double longestStoredMinutes = 1440;
// Counts beyond this cannot come from real sessions and would not fit the counter.
constexpr double largestCount = 1e15;

bool isZeroText(const QString& text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    return ok && value == 0 && text.trimmed() == text;
}

// A stored setting read as a number: numbers and Booleans as the defaults read them, a text only when it
// is one (so "abc" is no number rather than 0). Anything else is no number.
std::optional<double> storedNumber(const QVariant& value)
{
    const double reading = Defaults::doubleReading(value);
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
        return reading;
    case QMetaType::QString:
        // The defaults read any text that is no number as 0; only a text that says zero is one.
        return reading != 0 || isZeroText(value.toString()) ? std::optional<double>(reading) : std::nullopt;
    default:
        return std::nullopt;
    }
}

// The stored minutes when they are a number within 0 … 1440 (a stored 0 counts), else the default.
double storedMinutes(const Defaults& defaults, const char* key, double fallback)
{
    const std::optional<double> value = storedNumber(defaults.object(QString::fromLatin1(key)));
    return value && std::isfinite(*value) && *value >= 0 && *value <= longestStoredMinutes ? *value : fallback;
}

double seconds(const QDateTime& from, const QDateTime& to)
{
    return double(from.msecsTo(to)) / 1000.0;
}

} // namespace

// Gathers the changes of one operation into one changed() and one peekChanged().
class FocusEngine::Batch
{
public:
    explicit Batch(FocusEngine& engine)
        : m_engine(engine)
    {
        ++m_engine.m_batchDepth;
    }
    ~Batch()
    {
        if (--m_engine.m_batchDepth > 0 || !m_engine.m_dirty)
            return;
        m_engine.m_dirty = false;
        emit m_engine.changed();
        emit m_engine.peekChanged();
    }
    Q_DISABLE_COPY_MOVE(Batch)

private:
    FocusEngine& m_engine;
};

FocusEngine::FocusEngine(Defaults& defaults, Clock& clock, IdleSource& idle, Notifier& notifier, AppSettings& settings,
                         WispState& wisp, QObject* parent)
    : FocusPeekSource(parent)
    , m_defaults(defaults)
    , m_clock(clock)
    , m_idle(idle)
    , m_notifier(notifier)
    , m_settings(settings)
    , m_wisp(wisp)
    , m_lastBreakNudge(clock.monotonicMs())
    , m_lastHydrationNudge(clock.monotonicMs())
{
    loadSettings();
    restoreSession();
}

FocusEngine::~FocusEngine() = default;

FocusEngine& FocusEngine::shared()
{
    static auto* engine = new FocusEngine(Platform::defaults(), Platform::clock(), Platform::idle(), Notifier::shared(),
                                          AppSettings::shared(), WispState::shared());
    return *engine;
}

template <typename T, typename Signal>
void FocusEngine::publish(T& member, const T& value, Signal signal)
{
    if (member == value)
        return;
    member = value;
    m_dirty = true;
    emit(this->*signal)(value);
}

template <typename T, typename Signal>
void FocusEngine::storeSetting(T& member, const T& value, const char* key, Signal signal)
{
    const Batch batch(*this);
    member = value;
    m_defaults.set(QString::fromLatin1(key), QVariant::fromValue(value));
    m_dirty = true;
    emit(this->*signal)(value);
}

void FocusEngine::loadSettings()
{
    const double hydration = m_defaults.doubleValue(hydrationKey);
    const bool autoAdvance = m_defaults.boolValue(autoAdvanceKey);
    m_mode = focusModeFromRawValue(m_defaults.string(modeKey)).value_or(FocusMode::pomodoro);
    m_workMinutes = storedMinutes(m_defaults, "focus.work", 25);
    m_shortBreakMinutes = storedMinutes(m_defaults, "focus.short", 5);
    m_longBreakMinutes = storedMinutes(m_defaults, "focus.long", 15);
    m_sessionsBeforeLongBreak = qint64(std::trunc(storedMinutes(m_defaults, "focus.cycle", 4)));
    m_breakReminderMinutes = storedMinutes(m_defaults, "focus.reminder", 45);
    m_countdownMinutes = storedMinutes(m_defaults, "focus.countdown", 15);
    if (m_defaults.string(dayKey) == today())
        m_sessionsToday = qint64(std::clamp(m_defaults.doubleValue(countKey), -largestCount, largestCount));
    setHydrationMinutes(hydration);
    setAutoAdvance(autoAdvance);
}

void FocusEngine::restoreSession()
{
    const std::optional<FocusSession> session = FocusSession::decode(m_defaults.data(sessionKey));
    if (!session)
        return;
    m_phase = session->phase;
    m_isRunning = session->running;
    m_remaining = session->remaining;
    m_elapsed = session->elapsed;
    m_endDate = session->end;
    m_startDate = session->start;
    m_phaseDuration = session->duration;
    m_pausedRemaining = session->remaining;
    m_pausedElapsed = session->elapsed;
    m_completedInCycle = session->cycle;
    m_laps = session->laps;
    if (m_isRunning && m_phase == FocusPhase::work)
        m_wisp.setActivityMood(Mood::focused);
}

void FocusEngine::saveSession()
{
    const FocusSession session{m_phase,     m_isRunning,     m_remaining,        m_elapsed, m_endDate,
                               m_startDate, m_phaseDuration, m_completedInCycle, m_laps};
    // Saved at every quit: a session nobody touched must not add a key or rewrite the settings.
    if (session.isRestoredFrom(m_defaults.data(sessionKey)))
        return;
    if (const std::optional<QByteArray> bytes = session.encode())
        m_defaults.set(sessionKey, *bytes);
}

std::optional<QDateTime> FocusEngine::endDate() const
{
    return m_endDate ? std::optional<QDateTime>(m_endDate->toDateTime()) : std::nullopt;
}

std::optional<QString> FocusEngine::displayTime() const
{
    return focusDisplayTime(m_phase, m_remaining, m_elapsed);
}

double FocusEngine::progress() const
{
    return focusProgress(m_phase, m_remaining, m_phaseDuration);
}

// Settings

void FocusEngine::setMode(FocusMode value)
{
    const Batch batch(*this);
    const FocusMode previous = m_mode;
    m_defaults.set(modeKey, rawValue(value));
    m_mode = value;
    m_dirty = true;
    emit modeChanged(value);
    if (value != previous)
        reset();
}

void FocusEngine::setWorkMinutes(double value)
{
    storeSetting(m_workMinutes, value, "focus.work", &FocusEngine::workMinutesChanged);
}

void FocusEngine::setShortBreakMinutes(double value)
{
    storeSetting(m_shortBreakMinutes, value, "focus.short", &FocusEngine::shortBreakMinutesChanged);
}

void FocusEngine::setLongBreakMinutes(double value)
{
    storeSetting(m_longBreakMinutes, value, "focus.long", &FocusEngine::longBreakMinutesChanged);
}

void FocusEngine::setSessionsBeforeLongBreak(qint64 value)
{
    storeSetting(m_sessionsBeforeLongBreak, value, "focus.cycle", &FocusEngine::sessionsBeforeLongBreakChanged);
}

void FocusEngine::setBreakReminderMinutes(double value)
{
    storeSetting(m_breakReminderMinutes, value, "focus.reminder", &FocusEngine::breakReminderMinutesChanged);
}

void FocusEngine::setCountdownMinutes(double value)
{
    storeSetting(m_countdownMinutes, value, "focus.countdown", &FocusEngine::countdownMinutesChanged);
}

void FocusEngine::setHydrationMinutes(double value)
{
    storeSetting(m_hydrationMinutes, value, "focus.hydration", &FocusEngine::hydrationMinutesChanged);
}

void FocusEngine::setAutoAdvance(bool value)
{
    storeSetting(m_autoAdvance, value, "focus.autoAdvance", &FocusEngine::autoAdvanceChanged);
}

// Phases

void FocusEngine::setWorking(bool working)
{
    m_wisp.setActivityMood(working ? std::optional<Mood>(Mood::focused) : std::nullopt);
}

bool FocusEngine::beginPhase(FocusPhase phase, double seconds)
{
    const Batch batch(*this);
    if (!std::isfinite(seconds) || seconds < shortestPhase || seconds > longestPhase) {
        saveSession();
        return false;
    }
    dismissBreakPrompt();
    publish(m_phase, phase, &FocusEngine::phaseChanged);
    publish(m_phaseDuration, seconds, &FocusEngine::phaseDurationChanged);
    publish(m_remaining, seconds, &FocusEngine::remainingChanged);
    m_endDate = StoredJson::Date::of(m_clock.now().addMSecs(qint64(std::llround(seconds * 1000))));
    publish(m_isRunning, true, &FocusEngine::isRunningChanged);
    setWorking(phase == FocusPhase::work);
    saveSession();
    return true;
}

void FocusEngine::start()
{
    const Batch batch(*this);
    if (m_isRunning) {
        saveSession();
        return;
    }
    dismissBreakPrompt();
    const QDateTime now = m_clock.now();
    if (m_phase == FocusPhase::idle) {
        switch (m_mode) {
        case FocusMode::pomodoro:
            beginPhase(FocusPhase::work, m_workMinutes * 60);
            break;
        case FocusMode::timer:
            beginPhase(FocusPhase::countdown, m_countdownMinutes * 60);
            break;
        case FocusMode::stopwatch:
            publish(m_phase, FocusPhase::stopwatch, &FocusEngine::phaseChanged);
            m_pausedElapsed = 0;
            m_startDate = StoredJson::Date::of(now);
            publish(m_isRunning, true, &FocusEngine::isRunningChanged);
            break;
        }
    } else {
        if (m_phase == FocusPhase::stopwatch)
            m_startDate = StoredJson::Date::of(now.addMSecs(-qint64(std::llround(m_pausedElapsed * 1000))));
        else
            m_endDate = StoredJson::Date::of(now.addMSecs(qint64(std::llround(m_pausedRemaining * 1000))));
        publish(m_isRunning, true, &FocusEngine::isRunningChanged);
    }
    if (m_phase == FocusPhase::work)
        setWorking(true);
    saveSession();
}

void FocusEngine::pause()
{
    const Batch batch(*this);
    if (m_isRunning) {
        // The frozen values must be current; the tick may end the phase, and the next one is then paused.
        tick();
        publish(m_isRunning, false, &FocusEngine::isRunningChanged);
        m_pausedRemaining = m_remaining;
        m_pausedElapsed = m_elapsed;
        setWorking(false);
    }
    saveSession();
}

void FocusEngine::reset()
{
    const Batch batch(*this);
    dismissBreakPrompt();
    publish(m_isRunning, false, &FocusEngine::isRunningChanged);
    publish(m_phase, FocusPhase::idle, &FocusEngine::phaseChanged);
    publish(m_remaining, 0.0, &FocusEngine::remainingChanged);
    publish(m_elapsed, 0.0, &FocusEngine::elapsedChanged);
    publish(m_laps, {}, &FocusEngine::lapsChanged);
    m_completedInCycle = 0;
    m_endDate.reset();
    m_startDate.reset();
    m_pausedRemaining = 0;
    m_pausedElapsed = 0;
    setWorking(false);
    saveSession();
}

void FocusEngine::skip()
{
    if (m_mode != FocusMode::pomodoro || m_phase == FocusPhase::idle)
        return;
    const Batch batch(*this);
    finishPhase(true);
}

void FocusEngine::lap()
{
    const Batch batch(*this);
    if (m_phase == FocusPhase::stopwatch) {
        QList<double> laps = m_laps;
        laps.prepend(m_elapsed);
        publish(m_laps, laps, &FocusEngine::lapsChanged);
    }
    saveSession();
}

void FocusEngine::startCustom(double seconds)
{
    if (!std::isfinite(seconds) || seconds < shortestPhase || seconds > longestPhase)
        return;
    const Batch batch(*this);
    setMode(FocusMode::timer);
    reset();
    setCountdownMinutes(seconds / 60);
    beginPhase(FocusPhase::countdown, seconds);
}

QString FocusEngine::today() const
{
    return m_clock.now().toLocalTime().date().toString(QStringLiteral("yyyy-MM-dd"));
}

void FocusEngine::rollOverSessionsDay()
{
    const QString day = today();
    if (m_defaults.string(dayKey) == day)
        return;
    publish(m_sessionsToday, qint64(0), &FocusEngine::sessionsTodayChanged);
    m_defaults.set(dayKey, day);
    m_defaults.set(countKey, qint64(0));
}

void FocusEngine::tick()
{
    const Batch batch(*this);
    m_idleThisTick.reset();
    rollOverSessionsDay();
    if (m_isRunning) {
        const QDateTime now = m_clock.now();
        if (m_phase == FocusPhase::stopwatch && m_startDate) {
            publish(m_elapsed, seconds(m_startDate->toDateTime(), now), &FocusEngine::elapsedChanged);
        } else if (m_phase != FocusPhase::stopwatch && m_endDate) {
            publish(m_remaining, std::max(0.0, seconds(now, m_endDate->toDateTime())), &FocusEngine::remainingChanged);
            if (m_remaining == 0)
                finishPhase(false);
        }
    }
    checkSnooze();
    checkBreakReminder();
    checkHydration();
}

void FocusEngine::countFinishedWork()
{
    publish(m_sessionsToday, m_sessionsToday + 1, &FocusEngine::sessionsTodayChanged);
    m_defaults.set(dayKey, today());
    m_defaults.set(countKey, m_sessionsToday);
    m_wisp.handle(WispEvent::of(WispEvent::Kind::focusEnded));
    notify(QStringLiteral("Focus session done"), QStringLiteral("Nice work. Time for a break."), true);
    ++m_completedInCycle;
}

bool FocusEngine::followWith(FocusPhase phase, double seconds)
{
    if (beginPhase(phase, seconds))
        return true;
    reset();
    return false;
}

void FocusEngine::finishPhase(bool skipped)
{
    const Batch batch(*this);
    const FocusPhase ending = m_phase;
    const bool prompt = !skipped && (ending == FocusPhase::work || ending == FocusPhase::countdown);
    switch (ending) {
    case FocusPhase::work: {
        if (!skipped)
            countFinishedWork();
        const qint64 cycle = std::max<qint64>(m_sessionsBeforeLongBreak, 1);
        const bool longBreak = m_completedInCycle >= 1 && m_completedInCycle % cycle == 0;
        if (longBreak)
            followWith(FocusPhase::longBreak, m_longBreakMinutes * 60);
        else
            followWith(FocusPhase::shortBreak, m_shortBreakMinutes * 60);
        break;
    }
    case FocusPhase::shortBreak:
    case FocusPhase::longBreak:
        if (!skipped)
            notify(QStringLiteral("Break over"), QStringLiteral("Back to it."), true);
        if (m_mode != FocusMode::pomodoro)
            reset();
        else if (followWith(FocusPhase::work, m_workMinutes * 60))
            m_wisp.handle(WispEvent::of(WispEvent::Kind::focusStarted));
        break;
    case FocusPhase::countdown:
        m_wisp.handle(WispEvent::of(WispEvent::Kind::focusEnded));
        notify(QStringLiteral("Timer done"), formatClock(m_phaseDuration) + QStringLiteral(" is up."), true);
        reset();
        break;
    case FocusPhase::idle:
    case FocusPhase::stopwatch:
        break;
    }
    if (prompt)
        showBreakPrompt();
    if (!m_autoAdvance && m_phase != FocusPhase::idle) {
        publish(m_isRunning, false, &FocusEngine::isRunningChanged);
        m_pausedRemaining = m_remaining;
        setWorking(false);
    }
    saveSession();
}

void FocusEngine::notify(const QString& title, const QString& body, bool sound)
{
    if (m_notifier.mayPost())
        m_notifier.post(ToolID::focus, title, body, sound);
}

// The break card and the reminders

void FocusEngine::showBreakPrompt()
{
    if (m_settings.quietMode() || m_settings.presentationMode())
        return;
    const Batch batch(*this);
    publish(m_breakPrompt, true, &FocusEngine::breakPromptChanged);
    m_wisp.promptStretch();
}

void FocusEngine::dismissBreakPrompt()
{
    const Batch batch(*this);
    publish(m_breakPrompt, false, &FocusEngine::breakPromptChanged);
    m_breakSnoozedUntil.reset();
    m_lastBreakNudge = m_clock.monotonicMs();
}

void FocusEngine::snoozeBreakPrompt()
{
    const Batch batch(*this);
    publish(m_breakPrompt, false, &FocusEngine::breakPromptChanged);
    m_breakSnoozedUntil = m_clock.monotonicMs() + qint64(snoozeSeconds * 1000);
}

void FocusEngine::startBreak()
{
    const Batch batch(*this);
    if (m_phase != FocusPhase::idle && !isBreak(m_phase)) {
        dismissBreakPrompt();
        return;
    }
    publish(m_breakPrompt, false, &FocusEngine::breakPromptChanged);
    m_breakSnoozedUntil.reset();
    if (isBreak(m_phase))
        start();
    else
        beginPhase(FocusPhase::shortBreak, std::max(m_shortBreakMinutes * 60, shortestPhase));
}

double FocusEngine::idleSeconds()
{
    if (!m_idleThisTick)
        m_idleThisTick = m_idle.secondsSinceLastInput();
    return *m_idleThisTick;
}

void FocusEngine::checkSnooze()
{
    if (!m_breakSnoozedUntil || *m_breakSnoozedUntil > m_clock.monotonicMs())
        return;
    m_breakSnoozedUntil.reset();
    if (m_phase == FocusPhase::idle || (isBreak(m_phase) && !m_isRunning))
        showBreakPrompt();
}

void FocusEngine::checkBreakReminder()
{
    const double minutes = m_breakReminderMinutes;
    if (!(minutes > 0) || m_phase != FocusPhase::idle || m_breakSnoozedUntil || m_breakPrompt)
        return;
    const qint64 now = m_clock.monotonicMs();
    const double idle = idleSeconds();
    if (idle > awaySeconds) {
        m_lastBreakNudge = now;
        return;
    }
    if (idle >= activeSeconds || double(now - m_lastBreakNudge) < minutes * 60'000)
        return;
    m_lastBreakNudge = now;
    showBreakPrompt();
    m_wisp.handle(WispEvent::of(WispEvent::Kind::breakDue));
    notify(QStringLiteral("Stretch time"),
           QStringLiteral("You've been at it for %1 minutes.").arg(QString::number(std::trunc(minutes), 'f', 0)),
           false);
}

void FocusEngine::checkHydration()
{
    const double minutes = m_hydrationMinutes;
    const qint64 now = m_clock.monotonicMs();
    if (!(minutes > 0) || double(now - m_lastHydrationNudge) < minutes * 60'000 || idleSeconds() >= activeSeconds)
        return;
    m_lastHydrationNudge = now;
    m_wisp.react(Mood::happy, QStringLiteral("Water break?"), false, 1, 2.5);
    notify(QStringLiteral("A sip of water"), QStringLiteral("Time for a water break."), false);
}
