#include "Wisplet/Base/Animation.h"
#include "tests/support/FakeClock.h"
#include "tests/support/TestMain.h"

#include <QPointer>

#include <cmath>
#include <functional>
#include <numbers>

namespace {

constexpr Spring bouncy{0.42, 0.76};
constexpr Spring critical{0.42, 1};

using Change = std::function<void(AnimatedValue&, AnimationClock&)>;

// A motion of a value at 0, and where it ends.
struct SleepRow
{
    std::function<void(AnimatedValue&)> start;
    double target;
};

} // namespace

Q_DECLARE_METATYPE(SleepRow)

class TestAnimation final : public QObject
{
    Q_OBJECT

private:
    FakeClock m_time;

    void frames(AnimationClock& clock, int count, qint64 ms = AnimationClock::frameMs)
    {
        for (int i = 0; i < count; ++i) {
            m_time.advance(ms);
            clock.tick();
        }
    }

private slots:
    void easing_data()
    {
        QTest::addColumn<Easing>("easing");
        QTest::addColumn<double>("t");
        QTest::addColumn<double>("expected");
        QTest::newRow("easeIn before the start") << Easing::easeIn << -0.5 << 0.0;
        QTest::newRow("easeOut after the end") << Easing::easeOut << 1.5 << 1.0;
        QTest::newRow("linear middle") << Easing::linear << 0.5 << 0.5;
        QTest::newRow("easeOut middle") << Easing::easeOut << 0.5 << 0.6846432;
    }

    void easing()
    {
        QFETCH(Easing, easing);
        QFETCH(double, t);
        QFETCH(double, expected);
        QVERIFY2(std::abs(ease(easing, t) - expected) < 1e-5, qPrintable(QString::number(ease(easing, t))));
    }

    void springReachesTarget_data()
    {
        QTest::addColumn<Spring>("spring");
        QTest::addColumn<double>("overshoot");
        QTest::newRow("critically damped") << critical << 0.0;
        // A damped oscillator's first peak overshoots by exp(-pi zeta / sqrt(1 - zeta^2)).
        QTest::newRow("under-damped") << bouncy << std::exp(-std::numbers::pi * 0.76 / std::sqrt(1 - 0.76 * 0.76));
    }

    void springReachesTarget()
    {
        QFETCH(Spring, spring);
        QFETCH(double, overshoot);
        AnimationClock clock(m_time);
        AnimatedValue value(clock, {0});
        value.springTo({100}, spring);
        QVERIFY(clock.isTicking());

        double peak = 0;
        int ticks = 0;
        while (value.isAnimating() && ticks < 120) {
            frames(clock, 1);
            peak = std::max(peak, value.value().first());
            ++ticks;
        }
        QVERIFY2(ticks < 75, "settles within 1.2 s");
        QCOMPARE(value.value(), QList<double>{100});
        QVERIFY(!clock.isTicking());
        if (overshoot == 0)
            QCOMPARE(peak, 100.0);
        else
            QVERIFY2(std::abs(peak - 100 * (1 + overshoot)) < 0.2, qPrintable(QString::number(peak)));
    }

    // The motion is solved exactly, so a stalled frame lands where smooth frames would have.
    void springIgnoresFrameGaps_data()
    {
        QTest::addColumn<Spring>("spring");
        QTest::addColumn<int>("gapMs");
        QTest::newRow("under-damped") << bouncy << 400;
        QTest::newRow("over-damped") << Spring{0.3, 1.5} << 400;
    }

    void springIgnoresFrameGaps()
    {
        QFETCH(Spring, spring);
        QFETCH(int, gapMs);
        AnimationClock smoothClock(m_time);
        AnimationClock stalledClock(m_time);
        AnimatedValue smooth(smoothClock, {0, 50});
        AnimatedValue stalled(stalledClock, {0, 50});
        smooth.springTo({100, -50}, spring);
        stalled.springTo({100, -50}, spring);
        frames(smoothClock, gapMs / 20, 20);
        stalledClock.tick();
        for (int i = 0; i < 2; ++i) {
            QVERIFY(std::isfinite(stalled.value().at(i)));
            QVERIFY(std::abs(smooth.value().at(i) - stalled.value().at(i)) < 1e-2);
        }
    }

    void retargetKeepsVelocity_data()
    {
        QTest::addColumn<bool>("easing");
        QTest::newRow("from a spring") << false;
        QTest::newRow("from an ease") << true;
    }

    void retargetKeepsVelocity()
    {
        QFETCH(bool, easing);
        AnimationClock clock(m_time);
        AnimatedValue value(clock, {0});
        if (easing)
            value.easeTo({100}, 0.5, Easing::linear);
        else
            value.springTo({100}, critical);
        frames(clock, 4);
        const double before = value.value().first();
        QSignalSpy changes(&value, &AnimatedValue::valueChanged);
        value.springTo({0}, bouncy);
        QCOMPARE(changes.size(), 0);
        QCOMPARE(value.value().first(), before);
        frames(clock, 1);
        QVERIFY2(value.value().first() > before, "still moving towards the old target");
        frames(clock, 120);
        QCOMPARE(value.value(), QList<double>{0});
        QVERIFY(!clock.isTicking());
    }

    void easeTakesItsDuration()
    {
        AnimationClock clock(m_time);
        AnimatedValue value(clock, {0, 10});
        value.easeTo({10, -10}, 1.0, Easing::linear);
        frames(clock, 5, 100);
        QCOMPARE(value.value(), (QList<double>{5, 0}));
        frames(clock, 4, 100);
        QVERIFY(value.isAnimating());
        frames(clock, 1, 150);
        QCOMPARE(value.value(), (QList<double>{10, -10}));
        QVERIFY(!value.isAnimating());
        QVERIFY(!clock.isTicking());

        value.easeTo({0, 0}, 0.8, Easing::easeInOut);
        frames(clock, 1, 200);
        QVERIFY(std::abs(value.value().first() - 10 * (1 - 0.1291619)) < 1e-4);
    }

    // A value told what looks the same takes only the frames that show a whole step more, on the exact path
    // a value taking every frame follows, and lands on its target.
    void valueSleepsThroughFramesThatLookTheSame_data()
    {
        QTest::addColumn<SleepRow>("row");
        QTest::newRow("critical spring") << SleepRow{[](AnimatedValue& v) { v.springTo({10}, critical); }, 10};
        QTest::newRow("bouncy spring: overshoot shown")
            << SleepRow{[](AnimatedValue& v) { v.springTo({10}, bouncy); }, 10};
        QTest::newRow("ease") << SleepRow{[](AnimatedValue& v) { v.easeTo({-10}, 0.5, Easing::easeInOut); }, -10};
        QTest::newRow("spring under a step: at once")
            << SleepRow{[](AnimatedValue& v) { v.springTo({0.6}, bouncy); }, 0.6};
        QTest::newRow("ease under a step: at once")
            << SleepRow{[](AnimatedValue& v) { v.easeTo({-0.9}, 1, Easing::linear); }, -0.9};
    }

    // Steps of 1: each frame taken shows at least that much more.
    void valueSleepsThroughFramesThatLookTheSame()
    {
        QFETCH(SleepRow, row);
        const bool moves = std::abs(row.target) >= 1;
        AnimationClock clock(m_time);
        AnimationClock twinClock(m_time);
        AnimatedValue value(clock, {0});
        AnimatedValue twin(twinClock, {0}); // takes every frame
        value.setSameOnScreen(AnimatedValue::withinSteps({1}));
        row.start(value);
        row.start(twin);
        QCOMPARE(clock.isTicking(), moves);
        double shown = value.value().first();
        int ticks = 0;
        for (int i = 0; i < 300 && (clock.isTicking() || twinClock.isTicking()); ++i) {
            m_time.advance(AnimationClock::frameMs);
            twinClock.tick();
            const std::optional<qint64> due = clock.dueMs();
            if (!due || *due > m_time.monotonicMs()) {
                QCOMPARE(value.value().first(), shown);
                continue;
            }
            clock.tick();
            ++ticks;
            const double now = value.value().first();
            QVERIFY(std::abs(now - shown) >= 1 || now == row.target);
            if (value.isAnimating())
                QVERIFY(std::abs(now - twin.value().first()) < 1e-9);
            shown = now;
        }
        QCOMPARE(value.value(), QList<double>{row.target});
        QVERIFY(!clock.isTicking());
        QCOMPARE(ticks > 0, moves);
    }

    // A sleeping value leaves the clock asleep only until another animation wants its next frame.
    void anEveryFrameAnimationWakesTheClock()
    {
        AnimationClock clock(m_time);
        AnimatedValue sleeper(clock, {0});
        sleeper.setSameOnScreen(AnimatedValue::withinSteps({40}));
        sleeper.easeTo({100}, 1, Easing::linear);
        QCOMPARE(clock.dueMs(), m_time.monotonicMs() + 400);
        AnimatedValue eager(clock, {0});
        eager.easeTo({1}, 1, Easing::linear);
        QCOMPARE(clock.dueMs(), m_time.monotonicMs() + AnimationClock::frameMs);
        frames(clock, 1);
        QCOMPARE(sleeper.value().first(), 0.0);
        QVERIFY(eager.value().first() > 0);
    }

    void changesThatJump_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QList<double>>("target");
        QTest::addColumn<int>("emitted");
        QTest::newRow("spring to another size") << Change([](AnimatedValue& v, AnimationClock&) {
            v.springTo({1, 2}, bouncy);
        }) << QList<double>{1, 2} << 1;
        QTest::newRow("ease to another size")
            << Change([](AnimatedValue& v, AnimationClock&) { v.easeTo({}, 1, Easing::linear); }) << QList<double>{}
            << 1;
        QTest::newRow("spring without response") << Change([](AnimatedValue& v, AnimationClock&) {
            v.springTo({7}, Spring{0, 1});
        }) << QList<double>{7} << 1;
        QTest::newRow("spring to where it is")
            << Change([](AnimatedValue& v, AnimationClock&) { v.springTo({3}, bouncy); }) << QList<double>{3} << 0;
        QTest::newRow("jump to where it is")
            << Change([](AnimatedValue& v, AnimationClock&) { v.jumpTo({3}); }) << QList<double>{3} << 0;
        QTest::newRow("jump in flight") << Change([this](AnimatedValue& v, AnimationClock& clock) {
            v.springTo({50}, bouncy);
            frames(clock, 3);
            v.jumpTo({7});
        }) << QList<double>{7} << 4;
    }

    void changesThatJump()
    {
        QFETCH(Change, change);
        QFETCH(QList<double>, target);
        QFETCH(int, emitted);
        AnimationClock clock(m_time);
        AnimatedValue value(clock, {3});
        QSignalSpy changes(&value, &AnimatedValue::valueChanged);
        change(value, clock);
        QCOMPARE(value.value(), target);
        QCOMPARE(value.target(), target);
        QVERIFY(!value.isAnimating());
        QVERIFY(!clock.isTicking());
        QCOMPARE(changes.size(), emitted);
    }

    void loops_data()
    {
        QTest::addColumn<bool>("reverses");
        QTest::addColumn<Easing>("easing");
        QTest::addColumn<qint64>("elapsedMs");
        QTest::addColumn<double>("phase");
        QTest::newRow("repeat, first quarter") << false << Easing::linear << qint64(250) << 0.25;
        QTest::newRow("repeat, second lap") << false << Easing::linear << qint64(1750) << 0.75;
        QTest::newRow("reverse, at the far end") << true << Easing::linear << qint64(1000) << 1.0;
        QTest::newRow("reverse, long stall") << true << Easing::linear << qint64(31'500) << 0.5;
        QTest::newRow("reverse eased, coming back") << true << Easing::easeInOut << qint64(1250) << 0.8708381;
        QTest::newRow("repeat eased") << false << Easing::easeIn << qint64(4500) << 0.3153568;
    }

    void loops()
    {
        QFETCH(bool, reverses);
        QFETCH(Easing, easing);
        QFETCH(qint64, elapsedMs);
        QFETCH(double, phase);
        AnimationClock clock(m_time);
        LoopAnimation loop(clock);
        loop.start(1.0, easing, reverses);
        frames(clock, 1, elapsedMs);
        QVERIFY2(std::abs(loop.phase() - phase) < 1e-5, qPrintable(QString::number(loop.phase())));
        QVERIFY(clock.isTicking());
        loop.stop();
        QCOMPARE(loop.phase(), 0.0);
        QVERIFY(!clock.isTicking());
    }

    void clockRunsOnlyWhileSomethingMoves()
    {
        AnimationClock clock(m_time);
        QVERIFY(!clock.isTicking());
        LoopAnimation loop(clock);
        AnimatedValue value(clock, {0});
        loop.start(0.7, Easing::easeInOut, true);
        value.easeTo({1}, 0.1, Easing::linear);
        frames(clock, 10);
        QVERIFY(!value.isAnimating());
        QVERIFY(clock.isTicking());
        loop.stop();
        QVERIFY(!clock.isTicking());
        loop.start(0, Easing::linear, false);
        QVERIFY(!clock.isTicking());

        value.springTo({0}, Spring{0.42, 0}); // undamped: it would ring, and tick, for ever
        frames(clock, 300, 100);
        QVERIFY(!clock.isTicking());
    }

    // Handlers start, stop and delete animations while the clock is walking its list.
    void clientsComingAndGoingDuringATick()
    {
        AnimationClock clock(m_time);
        AnimatedValue leader(clock, {0});
        auto* doomed = new AnimatedValue(clock, {0});
        QPointer<AnimatedValue> watched(doomed);
        auto* selfDeleting = new LoopAnimation(clock);
        LoopAnimation follower(clock);
        connect(&leader, &AnimatedValue::valueChanged, this, [&] {
            delete watched.data();
            follower.start(1, Easing::linear, false);
            leader.easeTo({-1}, 1, Easing::linear);
        });
        connect(selfDeleting, &LoopAnimation::phaseChanged, selfDeleting, [selfDeleting] { delete selfDeleting; });
        leader.springTo({1}, bouncy);
        doomed->springTo({1}, bouncy);
        selfDeleting->start(1, Easing::linear, false);

        frames(clock, 1);
        QVERIFY(watched.isNull());
        QVERIFY(follower.isAnimating());
        QVERIFY(leader.isAnimating());
        frames(clock, 2);
        QVERIFY(clock.isTicking());

        auto* dropped = new AnimatedValue(clock, {0});
        dropped->springTo({1}, bouncy);
        delete dropped;
        leader.disconnect(this);
        leader.jumpTo({0});
        follower.stop();
        QVERIFY(!clock.isTicking());
        frames(clock, 1);
    }
};

WISPLET_TEST_MAIN(TestAnimation)
#include "tst_animation.moc"
