#include "Wisplet/Companion/CompanionSpriteView.h"
#include "Wisplet/Companion/CompanionSprites.h"
#include "Wisplet/Companion/WispFaceView.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeScheduler.h"
#include "tests/support/WidgetsTestMain.h"

#include <QAccessible>
#include <QPainter>

namespace {

// The eye heights of the four face sizes.
constexpr std::array faceEyeHeights{24.0, 34.0, 44.0, 56.0};

WispFaceView::Inputs inputs(Mood mood, QSizeF look = QSizeF(0, 0), bool reduced = false, bool blinking = false)
{
    WispFaceView::Inputs in;
    in.mood = mood;
    in.look = look;
    in.motionReduced = reduced;
    in.blinking = blinking;
    return in;
}

// Where ink lands in an image: the bounding box of pixels that are not fully transparent.
QRect inkBounds(const QImage& image)
{
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) > 0)
                ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

} // namespace

Q_DECLARE_METATYPE(WispFaceView::Inputs)

class TestWispFaceView final : public QObject
{
    Q_OBJECT

private:
    FakeClock m_time;
    AnimationClock m_clock{m_time};
    FakeScheduler m_scheduler{m_time};
    CompanionSprites m_sprites{{qEnvironmentVariable("WISPLET_SOURCE_DIR") + "/Resources/companion-atlas.png"}};
    WispFaceView::SpriteFaceMaker m_makeSprite = [this](QWidget* face) {
        return new CompanionSpriteView(m_sprites, m_scheduler, m_clock, face);
    };

    void advance(qint64 ms)
    {
        m_time.advance(ms);
        m_clock.tick();
    }

    void settle() { advance(5000); }

private slots:
    void accessibleNameFollowsTheMood()
    {
        WispFaceView view(m_clock, m_makeSprite);
        WispFaceView::Inputs in = inputs(Mood::sad);
        in.skin = Skin::companion;
        view.setInputs(in);
        in.mood = Mood::wink;
        view.setInputs(in);
        QAccessibleInterface* element = QAccessible::queryAccessibleInterface(&view);
        QVERIFY(element);
        QCOMPARE(element->text(QAccessible::Name), QStringLiteral("Wisp, Wink"));
        QCOMPARE(element->childCount(), 0);
    }

    void widgetHoldsTheLayoutFrameCentred()
    {
        WispFaceView view(m_clock, m_makeSprite);
        for (const Skin skin : {Skin::classic, Skin::round, Skin::cat}) {
            for (const double eyeHeight : faceEyeHeights) {
                WispFaceView::Inputs in = inputs(Mood::happy);
                in.skin = skin;
                in.eyeHeight = eyeHeight;
                view.setInputs(in);
                const QSizeF layout = view.layoutSize();
                QCOMPARE(layout, FaceGeometry::layoutSizeFor(eyeHeight, skin));
                QVERIFY(view.width() > layout.width() && view.height() > layout.height());
                QCOMPARE(view.layoutOffset(),
                         QPointF((view.width() - layout.width()) / 2, (view.height() - layout.height()) / 2));
                QCOMPARE(view.sizeHint(), view.size());
            }
        }
        WispFaceView::Inputs broken = inputs(Mood::happy);
        broken.eyeHeight = std::numeric_limits<double>::quiet_NaN();
        view.setInputs(broken);
        QCOMPARE(view.size(), FaceGeometry::paintBounds(0, Skin::classic).size().toSize());
    }

    void nothingIsEverClipped()
    {
        // Every mood at the far corners of the look, its decoration anywhere on its loop.
        const double eyeHeight = 44;
        const std::array looks{QSizeF(-1, -1), QSizeF(1, -1), QSizeF(-1, 1), QSizeF(1, 1)};
        for (const Skin skin : {Skin::classic, Skin::round, Skin::cat}) {
            const QRectF bounds = FaceGeometry::paintBounds(eyeHeight, skin);
            QImage image(bounds.size().toSize() * 2, QImage::Format_ARGB32_Premultiplied);
            const QPointF centre(image.width() / 2.0, image.height() / 2.0);
            const QRect allowed = bounds.translated(centre).toAlignedRect();
            for (const Mood mood : allMoods) {
                for (const QSizeF& look : looks) {
                    for (const double phase : {0.0, 0.5, 1.0}) {
                        image.fill(Qt::transparent);
                        QPainter painter(&image);
                        painter.translate(centre);
                        WispFaceView::paintFace(painter, FaceGeometry::of(eyeHeight, skin, mood, false, look, false),
                                                Qt::white, phase);
                        painter.end();
                        QVERIFY2(allowed.contains(inkBounds(image)),
                                 qPrintable(rawValue(skin) + u' ' + rawValue(mood)));
                    }
                }
            }
        }
    }

    void changesAnimateUnlessMotionIsReduced_data()
    {
        QTest::addColumn<WispFaceView::Inputs>("from");
        QTest::addColumn<WispFaceView::Inputs>("to");
        QTest::addColumn<bool>("animates");

        QTest::newRow("look") << inputs(Mood::happy) << inputs(Mood::happy, {1, 0.5}) << true;
        QTest::newRow("mood") << inputs(Mood::happy) << inputs(Mood::sad) << true;
        QTest::newRow("blink") << inputs(Mood::happy) << inputs(Mood::happy, {0, 0}, false, true) << true;
        QTest::newRow("reduced look") << inputs(Mood::happy, {0, 0}, true) << inputs(Mood::thinking, {1, 0.5}, true)
                                      << false;
        QTest::newRow("reduction centres the look at once")
            << inputs(Mood::happy, {1, 1}) << inputs(Mood::happy, {1, 1}, true) << false;
        QTest::newRow("skin") << inputs(Mood::happy) << [] {
            WispFaceView::Inputs cat = inputs(Mood::happy);
            cat.skin = Skin::cat;
            return cat;
        }() << false;
    }

    void changesAnimateUnlessMotionIsReduced()
    {
        QFETCH(WispFaceView::Inputs, from);
        QFETCH(WispFaceView::Inputs, to);
        QFETCH(bool, animates);

        WispFaceView view(m_clock, m_makeSprite);
        view.show();
        view.setInputs(from);
        QVERIFY(!m_clock.isTicking());
        view.setInputs(to);
        const FaceGeometry target =
            FaceGeometry::of(to.eyeHeight, to.skin, to.mood, to.blinking, to.look, to.motionReduced);
        const auto atTarget = [&] {
            const FaceGeometry now = view.currentGeometry();
            return now.leftEye.path(now.eyeShape) == target.leftEye.path(target.eyeShape)
                && now.mouth.path() == target.mouth.path();
        };
        QCOMPARE(m_clock.isTicking(), animates);
        QCOMPARE(atTarget(), !animates);
        advance(30);
        QCOMPARE(atTarget(), !animates);
        settle();
        QVERIFY(atTarget());
        QVERIFY(!m_clock.isTicking());
    }

    void blinkClosesAndOpensOnTime()
    {
        WispFaceView view(m_clock, m_makeSprite);
        view.show();
        view.setInputs(inputs(Mood::happy));
        const auto opening = [&] { return view.currentGeometry().rightEye.scaleY; };

        view.setInputs(inputs(Mood::happy, {0, 0}, false, true));
        advance(32);
        QVERIFY(opening() < 0.6 && opening() > 0.5); // half way along an ease-in-out
        advance(33);
        QCOMPARE(opening(), FaceGeometry::blinkScale);

        view.setInputs(inputs(Mood::happy));
        advance(80);
        QVERIFY(opening() > 0.5 && opening() < 0.6);
        advance(60);
        QVERIFY(opening() < 1);
        advance(20);
        QCOMPARE(opening(), 1.0);
        QVERIFY(!m_clock.isTicking());
    }

    void lookFollowsOnItsSpringAndMoodOnItsOwn()
    {
        // The look's spring is the quicker one: after the same time it has come further.
        WispFaceView lookView(m_clock, m_makeSprite);
        WispFaceView moodView(m_clock, m_makeSprite);
        lookView.show();
        moodView.show();
        lookView.setInputs(inputs(Mood::happy));
        moodView.setInputs(inputs(Mood::happy));
        lookView.setInputs(inputs(Mood::happy, {0, 0.7}));
        moodView.setInputs(inputs(Mood::sad)); // its gaze is (0, 0.7)
        advance(80);
        const double target = FaceGeometry::of(38, Skin::classic, Mood::sad, false, {0, 0}, false).leftEye.centre.y();
        const double lookShift = lookView.currentGeometry().leftEye.centre.y();
        const double moodShift = moodView.currentGeometry().leftEye.centre.y();
        QVERIFY(moodShift > 0 && lookShift > moodShift && lookShift < target);
        settle();
        QCOMPARE(lookView.currentGeometry().leftEye.centre.y(), target);
    }

    void decorationsLoopOnlyWhenTheyComeOnScreenInMotion()
    {
        WispFaceView view(m_clock, m_makeSprite);
        view.setInputs(inputs(Mood::hot));
        QVERIFY(!view.isDecorationAnimating()); // hidden views run no loops
        view.show();
        QVERIFY(view.isDecorationAnimating());
        advance(300);
        QVERIFY(view.decorationPhase() > 0);

        view.setInputs(inputs(Mood::hot, {0, 0}, true));
        QVERIFY(view.isDecorationAnimating()); // a running loop is not stopped by reduced motion

        view.setInputs(inputs(Mood::asleep, {0, 0}, true));
        QVERIFY(!view.isDecorationAnimating()); // came on screen while reduced: at rest
        QCOMPARE(view.decorationPhase(), 0.0);
        view.setInputs(inputs(Mood::asleep));
        QVERIFY(!view.isDecorationAnimating()); // and stays so while shown

        view.hide();
        view.show();
        QVERIFY(view.isDecorationAnimating()); // shown again in motion

        view.setInputs(inputs(Mood::sad));
        QVERIFY(!view.isDecorationAnimating());
        settle();
        QVERIFY(!m_clock.isTicking());
    }

    void aSharedDecorationKeepsItsLoopAcrossMoods()
    {
        WispFaceView view(m_clock, m_makeSprite);
        view.show();
        view.setInputs(inputs(Mood::proud));
        advance(200);
        const double phase = view.decorationPhase();
        QVERIFY(phase > 0);
        view.setInputs(inputs(Mood::loving));
        QCOMPARE(view.decorationPhase(), phase);
        view.hide();
        QVERIFY(!view.isDecorationAnimating());
        QVERIFY(!m_clock.isTicking());
    }

    void companionSkinShowsTheSpriteFace()
    {
        WispFaceView view(m_clock, m_makeSprite);
        view.show();
        WispFaceView::Inputs in = inputs(Mood::asleep, {1, 0.5}, true, true);
        in.skin = Skin::companion;
        in.eyeHeight = 40;
        in.tint = accentColor(Accent::mint);
        view.setInputs(in);

        const auto* sprite = view.findChild<CompanionSpriteView*>();
        QVERIFY(sprite && sprite->isVisible());
        const CompanionSpriteView::Inputs fed = sprite->inputs();
        QCOMPARE(fed.eyeHeight, 40.0);
        QCOMPARE(fed.mood, Mood::asleep);
        QCOMPARE(fed.look, QSizeF(1, 0.5)); // the sprite face applies its own look rules
        QVERIFY(fed.blinking && fed.motionReduced);
        QCOMPARE(fed.tint, accentColor(Accent::mint));
        QCOMPARE(view.layoutSize(), QSizeF(102, 51));
        QCOMPARE(view.size(), sprite->size());
        QCOMPARE(sprite->pos(), QPoint(0, 0));
        QVERIFY(!view.isDecorationAnimating()); // the sprite face draws no decorations

        in.skin = Skin::classic;
        in.motionReduced = false;
        view.setInputs(in);
        QVERIFY(!view.findChild<CompanionSpriteView*>());
        QVERIFY(view.isDecorationAnimating());
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestWispFaceView)
#include "tst_wispfaceview.moc"
