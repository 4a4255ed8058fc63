#pragma once

#include "Wisplet/Base/Mood.h"
#include "Wisplet/Companion/WispEvent.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class AppEvents;
class AppSettings;
class Clock;
class MotionSetting;
class RandomSource;
class ScheduledCall;
class Scheduler;
class ScreenProvider;

// The companion's state: its moods, the reactions it plays, queues and drops, its speech bubble, and the
// liveliness between reactions (blinking, gaze, glances, sleep, hover and pin). Views draw from the
// published values; what plays is decided here alone. Main thread only, except react() and say().
class WispState final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WispState)

public:
    // Priorities: 0 ambient (dropped while another shows, 15 s cooldown), 1 normal, 2 the tap on the face,
    // 3 important (never interrupted by a bubble-only message).
    static constexpr int ambientPriority = 0;
    static constexpr int pokePriority = 2;
    static constexpr int importantPriority = 3;
    static constexpr int maxQueued = 3;
    static constexpr int lookIntervalMs = 1000 / 12;
    // The longest the look timer sleeps while the pointer rests, so a program's pointer warp, which the
    // platform does not report, is still seen.
    static constexpr int restCheckMs = 2'000;
    static constexpr int hoverLeaveDelayMs = 250;

    struct Services
    {
        AppSettings& settings;
        AppEvents& events;
        Clock& clock;
        Scheduler& scheduler;
        RandomSource& random;
        ScreenProvider& screens;
        MotionSetting& motion;
    };

    explicit WispState(const Services& services, QObject* parent = nullptr);
    ~WispState() override;

    static WispState& shared();

    bool isHovering() const { return m_isHovering; }
    bool isPinnedOpen() const { return m_isPinnedOpen; }
    bool isBlinking() const { return m_isBlinking; }
    Mood baseMood() const { return m_baseMood; }
    std::optional<Mood> transientMood() const { return m_transientMood; }
    bool isAsleep() const { return m_isAsleep; }
    std::optional<Mood> activityMood() const { return m_activityMood; }
    std::optional<QString> bubble() const { return m_bubble; }
    QSizeF look() const { return m_look; }
    int bounceToken() const { return m_bounceToken; }
    int stretchToken() const { return m_stretchToken; }
    bool isHiddenForFullscreen() const { return m_isHiddenForFullscreen; }

    void setPinnedOpen(bool pinned);
    void setBaseMood(Mood mood);
    void setAsleep(bool asleep);
    void setActivityMood(std::optional<Mood> mood);
    void setHiddenForFullscreen(bool hidden);

    // The mood the face draws: a playing reaction, else sleep, else an activity's mood, else the resting one.
    Mood displayMood() const;
    // The user's setting or the desktop's: either one reduces motion.
    bool reducesMotion() const;

    // Reactions.
    void handle(const WispEvent& event);
    void react(Mood mood, const std::optional<QString>& text, bool bounce, int priority, double seconds);
    void say(const QString& text, double seconds);
    void clearReactions();
    void promptStretch();
    int queuedReactionCount() const { return int(m_pending.size()); }
    int activePriority() const { return m_activePriority; }

    // Liveliness.
    void start();
    void stop();
    bool isRunning() const { return m_lookTimer->isActive(); }
    void blink();
    void lookTick();
    // How long the running look timer waits before its next tick.
    int lookWaitMs() const { return m_lookTimer->interval(); }
    void setHovering(bool hovering);
    void togglePinned();
    void collapse();
    void poke();
    void fallAsleep();

signals:
    void isHoveringChanged(bool value);
    void isPinnedOpenChanged(bool value);
    void isBlinkingChanged(bool value);
    void baseMoodChanged(Mood value);
    void transientMoodChanged(std::optional<Mood> value);
    void isAsleepChanged(bool value);
    void activityMoodChanged(std::optional<Mood> value);
    void bubbleChanged(const std::optional<QString>& value);
    void lookChanged(QSizeF value);
    void bounceTokenChanged(int value);
    void stretchTokenChanged(int value);
    void isHiddenForFullscreenChanged(bool value);
    // Any of the above.
    void changed();

private:
    struct Reaction
    {
        Mood mood;
        double seconds;
        std::optional<QString> text;
        bool bounce;
        int priority;
    };

    template <typename T, typename Signal>
    void publish(T& member, const T& value, Signal signal);
    void setHoveringNow(bool hovering);
    void setBlinking(bool blinking);
    void setTransientMood(std::optional<Mood> mood);
    void setBubble(const std::optional<QString>& text);
    void setLook(QSizeF look);
    void bounce();

    void play(const Reaction& reaction);
    void finishReaction();
    bool isSilenced() const;
    void wakeWithStretch();

    void scheduleNextBlink();
    void blinkThen(std::unique_ptr<ScheduledCall>& end, std::function<void()> then);
    void afterLoopBlink();
    void followScreen();
    std::optional<qint64> followPointer(qint64 now);
    void paceLook(std::optional<qint64> dueMs, qint64 now);
    void lookSoon();
    qint64 drawGlanceStart(qint64 now);

    AppSettings& m_settings;
    AppEvents& m_events;
    Clock& m_clock;
    Scheduler& m_scheduler;
    RandomSource& m_random;
    ScreenProvider& m_screens;
    MotionSetting& m_motion;

    bool m_isHovering = false;
    bool m_isPinnedOpen = false;
    bool m_isBlinking = false;
    Mood m_baseMood = Mood::happy;
    std::optional<Mood> m_transientMood;
    bool m_isAsleep = false;
    std::optional<Mood> m_activityMood;
    std::optional<QString> m_bubble;
    QSizeF m_look;
    int m_bounceToken = 0;
    int m_stretchToken = 0;
    bool m_isHiddenForFullscreen = false;

    std::vector<Reaction> m_pending;
    int m_activePriority = -1;
    // When each cooldown key last played, in monotonic milliseconds.
    QHash<QString, qint64> m_lastReaction;
    std::unique_ptr<ScheduledCall> m_reactionEnd;
    std::unique_ptr<ScheduledCall> m_bubbleEnd;
    std::unique_ptr<ScheduledCall> m_hoverLeave;
    std::unique_ptr<ScheduledCall> m_blinkLoop;
    std::unique_ptr<ScheduledCall> m_loopBlinkEnd;
    std::unique_ptr<ScheduledCall> m_blinkEnd;
    QTimer* m_lookTimer;
    bool m_pointerWatched = false;

    QPointF m_lastPointer;
    qint64 m_lastPointerMoveMs = 0;
    std::optional<QSizeF> m_glance;
    qint64 m_glanceUntilMs = 0;
    // When the next glance starts, drawn once the pointer rests; none while no glance can start.
    std::optional<qint64> m_nextGlanceMs;
    std::optional<QRectF> m_cursorScreenFrame;
};
