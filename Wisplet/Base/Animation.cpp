#include "Wisplet/Base/Animation.h"

#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/Platform.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

// Close enough to rest that the remaining motion is invisible at any face size.
constexpr double settlePosition = 1e-3;
constexpr double settleVelocity = 1e-2;
// A spring without damping would never settle and keep the clock running.
constexpr double minimumDamping = 0.05;

// The y of a CSS-style cubic bezier from (0, 0) to (1, 1) at the x given.
double cubicBezier(double x1, double y1, double x2, double y2, double x)
{
    const auto curve = [](double p1, double p2, double t) {
        const double u = 1 - t;
        return 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t;
    };
    const auto slope = [](double p1, double p2, double t) {
        const double u = 1 - t;
        return 3 * u * u * p1 + 6 * u * t * (p2 - p1) + 3 * t * t * (1 - p2);
    };
    // Newton's method converges in a few steps on these curves; bisection catches a flat slope.
    double t = x;
    for (int i = 0; i < 8; ++i) {
        const double error = curve(x1, x2, t) - x;
        if (std::abs(error) < 1e-7)
            return curve(y1, y2, t);
        const double d = slope(x1, x2, t);
        if (std::abs(d) < 1e-6)
            break;
        t -= error / d;
    }
    double low = 0;
    double high = 1;
    t = x;
    for (int i = 0; i < 40 && high - low > 1e-9; ++i) {
        if (curve(x1, x2, t) < x)
            low = t;
        else
            high = t;
        t = (low + high) / 2;
    }
    return curve(y1, y2, t);
}

bool allFinite(const QList<double>& values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// A unit mass on a spring, solved exactly over `seconds` from displacement x and velocity v, so any frame
// gap gives the same path.
void stepSpring(double& x, double& v, Spring spring, double seconds)
{
    const double omega = 2 * std::numbers::pi / spring.response;
    const double zeta = std::max(spring.dampingFraction, minimumDamping);
    const double t = seconds;
    if (zeta < 1 - 1e-6) {
        const double wd = omega * std::sqrt(1 - zeta * zeta);
        const double decay = std::exp(-zeta * omega * t);
        const double c = std::cos(wd * t);
        const double s = std::sin(wd * t);
        const double x0 = x;
        x = decay * (x0 * c + (v + zeta * omega * x0) / wd * s);
        v = decay * (v * c - (omega * omega * x0 + zeta * omega * v) / wd * s);
    } else if (zeta <= 1 + 1e-6) {
        const double decay = std::exp(-omega * t);
        const double b = v + omega * x;
        x = decay * (x + b * t);
        v = decay * (v - omega * b * t);
    } else {
        const double root = std::sqrt(zeta * zeta - 1);
        const double r1 = -omega * (zeta - root);
        const double r2 = -omega * (zeta + root);
        const double a = (v - r2 * x) / (r1 - r2);
        const double b = x - a;
        x = a * std::exp(r1 * t) + b * std::exp(r2 * t);
        v = a * r1 * std::exp(r1 * t) + b * r2 * std::exp(r2 * t);
    }
}

} // namespace

double ease(Easing easing, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    switch (easing) {
    case Easing::linear:
        return t;
    case Easing::easeIn:
        return cubicBezier(0.42, 0, 1, 1, t);
    case Easing::easeOut:
        return cubicBezier(0, 0, 0.58, 1, t);
    case Easing::easeInOut:
        return cubicBezier(0.42, 0, 0.58, 1, t);
    }
    return t;
}

// --- AnimationClock

AnimationClock::AnimationClock(Clock& clock, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_timer(new QTimer(this))
{
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &AnimationClock::tick);
}

AnimationClock::~AnimationClock()
{
    // Clients that outlive their clock must not reach back into it.
    for (AnimationClient* client : std::as_const(m_running)) {
        if (client)
            client->m_attached = false;
    }
}

AnimationClock& AnimationClock::shared()
{
    static auto* clock = new AnimationClock(Platform::clock()); // lives for the whole process
    return *clock;
}

qint64 AnimationClock::nowMs() const
{
    return m_clock.monotonicMs();
}

void AnimationClock::tick()
{
    if (m_ticking)
        return;
    m_ticking = true;
    const qint64 now = nowMs();
    // Clients started by a handler are appended and advanced in this same pass, from their own start time.
    for (qsizetype i = 0; i < m_running.size(); ++i) {
        AnimationClient* client = m_running.at(i);
        if (!client || (client->m_wakeMs && *client->m_wakeMs > now))
            continue;
        // A finished client may already have been deleted or restarted by a handler; then its slot changed.
        if (!client->advance(now) && m_running.at(i) == client) {
            m_running[i] = nullptr;
            client->m_attached = false;
        }
    }
    m_running.removeAll(nullptr);
    m_ticking = false;
    schedule();
}

// The next tick comes when the earliest client wants a frame: a frame from now for those that take every
// frame, else the time a sleeping one asked to be woken.
void AnimationClock::schedule()
{
    if (m_ticking)
        return;
    if (m_running.isEmpty()) {
        m_timer->stop();
        m_dueMs.reset();
        return;
    }
    const qint64 now = nowMs();
    qint64 due = std::numeric_limits<qint64>::max();
    for (const AnimationClient* client : std::as_const(m_running))
        due = std::min(due, client->m_wakeMs.value_or(now + frameMs));
    due = std::max(due, now);
    if (m_timer->isActive() && m_dueMs == due)
        return;
    m_dueMs = due;
    m_timer->start(int(std::min<qint64>(due - now, std::numeric_limits<int>::max())));
}

void AnimationClock::attach(AnimationClient* client)
{
    client->m_attached = true;
    m_running.append(client);
    schedule();
}

void AnimationClock::detach(AnimationClient* client)
{
    client->m_attached = false;
    const qsizetype index = m_running.indexOf(client);
    if (index < 0)
        return;
    if (m_ticking) {
        m_running[index] = nullptr;
        return;
    }
    m_running.removeAt(index);
    schedule();
}

// --- AnimationClient

AnimationClient::AnimationClient(AnimationClock& clock, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
{ }

AnimationClient::~AnimationClient()
{
    halt();
}

void AnimationClient::run()
{
    if (!m_attached)
        m_clock.attach(this);
    else
        m_clock.schedule();
}

void AnimationClient::halt()
{
    m_wakeMs.reset();
    if (m_attached)
        m_clock.detach(this);
}

void AnimationClient::sleepUntil(std::optional<qint64> atMs)
{
    if (atMs == m_wakeMs)
        return;
    m_wakeMs = atMs;
    if (m_attached)
        m_clock.schedule();
}

// --- AnimatedValue

AnimatedValue::AnimatedValue(AnimationClock& clock, const QList<double>& initial, QObject* parent)
    : AnimationClient(clock, parent)
    , m_value(initial)
    , m_target(initial)
    , m_velocity(initial.size(), 0.0)
{ }

AnimatedValue::SameOnScreen AnimatedValue::withinSteps(const QList<double>& steps)
{
    return [steps](const QList<double>& a, const QList<double>& b) {
        if (a.size() != b.size() || a.size() != steps.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (!(std::abs(a.at(i) - b.at(i)) < steps.at(i)))
                return false;
        }
        return true;
    };
}

void AnimatedValue::jumpTo(const QList<double>& value)
{
    halt();
    m_motion = Motion::none;
    m_target = value;
    m_velocity = QList<double>(value.size(), 0.0);
    setValue(value);
}

bool AnimatedValue::canAnimateTo(const QList<double>& target) const
{
    return target.size() == m_value.size() && allFinite(target) && allFinite(m_value);
}

void AnimatedValue::springTo(const QList<double>& target, Spring spring)
{
    if (!canAnimateTo(target) || !(spring.response > 0) || !std::isfinite(spring.response)
        || !std::isfinite(spring.dampingFraction)) {
        jumpTo(target);
        return;
    }
    catchUp(clock().nowMs());
    if (m_motion == Motion::ease) {
        m_velocity = easeVelocity();
    } else if (m_motion == Motion::none) {
        m_velocity = QList<double>(target.size(), 0.0);
        m_lastMs = clock().nowMs();
    }
    m_motion = Motion::spring;
    m_target = target;
    m_spring = spring;
    if (springSettled(m_value, m_velocity) || !planNextFrame())
        jumpTo(target);
    else
        run();
}

void AnimatedValue::easeTo(const QList<double>& target, double seconds, Easing easing)
{
    if (!canAnimateTo(target) || !(seconds > 0) || !std::isfinite(seconds)) {
        jumpTo(target);
        return;
    }
    catchUp(clock().nowMs());
    if (target == m_value) {
        jumpTo(target); // nothing to travel: just stop whatever was moving
        return;
    }
    m_motion = Motion::ease;
    m_from = m_value;
    m_target = target;
    m_easing = easing;
    m_durationMs = seconds * 1000;
    m_startMs = m_lastMs = clock().nowMs();
    if (!planNextFrame())
        jumpTo(target);
    else
        run();
}

QList<double> AnimatedValue::easeVelocity() const
{
    // The slope of the curve where the ease stands, so a spring taking over carries on smoothly.
    constexpr double h = 1e-3;
    const double p = std::clamp(double(m_lastMs - m_startMs) / m_durationMs, 0.0, 1.0);
    const double p1 = std::max(0.0, p - h);
    const double p2 = std::min(1.0, p + h);
    const double slope = (ease(m_easing, p2) - ease(m_easing, p1)) / (p2 - p1);
    QList<double> velocity(m_value.size());
    for (qsizetype i = 0; i < velocity.size(); ++i)
        velocity[i] = (m_target.at(i) - m_from.at(i)) * slope * 1000 / m_durationMs;
    return velocity;
}

bool AnimatedValue::springSettled(const QList<double>& value, const QList<double>& velocity) const
{
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (std::abs(value.at(i) - m_target.at(i)) >= settlePosition || std::abs(velocity.at(i)) >= settleVelocity)
            return false;
    }
    return true;
}

// Where the motion stands at a time from the last frame on: the path is exact, so it can be looked at ahead.
AnimatedValue::State AnimatedValue::stateAt(qint64 nowMs) const
{
    State state{m_value, m_velocity};
    if (m_motion == Motion::spring) {
        const double seconds = std::max<qint64>(0, nowMs - m_lastMs) / 1000.0;
        for (qsizetype i = 0; i < state.value.size(); ++i) {
            double x = state.value.at(i) - m_target.at(i);
            stepSpring(x, state.velocity[i], m_spring, seconds);
            state.value[i] = m_target.at(i) + x;
        }
        state.finished = springSettled(state.value, state.velocity);
    } else if (m_motion == Motion::ease) {
        const double progress = double(nowMs - m_startMs) / m_durationMs;
        state.finished = progress >= 1;
        const double eased = ease(m_easing, progress);
        for (qsizetype i = 0; i < state.value.size(); ++i)
            state.value[i] = m_from.at(i) + (m_target.at(i) - m_from.at(i)) * eased;
    } else {
        state.finished = true;
    }
    if (state.finished)
        state.value = m_target;
    return state;
}

// Sleeps until the first frame that would draw something new. False when none comes before the motion
// ends: its rest is invisible and it may end now.
bool AnimatedValue::planNextFrame()
{
    if (!m_sameOnScreen) {
        sleepUntil(std::nullopt);
        return true;
    }
    for (qint64 at = m_lastMs + AnimationClock::frameMs;; at += AnimationClock::frameMs) {
        const State state = stateAt(at);
        if (!m_sameOnScreen(state.value, m_value)) {
            sleepUntil(at);
            return true;
        }
        if (state.finished)
            return false;
        if (at - m_lastMs >= lookAheadMs) {
            sleepUntil(at);
            return true;
        }
    }
}

bool AnimatedValue::advance(qint64 nowMs)
{
    if (m_motion == Motion::none)
        return false;
    const State state = stateAt(nowMs);
    m_lastMs = nowMs;
    m_velocity = state.velocity;
    const bool changed = state.value != m_value;
    m_value = state.value;
    // Finished, or nothing new to show before it would be: at rest on the target.
    const bool finished = state.finished || !planNextFrame();
    if (finished) {
        halt();
        m_motion = Motion::none;
        m_velocity.fill(0.0);
    }
    const bool landed = finished && m_value != m_target;
    if (landed)
        m_value = m_target;
    if (changed || landed)
        emit valueChanged();
    return !finished;
}

// A motion that slept through frames is brought to now before it is changed, without a signal: what it
// skipped looked the same.
void AnimatedValue::catchUp(qint64 nowMs)
{
    if (m_motion == Motion::none || nowMs <= m_lastMs)
        return;
    const State state = stateAt(nowMs);
    m_value = state.value;
    m_velocity = state.velocity;
    m_lastMs = nowMs;
    if (state.finished) {
        m_motion = Motion::none;
        m_velocity.fill(0.0);
    }
}

void AnimatedValue::setValue(const QList<double>& value)
{
    if (value == m_value)
        return;
    m_value = value;
    emit valueChanged();
}

// --- LoopAnimation

LoopAnimation::LoopAnimation(AnimationClock& clock, QObject* parent)
    : AnimationClient(clock, parent)
{ }

void LoopAnimation::start(double seconds, Easing easing, bool reverses)
{
    if (!(seconds > 0) || !std::isfinite(seconds)) {
        stop();
        return;
    }
    m_periodMs = seconds * 1000;
    m_easing = easing;
    m_reverses = reverses;
    m_startMs = clock().nowMs();
    run();
    setPhase(0);
}

void LoopAnimation::stop()
{
    halt();
    setPhase(0);
}

bool LoopAnimation::advance(qint64 nowMs)
{
    const double elapsed = double(std::max<qint64>(0, nowMs - m_startMs));
    const double legs = std::floor(elapsed / m_periodMs);
    double progress = (elapsed - legs * m_periodMs) / m_periodMs;
    if (m_reverses && std::fmod(legs, 2.0) == 1.0)
        progress = 1 - progress;
    setPhase(ease(m_easing, progress));
    return true;
}

void LoopAnimation::setPhase(double phase)
{
    if (phase == m_phase)
        return;
    m_phase = phase;
    emit phaseChanged();
}
