#pragma once

#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

class Clock;

// A spring as designers give it: the response is the period in seconds of the undamped oscillation, the
// damping fraction 1 for a critically damped spring (no overshoot), less for a bouncier one.
struct Spring
{
    double response;
    double dampingFraction;
};

enum class Easing { linear, easeIn, easeOut, easeInOut };

// Eased progress for linear progress t in [0, 1].
double ease(Easing easing, double t);

class AnimationClient;

// One clock for every animation of the program: it ticks about 60 times a second while at least one
// animation runs and not at all otherwise, so a still face costs nothing. An animation that knows which of
// its frames would show nothing new asks to sleep through them, and the clock sleeps with it.
class AnimationClock final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AnimationClock)

public:
    static constexpr int frameMs = 16;

    explicit AnimationClock(Clock& clock, QObject* parent = nullptr);
    ~AnimationClock() override;
    static AnimationClock& shared();

    qint64 nowMs() const;
    bool isTicking() const { return m_timer->isActive(); }
    // When the timer next ticks, in the clock's milliseconds; none while nothing moves.
    std::optional<qint64> dueMs() const { return isTicking() ? m_dueMs : std::nullopt; }
    // Moves every running animation that is due to now; the timer calls it, tests call it after moving a
    // fake clock.
    void tick();

private:
    friend class AnimationClient;
    void attach(AnimationClient* client);
    void detach(AnimationClient* client);
    void schedule();

    Clock& m_clock;
    QTimer* m_timer;
    // A client that leaves during a tick leaves a null here until the tick ends, so the loop's indices hold.
    QList<AnimationClient*> m_running;
    bool m_ticking = false;
    std::optional<qint64> m_dueMs;
};

// Base of the animations below: registered with the clock only while running.
class AnimationClient : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AnimationClient)

public:
    explicit AnimationClient(AnimationClock& clock, QObject* parent = nullptr);
    ~AnimationClient() override;
    bool isAnimating() const { return m_attached; }

protected:
    void run();
    void halt();
    // No frame before atMs; none asks for every frame.
    void sleepUntil(std::optional<qint64> atMs);
    AnimationClock& clock() const { return m_clock; }
    // Advance to the clock's time; return false once finished. An implementation touches no member after
    // emitting, since a handler may delete it.
    virtual bool advance(qint64 nowMs) = 0;

private:
    friend class AnimationClock;
    AnimationClock& m_clock;
    bool m_attached = false;
    std::optional<qint64> m_wakeMs;
};

// Any number of numbers that move together to a target: by a spring (which keeps its velocity when
// retargeted mid-flight), along an eased curve, or at once. Told what looks the same on screen, it
// takes frames only where the picture changes and ends a motion whose rest shows nothing new.
class AnimatedValue final : public AnimationClient
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AnimatedValue)

public:
    // Whether two values draw the same picture.
    using SameOnScreen = std::function<bool(const QList<double>&, const QList<double>&)>;
    // How far ahead a motion is followed for its next visible change before it looks again.
    static constexpr qint64 lookAheadMs = 1'000;

    explicit AnimatedValue(AnimationClock& clock, const QList<double>& initial = {}, QObject* parent = nullptr);

    // Values whose every number stays within its step of the shown one look the same (a step per number).
    static SameOnScreen withinSteps(const QList<double>& steps);
    void setSameOnScreen(SameOnScreen same) { m_sameOnScreen = std::move(same); }

    QList<double> value() const { return m_value; }
    QList<double> target() const { return m_target; }

    void jumpTo(const QList<double>& value);
    void springTo(const QList<double>& target, Spring spring);
    void easeTo(const QList<double>& target, double seconds, Easing easing);

signals:
    void valueChanged();

protected:
    bool advance(qint64 nowMs) override;

private:
    enum class Motion { none, spring, ease };

    struct State
    {
        QList<double> value;
        QList<double> velocity;
        bool finished = false;
    };

    bool canAnimateTo(const QList<double>& target) const;
    QList<double> easeVelocity() const;
    bool springSettled(const QList<double>& value, const QList<double>& velocity) const;
    State stateAt(qint64 nowMs) const;
    bool planNextFrame();
    void catchUp(qint64 nowMs);
    void setValue(const QList<double>& value);

    Motion m_motion = Motion::none;
    QList<double> m_value;
    QList<double> m_target;
    QList<double> m_velocity; // per second; kept across a retarget
    QList<double> m_from; // where an ease started
    Spring m_spring{1, 1};
    Easing m_easing = Easing::linear;
    double m_durationMs = 0;
    qint64 m_startMs = 0;
    qint64 m_lastMs = 0; // the time m_value and m_velocity belong to
    SameOnScreen m_sameOnScreen;
};

// A phase that runs from 0 to 1 over a duration along an easing curve, forever: starting again at 0, or
// (reversing) coming back to 0 and going out again. For the decorations' endless loops.
class LoopAnimation final : public AnimationClient
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LoopAnimation)

public:
    explicit LoopAnimation(AnimationClock& clock, QObject* parent = nullptr);

    void start(double seconds, Easing easing, bool reverses);
    void stop(); // back to phase 0
    double phase() const { return m_phase; }

signals:
    void phaseChanged();

protected:
    bool advance(qint64 nowMs) override;

private:
    void setPhase(double phase);

    double m_phase = 0;
    double m_periodMs = 0;
    Easing m_easing = Easing::linear;
    bool m_reverses = false;
    qint64 m_startMs = 0;
};
