#include "tests/support/Fixtures.h"
#include "tests/support/TestMain.h"
#include "tests/support/VisualOrder.h"

#include <QThread>

using K = WispEvent::Kind;

struct Reaction
{
    WispEvent event = WispEvent::of(WispEvent::Kind::cpuHot);
    Mood mood = Mood::happy;
    std::optional<QString> bubble;
    bool bounces = false;
    int priority = 0;
    int ms = 0;
};
Q_DECLARE_METATYPE(Reaction)
Q_DECLARE_METATYPE(WispEvent)

class TestWispState final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CompanionFixture> m_fixture;
    WispState* m_wisp = nullptr;
    AppSettings* m_settings = nullptr;

    void expectShowing(Mood mood, const std::optional<QString>& bubble)
    {
        QCOMPARE(m_wisp->transientMood(), std::optional(mood));
        QCOMPARE(m_wisp->bubble(), bubble);
    }

    // Each of these stills the face: no blinks, no eye movement, no falling asleep.
    static QStringList stillingReasons()
    {
        return {"reduced motion", "desktop reduces motion", "full screen", "presenting"};
    }
    void holdStill(const QString& why)
    {
        if (why == "asleep")
            m_wisp->setAsleep(true);
        else if (why == "reduced motion")
            m_settings->setReducedMotion(true);
        else if (why == "desktop reduces motion")
            m_fixture->motion.reduce = true;
        else if (why == "full screen")
            m_wisp->setHiddenForFullscreen(true);
        else if (why == "presenting")
            m_settings->setPresentationMode(true);
    }
    static void addReasons(const QStringList& reasons)
    {
        QTest::addColumn<QString>("why");
        for (const QString& why : reasons)
            QTest::newRow(qPrintable(why)) << why;
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<CompanionFixture>();
        m_wisp = m_fixture->wisp.get();
        m_settings = &m_fixture->settings;
    }

    void eventsBecomeTheirReactions_data()
    {
        QTest::addColumn<Reaction>("row");
        // One of each kind: important and still, ambient with a bounce, no bubble at all.
        QTest::newRow("meeting") << Reaction{
            WispEvent::meetingSoon("Standup"), Mood::thinking, u8"\u2068Standup\u2069 in 5 min", false, 3, 6000};
        QTest::newRow("music") << Reaction{
            WispEvent::musicStarted("Morning Light"), Mood::happy, u8"\u266A \u2068Morning Light\u2069", true, 0, 4000};
        QTest::newRow("clipboard") << Reaction{WispEvent::of(K::clipboardCopied), Mood::surprised, {}, false, 0, 900};
    }

    void eventsBecomeTheirReactions()
    {
        QFETCH(Reaction, row);
        m_settings->setReactionGroupEnabled("clipboard", true);

        m_wisp->handle(row.event);
        expectShowing(row.mood, row.bubble);
        QCOMPARE(m_wisp->bounceToken(), row.bounces ? 1 : 0);
        QCOMPARE(m_wisp->activePriority(), row.priority);
        QCOMPARE(m_wisp->displayMood(), row.mood);
        m_fixture->scheduler.advance(row.ms - 1);
        QVERIFY(m_wisp->transientMood());
        m_fixture->scheduler.advance(1);
        QVERIFY(!m_wisp->transientMood());
        QVERIFY(!m_wisp->bubble());
        QCOMPARE(m_wisp->activePriority(), -1);
    }

    // A right-to-left override in an event's text stays inside it: the bubble's own words after it read as
    // written.
    void anEventsTextCannotReorderTheBubblesOwnWords_data()
    {
        QTest::addColumn<WispEvent>("event");
        QTest::addColumn<QString>("ours");
        QTest::newRow("override") << WispEvent::meetingSoon(u8"Standup\u202E") << " in 5 min";
        QTest::newRow("embedding") << WispEvent::meetingSoon(u8"Standup\u202B") << " in 5 min";
        QTest::newRow("isolate left open") << WispEvent::meetingSoon(u8"Standup\u2067") << " in 5 min";
    }

    void anEventsTextCannotReorderTheBubblesOwnWords()
    {
        QFETCH(WispEvent, event);
        QFETCH(QString, ours);
        m_wisp->handle(event);
        const QString bubble = m_wisp->bubble().value_or(QString());
        QVERIFY(bubble.endsWith(ours));
        QVERIFY(VisualOrder::endReadsInOrder(bubble, ours.size()));
    }

    void aGroupThatIsOffDoesNothingAtAll()
    {
        m_wisp->setAsleep(true);
        m_wisp->handle(WispEvent::of(K::clipboardCopied)); // off until the user turns it on
        m_settings->setReactionGroupEnabled("system", false);
        m_wisp->handle(WispEvent::of(K::cpuHot));
        QVERIFY(m_wisp->isAsleep());
        QVERIFY(!m_wisp->transientMood());
    }

    void cooldowns_data()
    {
        QTest::addColumn<WispEvent>("event");
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<bool>("secondShows");

        QTest::newRow("ambient within 15 s") << WispEvent::musicStarted("A") << 10'000 << false;
        QTest::newRow("ambient after 15 s") << WispEvent::musicStarted("A") << 16'000 << true;
        QTest::newRow("normal within 2 s") << WispEvent::of(K::focusStarted) << 1'500 << false;
        QTest::newRow("normal after 2 s, queued behind the first") << WispEvent::of(K::focusStarted) << 2'500 << true;
    }

    void cooldowns()
    {
        QFETCH(WispEvent, event);
        QFETCH(int, gapMs);
        QFETCH(bool, secondShows);
        QSignalSpy shown(m_wisp, &WispState::transientMoodChanged);

        m_wisp->handle(event);
        m_fixture->scheduler.advance(gapMs);
        m_wisp->handle(event);
        m_fixture->scheduler.advance(20'000);
        const auto plays = std::count_if(shown.cbegin(), shown.cend(), [](const QList<QVariant>& args) {
            return args.at(0).value<std::optional<Mood>>().has_value();
        });
        QCOMPARE(plays, secondShows ? 2 : 1);
    }

    void anAmbientReactionDroppedWhileBusyStillStartsItsCooldown()
    {
        m_wisp->handle(WispEvent::of(K::cpuHot));
        m_wisp->handle(WispEvent::musicStarted("A")); // dropped: something shows
        m_fixture->scheduler.advance(6'000);
        QVERIFY(!m_wisp->transientMood());
        m_wisp->handle(WispEvent::musicStarted("A"));
        QVERIFY(!m_wisp->transientMood());
    }

    void aHigherPriorityReplacesAndTheReplacedOneIsGone()
    {
        m_wisp->handle(WispEvent::of(K::cpuHot));
        m_wisp->handle(WispEvent::of(K::batteryLow));
        expectShowing(Mood::worried, QStringLiteral("Battery low!"));
        m_fixture->scheduler.advance(5'000);
        QVERIFY(!m_wisp->transientMood());
    }

    void theQueueKeepsTheThreeHighestInArrivalOrder()
    {
        m_wisp->react(Mood::sad, QStringLiteral("showing"), false, 3, 1);
        m_wisp->react(Mood::happy, QStringLiteral("a"), false, 1, 1);
        m_wisp->react(Mood::happy, QStringLiteral("b"), false, 3, 1);
        m_wisp->react(Mood::happy, QStringLiteral("c"), false, 2, 1);
        m_wisp->react(Mood::happy, QStringLiteral("d"), false, 3, 1);
        m_wisp->react(Mood::happy, QStringLiteral("e"), false, 1, 1); // sorted last and cut
        QCOMPARE(m_wisp->queuedReactionCount(), 3);

        QStringList played;
        for (int i = 0; i < 4; ++i) {
            m_fixture->scheduler.advance(1'000);
            played << m_wisp->bubble().value_or(QStringLiteral("-"));
        }
        QCOMPARE(played, (QStringList{"b", "d", "c", "-"}));
    }

    void aRepeatedTextIsNotQueuedTwice()
    {
        m_wisp->react(Mood::sad, QStringLiteral("showing"), false, 3, 1);
        m_wisp->react(Mood::happy, std::nullopt, false, 1, 1);
        m_wisp->react(Mood::proud, std::nullopt, false, 2, 1); // no text either: a duplicate
        m_wisp->react(Mood::happy, QStringLiteral("x"), false, 1, 1);
        m_wisp->react(Mood::loving, QStringLiteral("x"), false, 2, 1);
        QCOMPARE(m_wisp->queuedReactionCount(), 2);
    }

    void withBubblesOffTheMoodStillShowsAndBounces()
    {
        m_settings->setBubblesEnabled(false);
        m_wisp->handle(WispEvent::of(K::focusStarted));
        expectShowing(Mood::focused, std::nullopt);
        QCOMPARE(m_wisp->bounceToken(), 1);
        m_wisp->say(QStringLiteral("hello"), 2);
        QVERIFY(!m_wisp->bubble());
    }

    void quietAndPresentationSilenceReactions()
    {
        m_settings->setPresentationMode(true);
        m_wisp->handle(WispEvent::of(K::cpuHot));
        QVERIFY(!m_wisp->transientMood());
        m_settings->setPresentationMode(false);

        m_wisp->react(Mood::sad, QStringLiteral("one"), false, 3, 5);
        m_wisp->react(Mood::happy, QStringLiteral("two"), false, 1, 5);
        m_settings->setQuietMode(true);
        QVERIFY(!m_wisp->transientMood());
        QVERIFY(!m_wisp->bubble());
        QCOMPARE(m_wisp->queuedReactionCount(), 0);
        m_wisp->react(Mood::happy, QStringLiteral("three"), false, 1, 5);
        QVERIFY(!m_wisp->transientMood());

        // Cooldowns survive the clear.
        m_settings->setQuietMode(false);
        m_wisp->react(Mood::sad, QStringLiteral("one"), false, 3, 5);
        QVERIFY(!m_wisp->transientMood());
    }

    void sayReplacesABubbleOnlyBelowImportant()
    {
        m_wisp->react(Mood::sad, QStringLiteral("important"), false, 3, 4);
        m_wisp->say(QStringLiteral("copied"), 1);
        QCOMPARE(m_wisp->bubble(), QStringLiteral("important"));
        m_fixture->scheduler.advance(4'000);

        m_wisp->react(Mood::hot, QStringLiteral("normal"), false, 1, 4);
        m_wisp->say(QStringLiteral("copied"), 1);
        expectShowing(Mood::hot, QStringLiteral("copied"));
        m_fixture->scheduler.advance(1'000);
        expectShowing(Mood::hot, std::nullopt);

        m_wisp->say(QStringLiteral("later"), 10);
        m_fixture->scheduler.advance(3'000); // the reaction ends first and takes the message with it
        QVERIFY(!m_wisp->bubble());
        QVERIFY(!m_wisp->transientMood());
    }

    void aReactionFromAnotherThreadPlaysOnTheMainThread()
    {
        QThread* worker = QThread::create([this] { m_wisp->react(Mood::loving, QStringLiteral("hi"), false, 1, 1); });
        worker->start();
        QVERIFY(worker->wait(10'000));
        delete worker;
        QVERIFY(!m_wisp->transientMood());
        QCoreApplication::processEvents();
        expectShowing(Mood::loving, QStringLiteral("hi"));
    }

    void theStretchPromptStretchesEvenWhenItsReactionIsDropped()
    {
        m_wisp->promptStretch();
        expectShowing(Mood::proud, QStringLiteral("Time to stretch"));
        m_wisp->promptStretch(); // within the cooldown
        QCOMPARE(m_wisp->stretchToken(), 2);

        m_settings->setReducedMotion(true);
        m_wisp->promptStretch();
        QCOMPARE(m_wisp->stretchToken(), 2);
        m_settings->setReactionGroupEnabled("focus", false);
        m_settings->setReducedMotion(false);
        m_wisp->promptStretch();
        QCOMPARE(m_wisp->stretchToken(), 2);
    }

    void blinkingRunsOnItsOwn()
    {
        m_fixture->random.nextUniform(4.0); // wait before the first blink
        m_fixture->random.nextInteger(0); // a double blink
        m_fixture->random.nextUniform(3.0); // wait before the next
        m_wisp->start();
        QSignalSpy blinking(m_wisp, &WispState::isBlinkingChanged);

        m_fixture->scheduler.advance(4'000);
        QVERIFY(m_wisp->isBlinking());
        m_fixture->scheduler.advance(110);
        QVERIFY(!m_wisp->isBlinking());
        m_fixture->scheduler.advance(180);
        QVERIFY(m_wisp->isBlinking());
        m_fixture->scheduler.advance(110);
        QVERIFY(!m_wisp->isBlinking());
        m_fixture->scheduler.advance(2'999);
        QCOMPARE(blinking.count(), 4);
        m_fixture->scheduler.advance(1);
        QVERIFY(m_wisp->isBlinking());

        m_wisp->stop();
        QVERIFY(!m_wisp->isBlinking());
        QCOMPARE(m_fixture->scheduler.pendingCount(), 0);
    }

    void blinkingPauses_data() { addReasons(stillingReasons() << "asleep"); }

    void blinkingPauses()
    {
        QFETCH(QString, why);
        holdStill(why);

        m_wisp->start();
        m_wisp->blink();
        for (int i = 0; i < 10; ++i)
            m_fixture->scheduler.advance(6'000);
        QVERIFY(!m_wisp->isBlinking());
        QCOMPARE(m_fixture->scheduler.pendingCount(), 1); // the loop keeps going
    }

    void theEyesFollowThePointer_data()
    {
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<QSizeF>("look");

        // The second screen sits right of and above the first, at scale 2; frames are logical pixels.
        QTest::newRow("top centre of the first") << QPointF(960, 1) << QSizeF(0, 1.0 / 1080);
        QTest::newRow("bottom left of the first") << QPointF(0, 1079) << QSizeF(-1, 1079.0 / 1080);
        QTest::newRow("middle of the second") << QPointF(2880, 240) << QSizeF(0, 0.5);
        QTest::newRow("right edge of the second") << QPointF(3839, -300) << QSizeF(959.0 / 960, 0);
        QTest::newRow("off every screen, against the notch screen") << QPointF(-500, 2000) << QSizeF(-1, 1);
    }

    void theEyesFollowThePointer()
    {
        QFETCH(QPointF, pointer);
        QFETCH(QSizeF, look);
        m_fixture->screens.setScreens(
            {FakeScreens::plain(QRectF(0, 0, 1920, 1080)), FakeScreens::plain(QRectF(1920, -300, 1920, 1080))});
        m_fixture->screens.setPointer(pointer);
        m_wisp->lookTick();
        QVERIFY2(std::abs(m_wisp->look().width() - look.width()) < 1e-9,
                 qPrintable(QString::number(m_wisp->look().width())));
        QVERIFY2(std::abs(m_wisp->look().height() - look.height()) < 1e-9,
                 qPrintable(QString::number(m_wisp->look().height())));
    }

    void theLookChangesOnlyWhenItMovesEnough()
    {
        m_fixture->screens.setPointer(QPointF(1920, 0));
        m_wisp->lookTick();
        QSignalSpy looked(m_wisp, &WispState::lookChanged);
        m_fixture->screens.setPointer(QPointF(1910, 5)); // 0.0104 across, 0.0046 down
        m_wisp->lookTick();
        m_fixture->screens.setPointer(QPointF(1912, 5));
        m_wisp->lookTick(); // 0.0083 from the published look
        QCOMPARE(looked.count(), 1);

        m_settings->setEyeTracking(false);
        m_wisp->lookTick();
        QCOMPARE(m_wisp->look(), QSizeF(0, 0));
    }

    void withoutAScreenTheEyesStay()
    {
        m_fixture->screens.setPointer(QPointF(0, 0));
        m_wisp->lookTick();
        const QSizeF before = m_wisp->look();
        m_fixture->screens.setScreens({});
        m_fixture->screens.setPointer(QPointF(1800, 900));
        m_wisp->lookTick();
        QCOMPARE(m_wisp->look(), before);
    }

    void aRealPointerMoveWakesWispWithAStretch()
    {
        m_settings->setIdleBehaviours(false);
        m_wisp->setAsleep(true);
        m_fixture->screens.setPointer(m_fixture->screens.pointer() + QPointF(0.5, -0.5)); // jitter
        m_wisp->lookTick();
        QVERIFY(m_wisp->isAsleep());
        m_fixture->screens.setPointer(m_fixture->screens.pointer() + QPointF(0.6, 0));
        m_wisp->lookTick();
        QVERIFY(!m_wisp->isAsleep());
        expectShowing(Mood::surprised, QStringLiteral("*stretch*"));
    }

    void theEyesFreezeAndSleepIsRefused_data() { addReasons(stillingReasons()); }

    void theEyesFreezeAndSleepIsRefused()
    {
        QFETCH(QString, why);
        holdStill(why);
        m_wisp->fallAsleep();
        QVERIFY(!m_wisp->isAsleep());
        m_wisp->setAsleep(true);
        m_fixture->screens.setPointer(QPointF(100, 900));
        m_wisp->lookTick();
        QCOMPARE(m_wisp->look(), QSizeF());
        QVERIFY(m_wisp->isAsleep());
    }

    void glancesComeOnlyWhenThePointerRests()
    {
        m_fixture->screens.setPointer(QPointF(960, 540));
        m_wisp->lookTick(); // the move that starts the quiet time
        m_fixture->random.nextUniform(0.0); // the glance comes at the first tick it may
        m_fixture->clock.advance(8'000);
        m_wisp->lookTick(); // not more than 8 s yet
        QCOMPARE(m_wisp->look(), QSizeF(0, 0.5));
        m_fixture->clock.advance(1);
        m_fixture->random.nextUniform(-1.0);
        m_fixture->random.nextUniform(0.8);
        m_fixture->random.nextUniform(1.0); // seconds the glance lasts
        m_wisp->lookTick(); // starts the glance; this tick still looks at the pointer
        QCOMPARE(m_wisp->look(), QSizeF(0, 0.5));
        m_wisp->lookTick();
        QCOMPARE(m_wisp->look(), QSizeF(-1, 0.8));
        m_fixture->clock.advance(1'001);
        for (const double draw : {0.0, 1.0, 0.2, 1.0}) // the next one at once
            m_fixture->random.nextUniform(draw);
        m_wisp->lookTick();
        QCOMPARE(m_wisp->look(), QSizeF(0, 0.5));
        m_wisp->lookTick();
        QCOMPARE(m_wisp->look(), QSizeF(1, 0.2));

        // A move ends a glance at once.
        m_fixture->screens.setPointer(QPointF(961, 540));
        m_wisp->lookTick();
        QVERIFY(std::abs(m_wisp->look().width()) < 0.01);
    }

    void noGlancesAsleepOrWithIdleBehavioursOff_data() { addReasons({"asleep", "idle behaviours off"}); }

    void noGlancesAsleepOrWithIdleBehavioursOff()
    {
        QFETCH(QString, why);
        if (why == "asleep")
            m_wisp->setAsleep(true);
        else
            m_settings->setIdleBehaviours(false);
        m_fixture->clock.advance(60'000);
        m_fixture->random.nextUniform(0.0);
        m_wisp->lookTick();
        m_wisp->lookTick();
        QCOMPARE(m_wisp->look(), QSizeF(0, 0));
    }

    void theLookTimerRestsWhileThePointerDoes()
    {
        m_fixture->screens.reportsMotion = true;
        m_wisp->start();
        m_fixture->screens.setPointer(QPointF(100, 100));
        m_wisp->lookTick();
        QCOMPARE(m_wisp->lookWaitMs(), WispState::lookIntervalMs);

        m_fixture->random.nextUniform(0.0); // a glance as soon as it may come, 8 s after the move
        m_fixture->clock.advance(1'000);
        m_wisp->lookTick();
        QCOMPARE(m_wisp->lookWaitMs(), WispState::restCheckMs);
        m_fixture->clock.advance(6'000);
        m_wisp->lookTick();
        QCOMPARE(m_wisp->lookWaitMs(), 1'001);
        m_fixture->clock.advance(1'001);
        m_fixture->random.nextUniform(1.0);
        m_fixture->random.nextUniform(0.8);
        m_fixture->random.nextUniform(1.0);
        m_wisp->lookTick();
        QCOMPARE(m_wisp->lookWaitMs(), WispState::lookIntervalMs); // the glance shows from the next tick
        m_fixture->clock.advance(WispState::lookIntervalMs);
        m_wisp->lookTick();
        QCOMPARE(m_wisp->look(), QSizeF(1, 0.8));
        QCOMPARE(m_wisp->lookWaitMs(), 1'001 - WispState::lookIntervalMs); // until just after it ends

        m_fixture->screens.movePointer(QPointF(120, 100));
        QCOMPARE(m_wisp->lookWaitMs(), 0);
        m_wisp->lookTick();
        QCOMPARE(m_wisp->lookWaitMs(), WispState::lookIntervalMs);
        m_wisp->lookTick();
        QCOMPARE(m_wisp->lookWaitMs(), WispState::restCheckMs);

        m_settings->setEyeTracking(false);
        QCOMPARE(m_wisp->lookWaitMs(), 0);
        m_settings->setReducedMotion(true);
        m_wisp->lookTick();
        QCOMPARE(m_wisp->lookWaitMs(), WispState::restCheckMs);
    }

    void withoutMotionReportsTheLookTimerNeverRests()
    {
        m_wisp->start();
        m_fixture->clock.advance(60'000);
        m_wisp->lookTick();
        QCOMPARE(m_wisp->lookWaitMs(), WispState::lookIntervalMs);
    }

    void cursorModeFollowsThePointerAcrossScreens_data()
    {
        QTest::addColumn<bool>("stilled");
        QTest::newRow("plain") << false;
        QTest::newRow("reduced motion, presentation mode, hidden for full screen") << true;
    }

    // Moving the island to the pointer's screen is no motion: no condition that stills the face holds it back.
    void cursorModeFollowsThePointerAcrossScreens()
    {
        QFETCH(bool, stilled);
        m_settings->setReducedMotion(stilled);
        m_fixture->motion.reduce = stilled;
        m_settings->setPresentationMode(stilled);
        m_wisp->setHiddenForFullscreen(stilled);
        m_fixture->screens.setScreens(
            {FakeScreens::plain(QRectF(0, 0, 1920, 1080)), FakeScreens::plain(QRectF(1920, -300, 1920, 1080))});
        QSignalSpy screenChanged(&m_fixture->events, &AppEvents::screenChanged);
        m_wisp->lookTick();
        QCOMPARE(screenChanged.count(), 0); // notch mode

        m_settings->setDisplayMode(DisplayMode::cursor);
        screenChanged.clear();
        m_wisp->lookTick();
        m_wisp->lookTick();
        QCOMPARE(screenChanged.count(), 1);
        m_fixture->screens.setPointer(QPointF(1920, 0)); // the left edge of the second screen belongs to it
        m_wisp->lookTick();
        m_fixture->screens.setPointer(QPointF(2000, 700));
        m_wisp->lookTick();
        QCOMPARE(screenChanged.count(), 2);
    }

    void hoverLeavesAfterAQuarterSecond()
    {
        QSignalSpy hovering(m_wisp, &WispState::isHoveringChanged);
        m_wisp->setHovering(true);
        m_wisp->setHovering(false);
        m_fixture->scheduler.advance(200);
        m_wisp->setHovering(true);
        m_fixture->scheduler.advance(1'000);
        QVERIFY(m_wisp->isHovering());
        QVERIFY(std::all_of(hovering.cbegin(), hovering.cend(), [](const auto& args) { return args.at(0).toBool(); }));

        m_wisp->setHovering(false);
        m_fixture->scheduler.advance(249);
        QVERIFY(m_wisp->isHovering());
        m_fixture->scheduler.advance(1);
        QVERIFY(!m_wisp->isHovering());
    }

    void pinAndCollapse()
    {
        QSignalSpy released(&m_fixture->events, &AppEvents::releaseFocus);
        m_wisp->setAsleep(true);
        m_wisp->togglePinned();
        QVERIFY(m_wisp->isPinnedOpen());
        QVERIFY(!m_wisp->isAsleep());
        QVERIFY(!m_wisp->transientMood()); // woken silently
        QCOMPARE(m_wisp->bounceToken(), 1);

        m_wisp->setHovering(true);
        m_wisp->setHovering(false);
        m_wisp->collapse();
        QVERIFY(!m_wisp->isPinnedOpen());
        QVERIFY(!m_wisp->isHovering());
        QCOMPARE(released.count(), 1);
        QCOMPARE(m_fixture->scheduler.pendingCount(), 0);
    }

    void poking()
    {
        m_fixture->random.nextInteger(1); // wink
        m_fixture->random.nextInteger(2); // "That tickles"
        m_wisp->poke();
        expectShowing(Mood::wink, QStringLiteral("That tickles"));
        QCOMPARE(m_wisp->activePriority(), 2);
        m_fixture->scheduler.advance(1'800);
        QVERIFY(!m_wisp->transientMood());

        m_wisp->setAsleep(true);
        m_wisp->poke();
        QVERIFY(!m_wisp->isAsleep());
        expectShowing(Mood::surprised, QStringLiteral("*stretch*"));
    }

    void fallingAsleepEndsTheReactionButKeepsTheQueue()
    {
        m_wisp->react(Mood::sad, QStringLiteral("one"), false, 3, 5);
        m_wisp->react(Mood::happy, QStringLiteral("two"), false, 1, 5);
        m_wisp->fallAsleep();
        QVERIFY(m_wisp->isAsleep());
        QCOMPARE(m_wisp->displayMood(), Mood::asleep);
        QVERIFY(!m_wisp->bubble());
        m_wisp->say(QStringLiteral("blocked by the kept priority"), 1);
        QVERIFY(!m_wisp->bubble());
        m_fixture->scheduler.advance(60'000);
        QCOMPARE(m_wisp->queuedReactionCount(), 1);

        m_wisp->react(Mood::loving, QStringLiteral("three"), false, 1, 1); // plays at once over the sleeping face
        QCOMPARE(m_wisp->displayMood(), Mood::loving);
        m_fixture->scheduler.advance(1'000);
        QCOMPARE(m_wisp->bubble(), QStringLiteral("two"));
    }

    void theFaceShowsTheMostPressingMood()
    {
        m_wisp->setBaseMood(Mood::wink);
        QCOMPARE(m_wisp->displayMood(), Mood::wink);
        m_wisp->setActivityMood(Mood::focused);
        QCOMPARE(m_wisp->displayMood(), Mood::focused);
        m_wisp->setAsleep(true);
        QCOMPARE(m_wisp->displayMood(), Mood::asleep);
        m_wisp->react(Mood::hot, std::nullopt, false, 1, 1);
        QCOMPARE(m_wisp->displayMood(), Mood::hot);
    }
};

WISPLET_TEST_MAIN(TestWispState)
#include "tst_wispstate.moc"
