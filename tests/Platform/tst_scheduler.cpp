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

} // namespace

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

    // A blink's pattern: the handle of a call that already ran is replaced by a new call, which Qt may give
    // the same timer id; dropping the spent handle must not cancel the new call.
    void replacingASpentHandleKeepsTheNewCall()
    {
        QtScheduler scheduler;
        int fired = 0;
        std::unique_ptr<ScheduledCall> handle = scheduler.callAfter(0ms, [&] { ++fired; });
        for (int round = 1; round <= 20; ++round) {
            QTRY_COMPARE_WITH_TIMEOUT(fired, round, patience);
            handle = scheduler.callAfter(0ms, [&] { ++fired; });
        }
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

    // Many calls waiting at once each fire once, at their own time, whatever was dropped among them.
    void manyQtCallsFireOnceEachInTheirOrder()
    {
        QtScheduler scheduler;
        QList<int> fired;
        std::vector<std::unique_ptr<ScheduledCall>> calls;
        // Delays 20 ms apart, so that making the calls never takes long enough to reorder them.
        for (int i = 0; i < 200; ++i) {
            const auto delay = std::chrono::milliseconds(20 + (i % 10) * 20);
            calls.push_back(scheduler.callAfter(delay, [&fired, i] { fired << i; }));
        }
        for (int i = 0; i < 200; i += 3)
            calls[std::size_t(i)].reset();

        QTRY_COMPARE_WITH_TIMEOUT(fired.size(), 133, patience);
        QList<int> expected;
        for (int delay = 0; delay < 10; ++delay) {
            for (int i = delay; i < 200; i += 10) {
                if (i % 3 != 0)
                    expected << i;
            }
        }
        QCOMPARE(fired, expected);
        QVERIFY(std::none_of(calls.begin(), calls.end(), [](const auto& call) { return call && call->isPending(); }));
    }

    // A handle kept past its scheduler is simply no longer pending.
    void aHandleMayOutliveItsScheduler()
    {
        std::unique_ptr<ScheduledCall> call;
        {
            QtScheduler scheduler;
            call = scheduler.callAfter(10s, [] {});
            QVERIFY(call->isPending());
        }
        QVERIFY(!call->isPending());
    }

    // Calls due together fire as asked, as Qt's timers do. The fake's other rules (due order, dropped and
    // nested calls, the clock at each call) break the tests that use it when they break.
    void fakeCallsDueTogetherFireAsAsked()
    {
        FakeClock clock;
        FakeScheduler scheduler(clock);
        QStringList fired;
        std::vector<std::unique_ptr<ScheduledCall>> calls;
        for (const QString name : {"x", "y", "z"})
            calls.push_back(scheduler.callAfter(50ms, [&fired, name] { fired << name; }));
        scheduler.advance(50);
        QCOMPARE(fired, (QStringList{"x", "y", "z"}));
    }
};

WISPLET_TEST_MAIN(TestScheduler)
#include "tst_scheduler.moc"
