#include "Wisplet/Base/Animation.h"

#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/Platform.h"

#include <algorithm>
#include <cmath>
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
    m_timer->setInterval(frameMs);
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
        if (!client)
            continue;
        // A finished client may already have been deleted or restarted by a handler; then its slot changed.
        if (!client->advance(now) && m_running.at(i) == client) {
            m_running[i] = nullptr;
            client->m_attached = false;
        }
    }
    m_running.removeAll(nullptr);
    m_ticking = false;
    if (m_running.isEmpty())
        m_timer->stop();
}

void AnimationClock::attach(AnimationClient* client)
{
    client->m_attached = true;
    m_running.append(client);
    if (!m_timer->isActive())
        m_timer->start();
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
    if (m_running.isEmpty())
        m_timer->stop();
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
}

void AnimationClient::halt()
{
    if (m_attached)
        m_clock.detach(this);
}

// --- AnimatedValue

AnimatedValue::AnimatedValue(AnimationClock& clock, const QList<double>& initial, QObject* parent)
    : AnimationClient(clock, parent)
    , m_value(initial)
    , m_target(initial)
    , m_velocity(initial.size(), 0.0)
{ }

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
    if (m_motion == Motion::ease) {
        m_velocity = easeVelocity();
    } else if (m_motion == Motion::none) {
        m_velocity = QList<double>(target.size(), 0.0);
        m_lastMs = clock().nowMs();
    }
    m_motion = Motion::spring;
    m_target = target;
    m_spring = spring;
    if (springSettled(m_value))
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

bool AnimatedValue::springSettled(const QList<double>& value) const
{
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (std::abs(value.at(i) - m_target.at(i)) >= settlePosition || std::abs(m_velocity.at(i)) >= settleVelocity)
            return false;
    }
    return true;
}

bool AnimatedValue::advance(qint64 nowMs)
{
    QList<double> next = m_value;
    bool finished = false;
    if (m_motion == Motion::spring) {
        const double seconds = std::max<qint64>(0, nowMs - m_lastMs) / 1000.0;
        for (qsizetype i = 0; i < next.size(); ++i) {
            double x = next.at(i) - m_target.at(i);
            stepSpring(x, m_velocity[i], m_spring, seconds);
            next[i] = m_target.at(i) + x;
        }
        finished = springSettled(next);
    } else if (m_motion == Motion::ease) {
        const double progress = double(nowMs - m_startMs) / m_durationMs;
        finished = progress >= 1;
        const double eased = ease(m_easing, progress);
        for (qsizetype i = 0; i < next.size(); ++i)
            next[i] = m_from.at(i) + (m_target.at(i) - m_from.at(i)) * eased;
    } else {
        return false;
    }
    m_lastMs = nowMs;
    if (finished) {
        halt();
        m_motion = Motion::none;
        m_velocity.fill(0.0);
        next = m_target;
    }
    setValue(next);
    return !finished;
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
