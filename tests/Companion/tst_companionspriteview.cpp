#include "Wisplet/Companion/CompanionSpriteView.h"
#include "Wisplet/Companion/CompanionSprites.h"
#include "tests/support/FakeScheduler.h"
#include "tests/support/PaintRecorder.h"
#include "tests/support/WidgetsTestMain.h"

#include <QPainter>

namespace {

using Inputs = CompanionSpriteView::Inputs;

// A view over fakes: the scheduler and the animation clock share one fake clock.
struct Rig
{
    explicit Rig(const QStringList& atlasPaths = {})
        : sprites(atlasPaths)
    { }

    FakeClock clock;
    FakeScheduler scheduler{clock};
    AnimationClock animation{clock};
    CompanionSprites sprites;
    CompanionSpriteView view{sprites, scheduler, animation};

    // Moves time to the animation clock's next tick and ticks; false while nothing moves.
    bool nextFrame()
    {
        const std::optional<qint64> due = animation.dueMs();
        if (!due)
            return false;
        clock.advance(std::max<qint64>(0, *due - clock.monotonicMs()));
        animation.tick();
        return true;
    }

    void settle()
    {
        for (int i = 0; i < 300 && nextFrame(); ++i) { }
    }
};

// "100 sad blink reduced": at 100 ms, mood sad, blinking, motion reduced.
std::pair<int, Inputs> parseChange(const QString& line)
{
    const QStringList words = line.split(u' ');
    Inputs inputs;
    inputs.eyeHeight = 40;
    inputs.mood = moodFromRawValue(words.at(1)).value();
    inputs.blinking = words.contains(QStringLiteral("blink"));
    inputs.motionReduced = words.contains(QStringLiteral("reduced"));
    return {words.at(0).toInt(), inputs};
}

QImage render(CompanionSpriteView& view)
{
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

QRect paintedBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 0)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

} // namespace

class TestCompanionSpriteView final : public QObject
{
    Q_OBJECT

private slots:
    // Each change is applied at its millisecond; the timeline lists what is on screen whenever it changes.
    void playbackTimelines_data()
    {
        QTest::addColumn<QStringList>("changes");
        QTest::addColumn<QStringList>("timeline");

        QTest::newRow("first appearance shows the mood at rest") << QStringList{"0 sad"} << QStringList{"0 sad 0"};
        QTest::newRow("blink: close, hold, open")
            << QStringList{"0 happy", "100 happy blink", "300 happy"}
            << QStringList{"0 happy 0",   "100 happy 1", "125 happy 2", "150 happy 3",
                           "300 happy 4", "330 happy 5", "370 happy 6", "415 happy 0"};
        QTest::newRow("blink ends on column 2")
            << QStringList{"0 happy", "100 happy blink", "130 happy"}
            << QStringList{"0 happy 0",   "100 happy 1", "125 happy 2", "130 happy 4",
                           "160 happy 5", "200 happy 6", "245 happy 0"};
        QTest::newRow("mood change at rest: 205 ms")
            << QStringList{"0 happy", "100 sad"}
            << QStringList{"0 happy 0", "100 happy 1", "125 happy 2", "150 happy 3",
                           "190 sad 4", "220 sad 5",   "260 sad 6",   "305 sad 0"};
        QTest::newRow("mood change while blinking holds the new row shut")
            << QStringList{"0 happy", "100 sad blink"}
            << QStringList{"0 happy 0", "100 happy 1", "125 happy 2", "150 happy 3",
                           "190 sad 1", "215 sad 2",   "240 sad 3"};
        QTest::newRow("second change mid-transition closes on the row on screen")
            << QStringList{"0 happy", "100 sad", "130 wink"}
            << QStringList{"0 happy 0",   "100 happy 1", "125 happy 2", "130 happy 1", "155 happy 2",
                           "180 happy 3", "220 wink 4",  "250 wink 5",  "290 wink 6",  "335 wink 0"};
        QTest::newRow("change back before the row switch reopens the same row")
            << QStringList{"0 happy", "100 sad", "120 happy"}
            << QStringList{"0 happy 0", "100 happy 1", "120 happy 4", "150 happy 5", "190 happy 6", "235 happy 0"};
        QTest::newRow("reduced motion jumps to the mood at rest")
            << QStringList{"0 happy reduced", "100 happy blink reduced", "200 sad reduced", "300 sad"}
            << QStringList{"0 happy 0", "200 sad 0"};
        QTest::newRow("reducing motion mid-transition lands at once")
            << QStringList{"0 happy", "100 sad", "130 sad reduced"}
            << QStringList{"0 happy 0", "100 happy 1", "125 happy 2", "130 sad 0"};
    }

    void playbackTimelines()
    {
        QFETCH(QStringList, changes);
        QFETCH(QStringList, timeline);

        Rig rig;
        QStringList shown;
        QString last;
        for (int ms = 0; ms <= 600; ++ms) {
            for (const QString& change : std::as_const(changes)) {
                if (const auto [at, inputs] = parseChange(change); at == ms)
                    rig.view.setInputs(inputs);
            }
            const QString now = rawValue(rig.view.shownMood()) + u' ' + QString::number(rig.view.shownColumn());
            if (now != std::exchange(last, now))
                shown << QString::number(ms) + u' ' + now;
            rig.scheduler.advance(1);
        }
        QCOMPARE(shown, timeline);
        QCOMPARE(rig.scheduler.pendingCount(), 0); // nothing runs at rest, nor while a blink holds
    }

    void hidingCancelsAndShowingResumes()
    {
        Rig rig;
        rig.view.show();
        rig.view.setInputs(parseChange(QStringLiteral("0 happy")).second);
        rig.view.setInputs(parseChange(QStringLiteral("0 happy blink")).second);
        rig.scheduler.advance(30);
        QCOMPARE(rig.view.shownColumn(), 2);

        rig.view.hide();
        QCOMPARE(rig.scheduler.pendingCount(), 0);
        rig.scheduler.advance(100);
        QCOMPARE(rig.view.shownColumn(), 2);

        rig.view.show();
        rig.scheduler.advance(50);
        QCOMPARE(rig.view.shownColumn(), 3);
        QCOMPARE(rig.scheduler.pendingCount(), 0);
    }

    void offsetFollowsGazeOrLook_data()
    {
        QTest::addColumn<Mood>("mood");
        QTest::addColumn<QSizeF>("look");
        QTest::addColumn<bool>("reduced");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QPointF>("offset"); // for an eye height of 40

        QTest::newRow("look") << Mood::happy << QSizeF(1, -0.5) << false << true << QPointF(4, -1.4);
        QTest::newRow("thinking's gaze beats the look")
            << Mood::thinking << QSizeF(-1, 1) << false << true << QPointF(2.8, -1.4);
        QTest::newRow("asleep stays centred") << Mood::asleep << QSizeF(1, 1) << false << true << QPointF(0, 0);
        QTest::newRow("a look past the edge stops there")
            << Mood::happy << QSizeF(3, -2) << false << true << QPointF(4, -2.8);
        QTest::newRow("reduced: no gaze") << Mood::thinking << QSizeF(0, 0) << true << true << QPointF(0, 0);
        QTest::newRow("hidden: there at once") << Mood::happy << QSizeF(1, -0.5) << false << false << QPointF(4, -1.4);
    }

    void offsetFollowsGazeOrLook()
    {
        QFETCH(Mood, mood);
        QFETCH(QSizeF, look);
        QFETCH(bool, reduced);
        QFETCH(bool, shown);
        QFETCH(QPointF, offset);

        Rig rig;
        rig.view.setInputs({40, Mood::happy, false, QSizeF(0, 0), Qt::white, false});
        rig.view.setVisible(shown);
        QCOMPARE(rig.view.boxRect().size(), QSizeF(102, 51));

        rig.view.setInputs({40, mood, false, look, Qt::white, reduced});
        QCOMPARE(rig.animation.isTicking(), shown && !reduced && !offset.isNull()); // springs, unless reduced
        for (int i = 0; i < 300 && rig.nextFrame(); ++i)
            QVERIFY(QRectF(rig.view.rect()).contains(rig.view.boxRect())); // overshoot included
        QVERIFY(!rig.animation.isTicking());
        QVERIFY(qAbs(rig.view.offset().x() - offset.x()) < 1e-6);
        QVERIFY(qAbs(rig.view.offset().y() - offset.y()) < 1e-6);
    }

    // The frame sits on whole device pixels: the spring takes a frame only where the frame moves, and
    // repaints the old and new places of the frame alone. A look that stays under half a pixel costs nothing.
    void everyFrameOfALookMovesTheFace_data()
    {
        QTest::addColumn<QSizeF>("look");
        QTest::addColumn<bool>("moves");
        QTest::newRow("across") << QSizeF(1, 0) << true;
        QTest::newRow("under half a pixel") << QSizeF(0.1, 0) << false;
    }

    void everyFrameOfALookMovesTheFace()
    {
        QFETCH(QSizeF, look);
        QFETCH(bool, moves);
        Rig rig;
        rig.view.setInputs({40, Mood::happy, false, QSizeF(0, 0), Qt::white, false});
        rig.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        QCoreApplication::processEvents();
        PaintRecorder paints(rig.view);

        rig.view.setInputs({40, Mood::happy, false, look, Qt::white, false});
        QCoreApplication::processEvents();
        QCOMPARE(paints.rects.size(), 0);
        int frames = 0;
        for (; frames < 300; ++frames) {
            const QRectF before = rig.view.frameRect();
            if (!rig.nextFrame())
                break;
            QVERIFY(rig.view.frameRect() != before);
            QCoreApplication::processEvents();
            QCOMPARE(paints.rects.size(), frames + 1);
            const QRect moved = (before | rig.view.frameRect()).toAlignedRect().adjusted(-1, -1, 1, 1);
            QVERIFY(moved.contains(paints.rects.constLast()));
        }
        QCOMPARE(frames > 0, moves);
        QVERIFY(!rig.animation.isTicking());
    }

    // Only the frame's coverage counts: its drawn half shows the tint, the rest stays transparent.
    void paintsTheFrameInTheTint()
    {
        TempFolder folder;
        QImage sheet(CompanionSprites::sheetWidth, CompanionSprites::sheetHeight, QImage::Format_ARGB32);
        sheet.fill(Qt::transparent);
        {
            QPainter painter(&sheet);
            for (int k = 0; k < CompanionSprites::frameCount; ++k) {
                const QRect frame = CompanionSprites::frameRect(k);
                painter.fillRect(frame.adjusted(0, 0, -frame.width() / 2, 0), QColor(0, 0, 255));
            }
        }
        QVERIFY(sheet.save(folder.file(QStringLiteral("atlas.png"))));
        Rig rig({folder.file(QStringLiteral("atlas.png"))});
        const QColor tint(200, 40, 90);
        rig.view.setInputs({40, Mood::happy, false, QSizeF(0, 0), tint, false});

        const QImage image = render(rig.view);
        const QRectF box = rig.view.boxRect();
        const QPointF drawn(box.left() + box.width() / 4, box.center().y());
        const QPointF blank(box.right() - box.width() / 4, box.center().y());
        QCOMPARE(image.pixelColor(drawn.toPoint()), tint);
        QCOMPARE(qAlpha(image.pixel(blank.toPoint())), 0);
        QVERIFY(box.toAlignedRect().adjusted(-1, -1, 1, 1).contains(paintedBounds(image)));
    }

    void withoutAnAtlasTheSymbolSitsInTheMovedBox()
    {
        Rig rig;
        rig.view.setInputs({40, Mood::happy, false, QSizeF(1, 0), Qt::white, false});
        QCOMPARE(rig.view.offset(), QPointF(4, 0));

        const QRect painted = paintedBounds(render(rig.view));
        QVERIFY(!painted.isEmpty());
        QVERIFY(painted.width() <= 18 && painted.height() <= 18);
        const QPointF centre = QRectF(painted).center();
        QVERIFY2((centre - rig.view.boxRect().center()).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("symbol centred at %1, %2").arg(centre.x()).arg(centre.y())));
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestCompanionSpriteView)
#include "tst_companionspriteview.moc"
