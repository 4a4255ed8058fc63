#include "Wisplet/Platform/Scheduler.h"
#include "tests/support/FakeScheduler.h"
#include "tests/support/TestMain.h"

#include <algorithm>
#include <memory>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Real timers are waited for, never slept on; the limit only guards against a hang.
constexpr int patience = 10'000;

struct Firing
{
    QString name;
    qint64 atMs;

    bool operator==(const Firing&) const = default;
};

} // namespace

Q_DECLARE_METATYPE(std::vector<Firing>)

namespace QTest {
template <>
char* toString(const std::vector<Firing>& firings)
{
    QStringList parts;
    for (const Firing& firing : firings)
        parts.append(QStringLiteral("%1@%2").arg(firing.name).arg(firing.atMs));
    return qstrdup(qPrintable(parts.join(u' ')));
}
} // namespace QTest

class TestScheduler final : public QObject
{
    Q_OBJECT

private slots:
    void aQtCallFiresOnceAfterItsDelay()
    {
        QtScheduler scheduler;
        int calls = 0;
        bool fenceFired = false;
        const auto call = scheduler.callAfter(20ms, [&] { ++calls; });
        QVERIFY(call->isPending());
        // Never from inside callAfter, even with no delay at all.
        const auto immediate = scheduler.callAfter(0ms, [&] { ++calls; });
        QCOMPARE(calls, 0);

        QTRY_COMPARE_WITH_TIMEOUT(calls, 2, patience);
        QVERIFY(!call->isPending());
        QVERIFY(!immediate->isPending());

        // A later call marks a point past any second firing of the first two.
        const auto fence = scheduler.callAfter(60ms, [&] { fenceFired = true; });
        QTRY_VERIFY_WITH_TIMEOUT(fenceFired, patience);
        QCOMPARE(calls, 2);
    }

    void droppingTheHandleCancelsAQtCall()
    {
        QtScheduler scheduler;
        bool cancelledFired = false;
        bool fenceFired = false;
        auto cancelled = scheduler.callAfter(10ms, [&] { cancelledFired = true; });
        const auto fence = scheduler.callAfter(60ms, [&] { fenceFired = true; });
        cancelled.reset();

        QTRY_VERIFY_WITH_TIMEOUT(fenceFired, patience);
        QVERIFY(!cancelledFired);
    }

    void aQtCallMayDropItsOwnHandle()
    {
        QtScheduler scheduler;
        auto captured = std::make_shared<int>(0);
        std::unique_ptr<ScheduledCall> call;
        int calls = 0;
        call = scheduler.callAfter(5ms, [&, captured] {
            call.reset();
            // The closure and what it holds must outlive the handle that owned it.
            ++*captured;
            ++calls;
        });
        QTRY_COMPARE_WITH_TIMEOUT(calls, 1, patience);
        QVERIFY(!call);
        QCOMPARE(*captured, 1);
        QCOMPARE(captured.use_count(), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void aQtCallMayDropAnotherDueOne()
    {
        QtScheduler scheduler;
        std::unique_ptr<ScheduledCall> second;
        bool secondFired = false;
        bool fenceFired = false;
        const auto first = scheduler.callAfter(0ms, [&] { second.reset(); });
        second = scheduler.callAfter(0ms, [&] { secondFired = true; });
        const auto fence = scheduler.callAfter(40ms, [&] { fenceFired = true; });
        QTRY_VERIFY_WITH_TIMEOUT(fenceFired, patience);
        QVERIFY(!second);
        QVERIFY(!secondFired);
    }

    void fakeCallsFireInDueOrderAtTheirOwnTime_data()
    {
        QTest::addColumn<std::vector<Firing>>("requests");
        QTest::addColumn<std::vector<qint64>>("steps");
        QTest::addColumn<std::vector<Firing>>("expected");

        QTest::newRow("in due order, not request order")
            << std::vector<Firing>{{"c", 300}, {"a", 100}, {"b", 200}} << std::vector<qint64>{1000}
            << std::vector<Firing>{{"a", 100}, {"b", 200}, {"c", 300}};
        QTest::newRow("ties in request order")
            << std::vector<Firing>{{"x", 50}, {"y", 50}, {"z", 50}} << std::vector<qint64>{50}
            << std::vector<Firing>{{"x", 50}, {"y", 50}, {"z", 50}};
        QTest::newRow("due exactly at the end of a step, not before")
            << std::vector<Firing>{{"a", 150}, {"b", 201}} << std::vector<qint64>{100, 100}
            << std::vector<Firing>{{"a", 150}};
        QTest::newRow("no delay fires on the next advance")
            << std::vector<Firing>{{"now", 0}} << std::vector<qint64>{0} << std::vector<Firing>{{"now", 0}};
    }

    void fakeCallsFireInDueOrderAtTheirOwnTime()
    {
        QFETCH(std::vector<Firing>, requests);
        QFETCH(std::vector<qint64>, steps);
        QFETCH(std::vector<Firing>, expected);

        FakeClock clock;
        FakeScheduler scheduler(clock);
        const qint64 start = clock.monotonicMs();
        const QDateTime wallStart = clock.now();
        std::vector<Firing> fired;
        std::vector<std::unique_ptr<ScheduledCall>> calls;
        for (const Firing& request : requests) {
            const QString name = request.name;
            calls.push_back(scheduler.callAfter(std::chrono::milliseconds(request.atMs), [&, name] {
                fired.push_back({name, clock.monotonicMs() - start});
                QCOMPARE(wallStart.msecsTo(clock.now()), clock.monotonicMs() - start);
            }));
        }
        qint64 total = 0;
        for (const qint64 step : steps) {
            scheduler.advance(step);
            total += step;
        }
        QCOMPARE(fired, expected);
        QCOMPARE(clock.monotonicMs() - start, total);
        QCOMPARE(scheduler.pendingCount(), int(requests.size() - expected.size()));
        for (std::size_t i = 0; i < requests.size(); ++i) {
            const bool didFire = std::any_of(expected.begin(), expected.end(),
                                             [&](const Firing& f) { return f.name == requests[i].name; });
            QCOMPARE(calls[i]->isPending(), !didFire);
        }
    }

    void cancelledFakeCallsNeverFire()
    {
        FakeClock clock;
        FakeScheduler scheduler(clock);
        QStringList fired;
        auto dropped = scheduler.callAfter(100ms, [&] { fired.append(QStringLiteral("dropped")); });
        std::unique_ptr<ScheduledCall> droppedByAnother =
            scheduler.callAfter(200ms, [&] { fired.append(QStringLiteral("droppedByAnother")); });
        const auto kept = scheduler.callAfter(150ms, [&] {
            fired.append(QStringLiteral("kept"));
            droppedByAnother.reset();
        });
        const auto after = scheduler.callAfter(150ms, [&] { fired.append(QStringLiteral("after")); });
        QCOMPARE(scheduler.pendingDelays(), (std::vector<qint64>{100, 200, 150, 150}));

        dropped.reset();
        QCOMPARE(scheduler.pendingDelays(), (std::vector<qint64>{200, 150, 150}));
        scheduler.advance(1000);
        QCOMPARE(fired, (QStringList{QStringLiteral("kept"), QStringLiteral("after")}));
        QCOMPARE(scheduler.pendingCount(), 0);
    }

    void callsScheduledFromACallFireWithinTheSameAdvance()
    {
        FakeClock clock;
        FakeScheduler scheduler(clock);
        const qint64 start = clock.monotonicMs();
        std::vector<Firing> fired;
        std::vector<std::unique_ptr<ScheduledCall>> calls;
        const auto record = [&](const char* name) { fired.push_back({name, clock.monotonicMs() - start}); };
        calls.push_back(scheduler.callAfter(100ms, [&] {
            record("outer");
            calls.push_back(scheduler.callAfter(0ms, [&] { record("at once"); }));
            calls.push_back(scheduler.callAfter(50ms, [&] {
                record("nested");
                calls.push_back(scheduler.callAfter(10ms, [&] { record("deeper"); }));
            }));
            calls.push_back(scheduler.callAfter(500ms, [&] { record("too late"); }));
        }));
        const auto between = scheduler.callAfter(120ms, [&] { record("between"); });

        scheduler.advance(200);
        QCOMPARE(fired,
                 (std::vector<Firing>{
                     {"outer", 100}, {"at once", 100}, {"between", 120}, {"nested", 150}, {"deeper", 160}}));
        QCOMPARE(scheduler.pendingDelays(), std::vector<qint64>{500});
        QCOMPARE(clock.monotonicMs() - start, 200);

        scheduler.advance(400);
        QCOMPARE(fired.back(), (Firing{"too late", 600}));
    }
};

WISPLET_TEST_MAIN(TestScheduler)
#include "tst_scheduler.moc"
