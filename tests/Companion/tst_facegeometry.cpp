#include "Wisplet/Base/Mood.h"
#include "Wisplet/Companion/FaceGeometry.h"
#include "tests/support/TestMain.h"

namespace {

constexpr double h = 38;
// Looking straight ahead.
const QSizeF ahead(0, 0);

bool near(double a, double b)
{
    return std::abs(a - b) < 1e-9;
}

bool near(QPointF a, QPointF b)
{
    return near(a.x(), b.x()) && near(a.y(), b.y());
}

bool near(QSizeF a, QSizeF b)
{
    return near(a.width(), b.width()) && near(a.height(), b.height());
}

struct Eyes
{
    Skin skin = Skin::classic;
    Mood mood = Mood::happy;
    bool blinking = false;
    QSizeF look;
    bool reduced = false;
    QPointF leftCentre;
    QSizeF eyeSize;
    double scaleX = 1;
    double leftScaleY = 1;
    double rightScaleY = 1;
    double leftRotation = 0;
};

struct Mouth
{
    Skin skin = Skin::classic;
    Mood mood = Mood::happy;
    QSizeF look;
    bool ring = false;
    QPointF centre;
    QSizeF size;
    double curvature = 0;
};

struct Parse
{
    QString raw;
    int mood = -1; // -1: none
    int size = -1;
};

} // namespace

Q_DECLARE_METATYPE(Eyes)
Q_DECLARE_METATYPE(Mouth)
Q_DECLARE_METATYPE(Parse)

// The moods and the face they give.
class TestFaceGeometry final : public QObject
{
    Q_OBJECT

private slots:
    void rawValuesAreExactAndCaseSensitive_data()
    {
        QTest::addColumn<Parse>("row");
        QTest::newRow("mood") << Parse{QStringLiteral("wink"), int(Mood::wink), -1};
        QTest::newRow("face size") << Parse{QStringLiteral("huge"), -1, int(FaceSize::huge)};
        QTest::newRow("capitalised") << Parse{QStringLiteral("Happy")};
        QTest::newRow("padded") << Parse{QStringLiteral(" small")};
    }

    void rawValuesAreExactAndCaseSensitive()
    {
        QFETCH(Parse, row);
        const std::optional<Mood> mood = moodFromRawValue(row.raw);
        const std::optional<FaceSize> size = faceSizeFromRawValue(row.raw);
        QCOMPARE(mood ? int(*mood) : -1, row.mood);
        QCOMPARE(size ? int(*size) : -1, row.size);
    }

    void everyMoodRoundTripsAndAsleepIsNotSelectable()
    {
        QSet<QString> names;
        for (const Mood mood : allMoods) {
            names.insert(rawValue(mood));
            QCOMPARE(moodFromRawValue(rawValue(mood)), mood);
        }
        QCOMPARE(names.size(), qsizetype(allMoods.size()));
        QCOMPARE(selectableMoods.size(), allMoods.size() - 1);
        QVERIFY(std::find(selectableMoods.begin(), selectableMoods.end(), Mood::asleep) == selectableMoods.end());
    }

    void styleEquality()
    {
        MoodStyle withoutGaze = styleOf(Mood::happy);
        MoodStyle zeroGaze = withoutGaze;
        zeroGaze.gaze = QSizeF(0, 0);
        QVERIFY(withoutGaze != zeroGaze);
        QVERIFY(withoutGaze == styleOf(Mood::happy));
        QVERIFY(MouthKind::curve(1, 0.5) != MouthKind::curve(1, 0.6));
        QVERIFY(MouthKind::curve(0, 0) != MouthKind::ring());
    }

    void eyes_data()
    {
        QTest::addColumn<Eyes>("row");
        const QSizeF eye(22.8, 38);
        const QPointF left(-38, 0);
        QTest::newRow("classic happy") << Eyes{Skin::classic, Mood::happy, false, ahead, false, left, eye};
        QTest::newRow("cat slants outwards")
            << Eyes{Skin::cat, Mood::happy, false, ahead, false, left, {15.96, 38}, 1, 1, 1, -9};
        // A mood's gaze replaces the pointer: down 0.108 H and never sideways.
        QTest::newRow("sleepy ignores the look")
            << Eyes{Skin::classic, Mood::sleepy, false, {1, 0}, false, {-38, 0.108 * h}, eye, 1, 0.35, 0.35};
        QTest::newRow("look") << Eyes{Skin::classic, Mood::happy, false, {1, 0.5}, false, {-38 + 11.4, 3.42}, eye};
        QTest::newRow("reduced motion centres") << Eyes{Skin::classic, Mood::happy, false, {1, 0.5}, true, left, eye};
        QTest::newRow("a gaze holds under reduced motion")
            << Eyes{Skin::classic, Mood::thinking, false, {-1, 0}, true, {-38 + 7.98, -3.42}, eye, 1, 0.75, 1};
        QTest::newRow("asleep stays centred")
            << Eyes{Skin::classic, Mood::asleep, false, {1, 1}, false, left, eye, 1, 0.08, 0.08};
        QTest::newRow("blink") << Eyes{Skin::classic, Mood::focused, true, ahead, false, left, eye, 1, 0.08, 0.08};
        QTest::newRow("wink while blinking")
            << Eyes{Skin::classic, Mood::wink, true, ahead, false, left, eye, 1, 0.008, 0.08};
        QTest::newRow("a wild look is clamped")
            << Eyes{Skin::classic, Mood::happy, false, {3, -2}, false, {-38 + 11.4, -6.84}, eye};
    }

    void eyes()
    {
        QFETCH(Eyes, row);
        const FaceGeometry face = FaceGeometry::of(h, row.skin, row.mood, row.blinking, row.look, row.reduced);
        QVERIFY2(near(face.leftEye.centre, row.leftCentre),
                 qPrintable(QStringLiteral("%1, %2").arg(face.leftEye.centre.x()).arg(face.leftEye.centre.y())));
        QVERIFY(near(face.rightEye.centre, row.leftCentre + QPointF(2 * h, 0)));
        QVERIFY(near(face.leftEye.size, row.eyeSize));
        QVERIFY(near(face.rightEye.size, row.eyeSize));
        QVERIFY(near(face.leftEye.scaleX, row.scaleX) && near(face.rightEye.scaleX, row.scaleX));
        QVERIFY(near(face.leftEye.scaleY, row.leftScaleY));
        QVERIFY(near(face.rightEye.scaleY, row.rightScaleY));
        QVERIFY(near(face.leftEye.rotation, row.leftRotation));
        QVERIFY(near(face.rightEye.rotation, -row.leftRotation));
        QCOMPARE(face.eyeShape, row.skin == Skin::classic ? EyeShape::capsule : EyeShape::ellipse);
    }

    void eyesTurnClockwiseForAPositiveRotation()
    {
        // The cat's left eye leans its top outwards, to the left.
        const FaceGeometry face = FaceGeometry::of(h, Skin::cat, Mood::happy, false, QSizeF(0, 0), false);
        const QPointF top = face.leftEye.transform().map(QPointF(0, -h / 2));
        QVERIFY(top.x() < face.leftEye.centre.x());
    }

    void mouth_data()
    {
        QTest::addColumn<Mouth>("row");
        QTest::newRow("happy") << Mouth{Skin::classic, Mood::happy, ahead, false, {0, 20.9}, {30.4, 6.84}, 1};
        QTest::newRow("cat narrows") << Mouth{Skin::cat, Mood::happy, ahead, false, {0, 20.9}, {30.4 * 0.7, 6.84}, 1};
        QTest::newRow("round keeps the width")
            << Mouth{Skin::round, Mood::sad, ahead, false, {0, 20.9 + 0.6 * 0.7 * 0.18 * h}, {22.8, 6.84}, -0.7};
        QTest::newRow("surprised ring") << Mouth{Skin::cat, Mood::surprised, ahead, true, {0, 20.9}, {15.2, 15.2}, 0};
        QTest::newRow("follows the look at six tenths")
            << Mouth{Skin::classic, Mood::happy, {1, 0.5}, false, {6.84, 20.9 + 0.6 * 3.42}, {30.4, 6.84}, 1};
    }

    void mouth()
    {
        QFETCH(Mouth, row);
        const MouthGeometry mouth = FaceGeometry::of(h, row.skin, row.mood, false, row.look, false).mouth;
        QCOMPARE(mouth.shape == MouthKind::Shape::ring, row.ring);
        QVERIFY(near(mouth.frame.center(), row.centre));
        QVERIFY(near(mouth.frame.size(), row.size));
        QVERIFY(near(mouth.curvature, row.curvature));
        QVERIFY(near(mouth.lineWidth, 3.42));
    }

    void smileBowsFromTheTopEdge_data()
    {
        QTest::addColumn<double>("curve");
        QTest::newRow("smile") << 1.0;
        QTest::newRow("flat") << 0.0;
        QTest::newRow("frown above the frame") << -0.7;
    }

    void smileBowsFromTheTopEdge()
    {
        QFETCH(double, curve);
        const QRectF frame(10, 20, 30, 10);
        const QPainterPath path = smilePath(frame, curve);
        QCOMPARE(path.pointAtPercent(0), frame.topLeft());
        QCOMPARE(path.pointAtPercent(1), frame.topRight());
        QVERIFY(near(path.pointAtPercent(0.5), QPointF(25, 20 + curve * 10)));
    }

    void teardropPointsUpAndFillsItsFrame()
    {
        const QRectF frame(0, 0, 7, 10);
        const QPainterPath drop = teardropPath(frame);
        QCOMPARE(drop.pointAtPercent(0), QPointF(3.5, 0));
        const QRectF bounds = drop.boundingRect();
        QVERIFY(std::abs(bounds.left() - frame.left()) < 1e-6 && std::abs(bounds.right() - frame.right()) < 1e-6);
        QVERIFY(std::abs(bounds.top()) < 1e-6 && std::abs(bounds.bottom() - frame.bottom()) < 1e-6);
        QVERIFY(drop.contains(QPointF(3.5, 9.5)));
        QVERIFY(!drop.contains(QPointF(0.5, 0.5)));
    }

    void decorationsStayPutAndOnlySomeMoodsHaveThem()
    {
        // The decoration does not follow the look; a mood without one has none.
        for (const Mood mood : allMoods) {
            const DecorationGeometry still = FaceGeometry::of(h, Skin::classic, mood, false, ahead, false).decoration;
            const DecorationGeometry looking =
                FaceGeometry::of(h, Skin::classic, mood, false, {-1, 1}, false).decoration;
            QCOMPARE(looking.kind, styleOf(mood).extra);
            QVERIFY(near(looking.centre, still.centre));
            QCOMPARE(looking.kind == FaceExtra::none, looking.size == 0);
        }
        QVERIFY(near(FaceGeometry::of(h, Skin::classic, Mood::hot, false, ahead, false).decoration.centre,
                     QPointF(38 + 1.3 * 22.8, -13.3)));
    }

    void decorationLoops()
    {
        const double s = 10;
        const Decoration::SweatDropLayout rest = Decoration::sweatDrop(s, 0);
        const Decoration::SweatDropLayout dripped = Decoration::sweatDrop(s, 1);
        QVERIFY(dripped.drop.top() > rest.drop.top() && dripped.opacity < rest.opacity);

        const auto letters = Decoration::zzz(s, 0);
        const auto floated = Decoration::zzz(s, 1);
        for (std::size_t i = 1; i < letters.size(); ++i) {
            QVERIFY(letters[i].fontSize > letters[i - 1].fontSize);
            QVERIFY(near(letters[i].cell.bottom(), letters[0].cell.bottom()));
            QVERIFY(letters[i].cell.left() > letters[i - 1].cell.right());
            // Each letter floats further than the one before.
            QVERIFY(letters[i].cell.top() - floated[i].cell.top()
                    > letters[i - 1].cell.top() - floated[i - 1].cell.top());
        }

        const Decoration::SparkleLayout still = Decoration::sparkles(s, 0);
        const Decoration::SparkleLayout lit = Decoration::sparkles(s, 1);
        QVERIFY(lit.bigOpacity > still.bigOpacity && lit.bigScale > still.bigScale);
        QVERIFY(lit.smallOpacity < still.smallOpacity);
    }
};

WISPLET_TEST_MAIN(TestFaceGeometry)
#include "tst_facegeometry.moc"
