#include "Wisplet/Companion/WispState.h"

#include "Wisplet/Base/AppEvents.h"
#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/OutsideText.h"
#include "Wisplet/Base/ScreenChoice.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/MotionSetting.h"
#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Platform/RandomSource.h"
#include "Wisplet/Platform/Scheduler.h"
#include "Wisplet/Platform/Screens.h"

#include <QThread>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

using Kind = WispEvent::Kind;
using std::chrono::milliseconds;

struct EventReaction
{
    const char* group;
    Mood mood;
    std::optional<QString> text;
    bool bounce;
    int priority;
    double seconds;
};

EventReaction reactionFor(const WispEvent& event)
{
    // An event's text comes from outside (a meeting's title, a track, a sale); beside ours it is isolated.
    const QString t = OutsideText::isolated(event.text);
    switch (event.kind) {
    case Kind::meetingSoon:
        return {"calendar", Mood::thinking, t + QStringLiteral(" in 5 min"), false, 3, 6.0};
    case Kind::musicStarted:
        return {"media", Mood::happy, QStringLiteral("\u266A ") + t, true, 0, 4.0};
    case Kind::sale:
        return {"business", Mood::proud, QStringLiteral("+") + t + QStringLiteral(" \U0001F389"), true, 1, 5.0};
    case Kind::error:
        return {"general", Mood::sad, t, false, 3, 4.0};
    case Kind::clipboardCopied:
        return {"clipboard", Mood::surprised, std::nullopt, false, 0, 0.9};
    case Kind::focusStarted:
        return {"focus", Mood::focused, QStringLiteral("Let's focus"), true, 1, 3.0};
    case Kind::focusEnded:
        return {"focus", Mood::proud, QStringLiteral("Nice work!"), true, 3, 4.0};
    case Kind::breakDue:
        return {"focus", Mood::sleepy, QStringLiteral("Stretch time"), false, 1, 4.0};
    case Kind::cpuHot:
        return {"system", Mood::hot, QStringLiteral("Getting hot in here"), false, 1, 6.0};
    case Kind::memoryPressure:
        return {"system", Mood::worried, QStringLiteral("Memory is tight"), false, 1, 6.0};
    case Kind::batteryLow:
        return {"system", Mood::worried, QStringLiteral("Battery low!"), false, 3, 5.0};
    case Kind::batteryCharging:
        return {"system", Mood::happy, QStringLiteral("Charging"), true, 1, 3.0};
    case Kind::fileDragged:
        return {"general", Mood::surprised, QStringLiteral("Ooh, a file"), false, 1, 2.0};
    }
    return {"general", Mood::happy, std::nullopt, false, 0, 0};
}

milliseconds seconds(double value)
{
    return milliseconds(qint64(std::llround(value * 1000.0)));
}

constexpr qint64 ambientCooldownMs = 15'000;
constexpr qint64 cooldownMs = 2'000;
constexpr qint64 cooldownMemoryMs = 60'000;
constexpr qint64 blinkMs = 110;
constexpr qint64 doubleBlinkGapMs = 180;
constexpr qint64 glanceAfterStillMs = 8'000;
constexpr double pointerJitter = 0.5;
constexpr double lookThreshold = 0.01;

const QString stretchText = QStringLiteral("*stretch*");

} // namespace

WispState::WispState(const Services& services, QObject* parent)
    : QObject(parent)
    , m_settings(services.settings)
    , m_events(services.events)
    , m_clock(services.clock)
    , m_scheduler(services.scheduler)
    , m_random(services.random)
    , m_screens(services.screens)
    , m_motion(services.motion)
    , m_lookTimer(new QTimer(this))
    , m_lastPointer(services.screens.pointer())
    , m_lastPointerMoveMs(services.clock.monotonicMs())
{
    // 30 ms of slack on 83 ms: a coarse timer lets the system batch wake-ups.
    m_lookTimer->setInterval(lookIntervalMs);
    m_lookTimer->setTimerType(Qt::CoarseTimer);
    connect(m_lookTimer, &QTimer::timeout, this, &WispState::lookTick);

    connect(&m_events, &AppEvents::pinOpen, this, [this] { setPinnedOpen(true); });
    connect(&m_settings, &AppSettings::changed, this, &WispState::lookSoon);
    connect(&m_motion, &MotionSetting::reduceMotionChanged, this, &WispState::lookSoon);
    connect(&m_settings, &AppSettings::quietModeChanged, this, [this](bool quiet) {
        if (quiet)
            clearReactions();
    });
    if (m_settings.quietMode())
        clearReactions();
}

WispState::~WispState()
{
    if (m_pointerWatched)
        m_screens.watchPointer({});
}

WispState& WispState::shared()
{
    static auto* state =
        new WispState({AppSettings::shared(), AppEvents::shared(), Platform::clock(), Platform::scheduler(),
                       Platform::random(), Platform::screens(), Platform::motion()});
    return *state;
}

template <typename T, typename Signal>
void WispState::publish(T& member, const T& value, Signal signal)
{
    member = value;
    emit(this->*signal)(value);
    emit changed();
}

void WispState::setPinnedOpen(bool pinned)
{
    publish(m_isPinnedOpen, pinned, &WispState::isPinnedOpenChanged);
}

void WispState::setBaseMood(Mood mood)
{
    publish(m_baseMood, mood, &WispState::baseMoodChanged);
}

void WispState::setAsleep(bool asleep)
{
    publish(m_isAsleep, asleep, &WispState::isAsleepChanged);
}

void WispState::setActivityMood(std::optional<Mood> mood)
{
    publish(m_activityMood, mood, &WispState::activityMoodChanged);
}

void WispState::setHiddenForFullscreen(bool hidden)
{
    publish(m_isHiddenForFullscreen, hidden, &WispState::isHiddenForFullscreenChanged);
    lookSoon();
}

void WispState::setHoveringNow(bool hovering)
{
    publish(m_isHovering, hovering, &WispState::isHoveringChanged);
}

void WispState::setBlinking(bool blinking)
{
    publish(m_isBlinking, blinking, &WispState::isBlinkingChanged);
}

void WispState::setTransientMood(std::optional<Mood> mood)
{
    publish(m_transientMood, mood, &WispState::transientMoodChanged);
}

void WispState::setBubble(const std::optional<QString>& text)
{
    publish(m_bubble, text, &WispState::bubbleChanged);
}

void WispState::setLook(QSizeF look)
{
    publish(m_look, look, &WispState::lookChanged);
}

void WispState::bounce()
{
    publish(m_bounceToken, m_bounceToken + 1, &WispState::bounceTokenChanged);
}

Mood WispState::displayMood() const
{
    if (m_transientMood)
        return *m_transientMood;
    if (m_isAsleep)
        return Mood::asleep;
    return m_activityMood.value_or(m_baseMood);
}

bool WispState::reducesMotion() const
{
    return m_settings.reducedMotion() || m_motion.reduceMotion();
}

bool WispState::isSilenced() const
{
    return m_settings.quietMode() || m_settings.presentationMode();
}

// Reactions

void WispState::handle(const WispEvent& event)
{
    const EventReaction reaction = reactionFor(event);
    if (!m_settings.isReactionGroupEnabled(QString::fromLatin1(reaction.group)))
        return;
    // An event the user wants to hear about wakes Wisp even when the reaction itself is then dropped.
    if (m_isAsleep)
        setAsleep(false);
    react(reaction.mood, reaction.text, reaction.bounce, reaction.priority, reaction.seconds);
}

void WispState::react(Mood mood, const std::optional<QString>& text, bool bounce, int priority, double seconds)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, mood, text, bounce, priority, seconds] { react(mood, text, bounce, priority, seconds); },
            Qt::QueuedConnection);
        return;
    }
    if (isSilenced())
        return;

    const QString key = rawValue(mood) + u'-' + text.value_or(QString());
    const qint64 now = m_clock.monotonicMs();
    const qint64 cooldown = priority == ambientPriority ? ambientCooldownMs : cooldownMs;
    if (const auto last = m_lastReaction.constFind(key); last != m_lastReaction.cend() && now - *last < cooldown)
        return;
    m_lastReaction.removeIf([now](const auto& entry) { return now - entry.value() >= cooldownMemoryMs; });
    m_lastReaction.insert(key, now);

    const Reaction reaction{mood, seconds, text, bounce, priority};
    if (!m_transientMood || m_activePriority < priority) {
        play(reaction);
        return;
    }
    if (priority <= ambientPriority)
        return;
    if (std::any_of(m_pending.cbegin(), m_pending.cend(), [&](const Reaction& queued) { return queued.text == text; }))
        return;
    m_pending.push_back(reaction);
    std::stable_sort(m_pending.begin(), m_pending.end(),
                     [](const Reaction& a, const Reaction& b) { return a.priority > b.priority; });
    if (m_pending.size() > std::size_t(maxQueued))
        m_pending.resize(maxQueued);
}

void WispState::play(const Reaction& reaction)
{
    if (isSilenced()) {
        clearReactions();
        return;
    }
    m_reactionEnd.reset();
    m_activePriority = reaction.priority;
    setTransientMood(reaction.mood);
    m_bubbleEnd.reset();
    setBubble(m_settings.bubblesEnabled() ? reaction.text : std::nullopt);
    if (reaction.bounce && !reducesMotion())
        bounce();
    m_reactionEnd = m_scheduler.callAfter(seconds(reaction.seconds), [this] { finishReaction(); });
}

void WispState::finishReaction()
{
    setTransientMood(std::nullopt);
    setBubble(std::nullopt);
    m_activePriority = -1;
    if (m_pending.empty())
        return;
    // A queued reaction already passed its cooldown when it was queued.
    const Reaction next = m_pending.front();
    m_pending.erase(m_pending.begin());
    play(next);
}

void WispState::say(const QString& text, double duration)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, text, duration] { say(text, duration); }, Qt::QueuedConnection);
        return;
    }
    if (!m_settings.bubblesEnabled() || isSilenced() || m_activePriority > pokePriority)
        return;
    m_bubbleEnd.reset();
    setBubble(text);
    m_bubbleEnd = m_scheduler.callAfter(seconds(duration), [this] { setBubble(std::nullopt); });
}

void WispState::clearReactions()
{
    m_reactionEnd.reset();
    m_bubbleEnd.reset();
    m_pending.clear();
    setTransientMood(std::nullopt);
    setBubble(std::nullopt);
    m_activePriority = -1;
}

void WispState::promptStretch()
{
    if (isSilenced() || !m_settings.isReactionGroupEnabled(QStringLiteral("focus")))
        return;
    react(Mood::proud, QStringLiteral("Time to stretch"), false, importantPriority, 3.0);
    // The stretch shows even when the cooldown dropped the reaction.
    if (!reducesMotion())
        publish(m_stretchToken, m_stretchToken + 1, &WispState::stretchTokenChanged);
}

// Liveliness

void WispState::start()
{
    stop();
    scheduleNextBlink();
    m_pointerWatched = m_screens.watchPointer([this] { lookSoon(); });
    m_lookTimer->start(lookIntervalMs);
}

void WispState::stop()
{
    m_blinkLoop.reset();
    if (m_loopBlinkEnd) {
        // Cutting the loop short still opens the eyes.
        m_loopBlinkEnd.reset();
        if (m_isBlinking)
            setBlinking(false);
    }
    if (m_pointerWatched)
        m_screens.watchPointer({});
    m_pointerWatched = false;
    m_lookTimer->stop();
}

void WispState::scheduleNextBlink()
{
    m_blinkLoop = m_scheduler.callAfter(seconds(m_random.uniform(2.5, 6.0)),
                                        [this] { blinkThen(m_loopBlinkEnd, [this] { afterLoopBlink(); }); });
}

void WispState::afterLoopBlink()
{
    // One blink in five is a double blink.
    if (m_random.integer(0, 4) != 0) {
        scheduleNextBlink();
        return;
    }
    m_blinkLoop = m_scheduler.callAfter(milliseconds(doubleBlinkGapMs),
                                        [this] { blinkThen(m_loopBlinkEnd, [this] { scheduleNextBlink(); }); });
}

void WispState::blink()
{
    blinkThen(m_blinkEnd, [] {});
}

void WispState::blinkThen(std::unique_ptr<ScheduledCall>& end, std::function<void()> then)
{
    if (m_isAsleep || reducesMotion() || m_isHiddenForFullscreen || m_settings.presentationMode()) {
        then();
        return;
    }
    setBlinking(true);
    end = m_scheduler.callAfter(milliseconds(blinkMs), [this, then = std::move(then)] {
        setBlinking(false);
        then();
    });
}

void WispState::lookTick()
{
    const qint64 now = m_clock.monotonicMs();
    followScreen();
    paceLook(followPointer(now), now);
}

// Where Wisp lives is no motion: the display mode that follows the pointer does so whatever the motion
// settings, presentation mode or full-screen hiding say (the full-screen test asks about the pointer's screen).
void WispState::followScreen()
{
    if (m_settings.displayMode() != DisplayMode::cursor)
        return;
    const QPointF pointer = m_screens.pointer();
    const QList<ScreenInfo> screens = m_screens.screens();
    const auto under = std::find_if(screens.cbegin(), screens.cend(),
                                    [&](const ScreenInfo& screen) { return screen.contains(pointer); });
    if (under != screens.cend() && under->frame != m_cursorScreenFrame) {
        m_cursorScreenFrame = under->frame;
        m_events.postScreenChanged();
    }
}

// Returns when the look may next change while the pointer stays where it is: now after a move or when a
// glance was just drawn, the end of a showing glance, the start of the next one, or never.
std::optional<qint64> WispState::followPointer(qint64 now)
{
    if (m_isHiddenForFullscreen || m_settings.presentationMode() || reducesMotion()) {
        m_nextGlanceMs.reset();
        return std::nullopt;
    }
    const QPointF pointer = m_screens.pointer();

    const bool moved = std::abs(pointer.x() - m_lastPointer.x()) > pointerJitter
        || std::abs(pointer.y() - m_lastPointer.y()) > pointerJitter;
    if (moved) {
        m_lastPointer = pointer;
        m_lastPointerMoveMs = now;
        m_glance.reset();
        m_nextGlanceMs.reset();
        if (m_isAsleep)
            wakeWithStretch();
    }

    const QList<ScreenInfo> screens = m_screens.screens();
    const auto under = std::find_if(screens.cbegin(), screens.cend(),
                                    [&](const ScreenInfo& screen) { return screen.contains(pointer); });

    QSizeF target(0, 0);
    std::optional<qint64> due = moved ? std::optional(now) : std::nullopt;
    if (m_glance && now <= m_glanceUntilMs) {
        target = *m_glance;
        due = m_glanceUntilMs + 1;
    } else {
        m_glance.reset();
        if (m_settings.eyeTracking()) {
            const std::optional<ScreenInfo> screen =
                under != screens.cend() ? std::optional(*under) : screenFor(m_settings.displayMode(), m_screens);
            // Without a screen (they are being reconfigured) the eyes stay where they are.
            if (!screen || screen->frame.isEmpty())
                return due;
            const QRectF& frame = screen->frame;
            target = QSizeF(std::clamp((pointer.x() - frame.center().x()) / (frame.width() * 0.5), -1.0, 1.0),
                            std::clamp((pointer.y() - frame.top()) / frame.height(), 0.0, 1.0));
        }
        if (!m_settings.idleBehaviours() || m_isAsleep) {
            m_nextGlanceMs.reset();
        } else if (!moved) {
            if (!m_nextGlanceMs)
                m_nextGlanceMs = drawGlanceStart(now);
            if (now >= *m_nextGlanceMs) {
                // Drawn one after the other: the order of evaluation of arguments is unspecified.
                const double across = m_random.uniform(-1.0, 1.0);
                const double down = m_random.uniform(-0.3, 0.8);
                m_glance = QSizeF(across, down);
                m_glanceUntilMs = now + qint64(std::llround(m_random.uniform(0.8, 1.6) * 1000.0));
                m_nextGlanceMs.reset();
                // It shows from the next tick.
                due = now;
            } else {
                due = m_nextGlanceMs;
            }
        }
    }

    if (std::abs(target.width() - m_look.width()) > lookThreshold
        || std::abs(target.height() - m_look.height()) > lookThreshold)
        setLook(target);
    return due;
}

// Glances come with one chance in sixty per tick once the pointer has rested for more than 8 s. The number
// of ticks until the first success is drawn at once, so a resting look timer knows when to wake.
qint64 WispState::drawGlanceStart(qint64 now)
{
    constexpr double chancePerTick = 1.0 / 60;
    const double draw = std::clamp(m_random.uniform(0.0, 1.0), 0.0, 0.999'999);
    const auto failedTicks = qint64(std::floor(std::log1p(-draw) / std::log1p(-chancePerTick)));
    return std::max(now, m_lastPointerMoveMs + glanceAfterStillMs + 1) + failedTicks * lookIntervalMs;
}

// Twelve ticks a second while the look may change; where the platform reports pointer moves, the timer
// sleeps until the look is next due to change, waking on a move, and at least every restCheckMs.
void WispState::paceLook(std::optional<qint64> dueMs, qint64 now)
{
    qint64 wait = restCheckMs;
    if (!m_pointerWatched)
        wait = lookIntervalMs;
    else if (dueMs)
        wait = std::clamp(*dueMs - now, qint64(lookIntervalMs), qint64(restCheckMs));
    if (m_lookTimer->isActive() && m_lookTimer->interval() != wait)
        m_lookTimer->start(int(wait));
}

// The pointer moved, or something else the look depends on changed: a resting timer ticks at once.
void WispState::lookSoon()
{
    if (m_lookTimer->isActive() && m_lookTimer->interval() > lookIntervalMs)
        m_lookTimer->start(0);
}

void WispState::wakeWithStretch()
{
    setAsleep(false);
    react(Mood::surprised, stretchText, true, 1, 0.9);
}

void WispState::setHovering(bool hovering)
{
    m_hoverLeave.reset();
    if (hovering) {
        setHoveringNow(true);
        return;
    }
    m_hoverLeave = m_scheduler.callAfter(milliseconds(hoverLeaveDelayMs), [this] { setHoveringNow(false); });
}

void WispState::togglePinned()
{
    setPinnedOpen(!m_isPinnedOpen);
    if (m_isAsleep)
        setAsleep(false);
    if (!reducesMotion())
        bounce();
}

void WispState::collapse()
{
    m_hoverLeave.reset();
    setPinnedOpen(false);
    setHoveringNow(false);
    m_events.postReleaseFocus();
}

void WispState::poke()
{
    if (m_isAsleep) {
        wakeWithStretch();
        return;
    }
    static constexpr std::array moods{Mood::loving, Mood::wink, Mood::proud};
    static const std::array texts{QStringLiteral("Hehe"),  QStringLiteral("Hi!"),  QStringLiteral("That tickles"),
                                  QStringLiteral("Wisp!"), QStringLiteral("Yes?"), QStringLiteral("Boop")};
    const Mood mood = moods[std::size_t(m_random.integer(0, int(moods.size()) - 1))];
    const QString& text = texts[std::size_t(m_random.integer(0, int(texts.size()) - 1))];
    react(mood, text, true, pokePriority, 1.8);
}

void WispState::fallAsleep()
{
    if (m_isAsleep || reducesMotion() || m_isHiddenForFullscreen || m_settings.presentationMode())
        return;
    // The queue and the active priority stay: they play on once Wisp is woken by a reaction.
    m_reactionEnd.reset();
    m_bubbleEnd.reset();
    setTransientMood(std::nullopt);
    setBubble(std::nullopt);
    setAsleep(true);
}
