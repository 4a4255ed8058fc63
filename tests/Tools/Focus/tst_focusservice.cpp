#include "Wisplet/Tools/Focus/FocusService.h"
#include "tests/Tools/Focus/FocusFixture.h"
#include "tests/support/TestMain.h"

namespace {

enum class Then { nothing, startSession, pauseSession, finishCountdown, stopTool };

} // namespace

Q_DECLARE_METATYPE(Then)

class TestFocusService final : public QObject
{
    Q_OBJECT

private slots:
    // The engine ticks each second only while its clock runs; at rest it ticks every few seconds, and a
    // stopped tool does not tick at all, whatever the session does.
    void theTickFollowsTheSession_data()
    {
        QTest::addColumn<bool>("runningAtStart");
        QTest::addColumn<Then>("then");
        QTest::addColumn<bool>("ticking");
        QTest::addColumn<int>("interval");

        QTest::newRow("idle: resting") << false << Then::nothing << true << FocusService::restingTickMs;
        QTest::newRow("running at start") << true << Then::nothing << true << FocusService::tickMs;
        QTest::newRow("a session starts") << false << Then::startSession << true << FocusService::tickMs;
        QTest::newRow("the session pauses") << true << Then::pauseSession << true << FocusService::restingTickMs;
        QTest::newRow("a countdown ends") << true << Then::finishCountdown << true << FocusService::restingTickMs;
        QTest::newRow("tool stopped") << true << Then::stopTool << false << FocusService::restingTickMs;
    }

    void theTickFollowsTheSession()
    {
        QFETCH(bool, runningAtStart);
        QFETCH(Then, then);
        QFETCH(bool, ticking);
        QFETCH(int, interval);

        FocusFixture fixture;
        FocusEngine& engine = fixture.launch();
        if (runningAtStart)
            engine.startCustom(60);
        FocusService service(engine);
        service.start();

        switch (then) {
        case Then::nothing:
            break;
        case Then::startSession:
            engine.startCustom(60);
            break;
        case Then::pauseSession:
            engine.pause();
            break;
        case Then::finishCountdown:
            fixture.pass(61);
            break;
        case Then::stopTool:
            service.stop();
            engine.start(); // a stopped tool's timer stays off
            break;
        }
        QCOMPARE(service.isTicking(), ticking);
        QCOMPARE(service.tickInterval(), interval);
    }
};

WISPLET_TEST_MAIN(TestFocusService)
#include "tst_focusservice.moc"
