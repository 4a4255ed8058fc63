#include "Wisplet/Base/RawValue.h"
#include "Wisplet/Companion/ExpressionStudio.h"
#include "tests/support/Fixtures.h"
#include "tests/support/WidgetsTestMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

class TestExpressionStudio final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CompanionFixture> m_fixture;
    std::unique_ptr<ExpressionStudio> m_studio;

    WispState& wisp() { return *m_fixture->wisp; }
    MoodTile* tile(Mood mood) { return m_studio->tiles()[std::size_t(mood)]; }
    QPushButton* blinkButton() { return m_studio->findChild<QPushButton*>(); }
    bool everyFace(const std::function<bool(const WispFaceView::Inputs&)>& test)
    {
        return std::all_of(m_studio->tiles().cbegin(), m_studio->tiles().cend(),
                           [&](MoodTile* tile) { return test(tile->face().inputs()); });
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<CompanionFixture>();
        m_studio =
            std::make_unique<ExpressionStudio>(m_fixture->settings, wisp(), m_fixture->motion, m_fixture->scheduler);
    }

    void cleanup()
    {
        m_studio.reset();
        m_fixture.reset();
    }

    void everyMoodHasATileAsleepIncluded()
    {
        QCOMPARE(m_studio->tiles().size(), allMoods.size());
        for (MoodTile* tile : m_studio->tiles())
            QCOMPARE(tile->face().inputs().mood, tile->mood());
        // Opening the window writes nothing.
        QVERIFY(!m_fixture->defaults.hasPendingChanges());
    }

    void closesFromTheKeyboard_data()
    {
        QTest::addColumn<QKeyCombination>("keys");
        QTest::newRow("Escape") << QKeyCombination(Qt::Key_Escape);
        QTest::newRow("Ctrl+W") << QKeyCombination(Qt::CTRL | Qt::Key_W);
    }

    // Wherever its focus is, as the settings window does.
    void closesFromTheKeyboard()
    {
        QFETCH(QKeyCombination, keys);
        m_studio->show();
        QVERIFY(QTest::qWaitForWindowActive(m_studio.get()));
        tile(Mood::proud)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(tile(Mood::proud), keys.key(), keys.keyboardModifiers());
        QVERIFY(!m_studio->isVisible());
    }

    void aTileTriesItsMoodOnTheCompanion()
    {
        tile(Mood::happy)->click();
        QCOMPARE(wisp().transientMood(), std::optional(Mood::happy));
        QCOMPARE(wisp().bubble(), QStringLiteral("Happy"));
        QCOMPARE(wisp().activePriority(), WispState::importantPriority);
    }

    // The decorations beside the eyes (the letters of sleep, a sparkle, a drop, a heart) included: on the
    // classic skin, sleep's letters left the card when the face was centred by its layout frame. (The round
    // skin's eyes are so wide that proud's sparkle, at the peak of its twinkle, reaches a pixel and a half past
    // a card of the studio's fixed width.)
    void everyCardHoldsItsWholeFace()
    {
        m_fixture->settings.setSkin(Skin::classic);
        m_studio->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_studio.get()));
        for (MoodTile* card : m_studio->tiles()) {
            const WispFaceView& face = card->face();
            const QRectF drawn = face.currentGeometry().drawnBounds().translated(QRectF(face.rect()).center());
            const QRectF onCard = drawn.translated(face.pos());
            QVERIFY2(
                QRectF(card->rect()).contains(onCard),
                qPrintable(QStringLiteral("%1: %2 on %3")
                               .arg(rawValue(card->mood()), QDebug::toString(onCard), QDebug::toString(card->rect()))));
        }
    }

    void theLookPickerChangesEveryFace()
    {
        auto* picker = m_studio->findChild<QComboBox*>();
        picker->setCurrentIndex(2);
        emit picker->activated(2);
        QCOMPARE(m_fixture->settings.skin(), Skin::round);
        QCOMPARE(m_fixture->defaults.string("skin"), QStringLiteral("round"));
        QVERIFY(everyFace([](const auto& inputs) { return inputs.skin == Skin::round; }));

        m_fixture->settings.setSkin(Skin::cat);
        QCOMPARE(picker->currentIndex(), 3);
        QVERIFY(everyFace([](const auto& inputs) { return inputs.skin == Skin::cat; }));
    }

    void facesFollowTheCompanionsLook()
    {
        m_fixture->screens.setPointer(QPointF(1920, 1000));
        wisp().lookTick();
        QVERIFY(everyFace([&](const auto& inputs) { return inputs.look == wisp().look(); }));
        QVERIFY(wisp().look() != QSizeF(0, 0));
    }

    void blinkShutsEveryFaceForATenthOfASecond()
    {
        blinkButton()->click();
        QVERIFY(everyFace([](const auto& inputs) { return inputs.blinking; }));
        m_fixture->scheduler.advance(60);
        blinkButton()->click(); // keeps them shut only until the first reset
        m_fixture->scheduler.advance(40);
        QVERIFY(everyFace([](const auto& inputs) { return !inputs.blinking; }));
        QCOMPARE(m_fixture->scheduler.pendingCount(), 0);
    }

    void reducedMotionStopsTheBlink_data()
    {
        QTest::addColumn<bool>("desktop");
        QTest::newRow("the studio's switch") << false;
        QTest::newRow("the desktop's setting") << true;
    }

    void reducedMotionStopsTheBlink()
    {
        QFETCH(bool, desktop);
        if (desktop) {
            m_fixture->motion.reduce = true;
            emit m_fixture->motion.reduceMotionChanged(true);
        } else {
            m_studio->findChild<QCheckBox*>()->click();
            QVERIFY(m_fixture->settings.reducedMotion());
        }
        QVERIFY(everyFace([](const auto& inputs) { return inputs.motionReduced; }));
        blinkButton()->click();
        QVERIFY(everyFace([](const auto& inputs) { return !inputs.blinking; }));
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestExpressionStudio)
#include "tst_expressionstudio.moc"
