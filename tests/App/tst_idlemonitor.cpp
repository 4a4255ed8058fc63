#include "Wisplet/App/IdleMonitor.h"
#include "Wisplet/Platform/IdleSource.h"
#include "Wisplet/Platform/SleepWatcher.h"
#include "tests/support/FakePeekSources.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestMain.h"

namespace {

const QString yawn = QStringLiteral("yaaawn");
const QString stretch = QStringLiteral("*stretch*");

class FakeIdle final : public IdleSource
{
public:
    double seconds = 0;
    double secondsSinceLastInput() const override { return seconds; }
};

} // namespace

class IdleMonitorTest final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CompanionFixture> m_fixture;
    WispState* m_wisp = nullptr;
    AppSettings* m_settings = nullptr;
    FakeIdle m_idle;
    FakeMediaPeek m_media;
    std::unique_ptr<SleepWatcher> m_sleep;
    std::unique_ptr<IdleMonitor> m_monitor;
    QStringList m_bubbles;

    // One poll a little later, with the user away for `seconds`; reactions that have run out end on the way.
    void pollAfterIdle(double seconds)
    {
        m_fixture->scheduler.advance(IdleMonitor::pollIntervalMs);
        m_idle.seconds = seconds;
        m_monitor->poll();
    }

private slots:
    void init()
    {
        m_monitor.reset();
        m_fixture = std::make_unique<CompanionFixture>();
        m_wisp = m_fixture->wisp.get();
        m_settings = &m_fixture->settings;
        m_idle.seconds = 0;
        m_media.current.reset();
        m_sleep = std::make_unique<NullSleepWatcher>();
        m_monitor = std::make_unique<IdleMonitor>(
            IdleMonitor::Services{*m_wisp, *m_settings, m_idle, *m_sleep, m_fixture->clock}, &m_media);
        m_bubbles.clear();
        connect(m_wisp, &WispState::bubbleChanged, m_wisp, [this](const std::optional<QString>& bubble) {
            if (bubble)
                m_bubbles.append(*bubble);
        });
    }

    void thresholds_data()
    {
        QTest::addColumn<double>("yawnMinutes");
        QTest::addColumn<double>("sleepMinutes");
        QTest::addColumn<double>("idleSeconds");
        QTest::addColumn<QStringList>("bubbles");
        QTest::addColumn<bool>("asleep");

        QTest::newRow("just below the yawn threshold") << 10.0 << 20.0 << 599.9 << QStringList() << false;
        QTest::newRow("at the yawn threshold") << 10.0 << 20.0 << 600.0 << QStringList{yawn} << false;
        QTest::newRow("at the sleep threshold, no yawn first") << 10.0 << 20.0 << 1200.0 << QStringList() << true;
        QTest::newRow("sleep equal to yawn: straight to sleep") << 5.0 << 5.0 << 300.0 << QStringList() << true;
    }

    void thresholds()
    {
        QFETCH(double, yawnMinutes);
        QFETCH(double, sleepMinutes);
        QFETCH(double, idleSeconds);
        QFETCH(QStringList, bubbles);
        QFETCH(bool, asleep);
        m_settings->setYawnAfterMinutes(yawnMinutes);
        m_settings->setSleepAfterMinutes(sleepMinutes);

        pollAfterIdle(idleSeconds);
        QCOMPARE(m_bubbles, bubbles);
        QCOMPARE(m_wisp->isAsleep(), asleep);
    }

    void oneYawnPerIdleStretchThenSleepAndAStretch()
    {
        pollAfterIdle(600);
        pollAfterIdle(900);
        pollAfterIdle(1200);
        QVERIFY(m_wisp->isAsleep());
        QCOMPARE(m_bubbles, QStringList{yawn});
        const int bounces = m_wisp->bounceToken();

        pollAfterIdle(1);
        QVERIFY(!m_wisp->isAsleep());
        QCOMPARE(m_bubbles, (QStringList{yawn, stretch}));
        QCOMPARE(m_wisp->transientMood(), std::optional(Mood::surprised));
        QCOMPARE(m_wisp->bounceToken(), bounces + 1);
        pollAfterIdle(600);
        QCOMPARE(m_bubbles, (QStringList{yawn, stretch, yawn}));
    }

    void staysAwakeWhileMusicPlays()
    {
        m_media.current = PeekTrack{QStringLiteral("Morning Light"), true};
        pollAfterIdle(600);
        pollAfterIdle(1300);
        pollAfterIdle(1400);
        QVERIFY(!m_wisp->isAsleep());
        QCOMPARE(m_bubbles, QStringList{yawn});

        m_media.current->playing = false;
        pollAfterIdle(1402);
        QVERIFY(m_wisp->isAsleep());
    }

    void idleBehavioursOffWakeSilently()
    {
        m_settings->setIdleBehaviours(false);
        m_monitor->start();
        emit m_sleep->displaysDidSleep();
        QVERIFY(m_wisp->isAsleep());

        pollAfterIdle(5000);
        QVERIFY(!m_wisp->isAsleep());
        QVERIFY(m_bubbles.isEmpty());
    }

    void sleepsAndWakesWithTheMachineAndDisplays_data()
    {
        QTest::addColumn<bool>("machine");
        QTest::newRow("machine") << true;
        QTest::newRow("displays") << false;
    }

    void sleepsAndWakesWithTheMachineAndDisplays()
    {
        QFETCH(bool, machine);
        m_monitor->start();
        pollAfterIdle(600);
        m_fixture->scheduler.advance(5000);

        emit(machine ? m_sleep->willSleep() : m_sleep->displaysDidSleep());
        QVERIFY(m_wisp->isAsleep());
        emit(machine ? m_sleep->didWake() : m_sleep->displaysDidWake());
        QVERIFY(!m_wisp->isAsleep());
        QCOMPARE(m_bubbles, (QStringList{yawn, stretch}));
        QVERIFY(!m_monitor->hasYawned());

        m_monitor->stop();
        emit(machine ? m_sleep->willSleep() : m_sleep->displaysDidSleep());
        QVERIFY(!m_wisp->isAsleep());
    }

    void wakeFromSleepCatchesUpWithQuietMode_data()
    {
        QTest::addColumn<int>("quietMinutes");
        QTest::addColumn<bool>("stillQuiet");
        QTest::newRow("ended while asleep") << 10 << false;
        QTest::newRow("ten minutes left") << 40 << true;
    }

    void wakeFromSleepCatchesUpWithQuietMode()
    {
        QFETCH(int, quietMinutes);
        QFETCH(bool, stillQuiet);
        const QDateTime start = m_fixture->clock.now();
        m_settings->setQuietMode(true);
        m_settings->setQuietUntil(start.addSecs(quietMinutes * 60));
        m_settings->scheduleQuietTimer();
        m_monitor->start();
        emit m_sleep->willSleep();

        // Suspended for half an hour: the wall clock moves, the timers do not.
        m_fixture->clock.setNow(start.addSecs(30 * 60));
        emit m_sleep->didWake();
        QCOMPARE(m_settings->quietMode(), stillQuiet);
        QVERIFY(!m_wisp->isAsleep());
        if (stillQuiet) {
            QVERIFY(m_bubbles.isEmpty());
            QCOMPARE(m_fixture->scheduler.pendingDelays(), std::vector<qint64>{10 * 60 * 1000});
        } else {
            QCOMPARE(m_bubbles, QStringList{stretch});
            QVERIFY(!m_settings->isQuietTimerArmed());
        }
    }
};

WISPLET_TEST_MAIN(IdleMonitorTest)

#include "tst_idlemonitor.moc"
