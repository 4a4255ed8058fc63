#include "Wisplet/Companion/FaceGeometry.h"
#include "tests/support/TestMain.h"

namespace {

constexpr double h = 38;

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

} // namespace

class TestFaceGeometry final : public QObject
{
    Q_OBJECT

private slots:
    void eyes_data()
    {
        QTest::addColumn<Skin>("skin");
        QTest::addColumn<Mood>("mood");
        QTest::addColumn<bool>("blinking");
        QTest::addColumn<QSizeF>("look");
        QTest::addColumn<bool>("reduced");
        QTest::addColumn<QPointF>("leftCentre");
        QTest::addColumn<QSizeF>("eyeSize");
        QTest::addColumn<double>("scaleX");
        QTest::addColumn<double>("leftScaleY");
        QTest::addColumn<double>("rightScaleY");
        QTest::addColumn<double>("leftRotation");

        const QSizeF none(0, 0);
        const QSizeF classicEye(22.8, 38);
        QTest::newRow("classic happy") << Skin::classic << Mood::happy << false << none << false << QPointF(-38, 0)
                                       << classicEye << 1.0 << 1.0 << 1.0 << 0.0;
        QTest::newRow("round happy") << Skin::round << Mood::happy << false << none << false << QPointF(-38, 0)
                                     << QSizeF(31.16, 34.96) << 1.0 << 1.0 << 1.0 << 0.0;
        QTest::newRow("cat slants outwards") << Skin::cat << Mood::happy << false << none << false << QPointF(-38, 0)
                                             << QSizeF(15.96, 38) << 1.0 << 1.0 << 1.0 << -9.0;
        QTest::newRow("cat worried") << Skin::cat << Mood::worried << false << none << false << QPointF(-38, 0)
                                     << QSizeF(15.96, 38) << 1.0 << 0.95 << 0.95 << 3.0;
        QTest::newRow("worried") << Skin::classic << Mood::worried << false << none << false << QPointF(-38, 0)
                                 << classicEye << 1.0 << 0.95 << 0.95 << 12.0;
        QTest::newRow("sad") << Skin::classic << Mood::sad << false << none << false << QPointF(-38, 0.7 * 0.18 * h)
                             << classicEye << 1.0 << 0.8 << 0.8 << -10.0;
        // A mood's gaze replaces the pointer: down 0.108 H and never sideways.
        QTest::newRow("sleepy ignores the look") << Skin::classic << Mood::sleepy << false << QSizeF(1, 0) << false
                                                 << QPointF(-38, 0.108 * h) << classicEye << 1.0 << 0.35 << 0.35 << 0.0;
        QTest::newRow("look") << Skin::classic << Mood::happy << false << QSizeF(1, 0.5) << false
                              << QPointF(-38 + 11.4, 3.42) << classicEye << 1.0 << 1.0 << 1.0 << 0.0;
        QTest::newRow("reduced motion centres") << Skin::classic << Mood::happy << false << QSizeF(1, 0.5) << true
                                                << QPointF(-38, 0) << classicEye << 1.0 << 1.0 << 1.0 << 0.0;
        QTest::newRow("a gaze holds under reduced motion")
            << Skin::classic << Mood::thinking << false << QSizeF(-1, 0) << true << QPointF(-38 + 7.98, -3.42)
            << classicEye << 1.0 << 0.75 << 1.0 << 0.0;
        QTest::newRow("asleep stays centred") << Skin::classic << Mood::asleep << false << QSizeF(1, 1) << false
                                              << QPointF(-38, 0) << classicEye << 1.0 << 0.08 << 0.08 << 0.0;
        QTest::newRow("surprised widens") << Skin::classic << Mood::surprised << false << none << false
                                          << QPointF(-38, 0) << classicEye << 1.35 << 1.12 << 1.12 << 0.0;
        QTest::newRow("blink") << Skin::classic << Mood::focused << true << none << false << QPointF(-38, 0)
                               << classicEye << 1.0 << 0.08 << 0.08 << 0.0;
        QTest::newRow("wink while blinking") << Skin::classic << Mood::wink << true << none << false << QPointF(-38, 0)
                                             << classicEye << 1.0 << 0.008 << 0.08 << 0.0;
        QTest::newRow("a wild look is clamped") << Skin::classic << Mood::happy << false << QSizeF(3, -2) << false
                                                << QPointF(-38 + 11.4, -6.84) << classicEye << 1.0 << 1.0 << 1.0 << 0.0;
    }

    void eyes()
    {
        QFETCH(Skin, skin);
        QFETCH(Mood, mood);
        QFETCH(bool, blinking);
        QFETCH(QSizeF, look);
        QFETCH(bool, reduced);
        QFETCH(QPointF, leftCentre);
        QFETCH(QSizeF, eyeSize);
        QFETCH(double, scaleX);
        QFETCH(double, leftScaleY);
        QFETCH(double, rightScaleY);
        QFETCH(double, leftRotation);

        const FaceGeometry face = FaceGeometry::of(h, skin, mood, blinking, look, reduced);
        QVERIFY2(near(face.leftEye.centre, leftCentre),
                 qPrintable(QStringLiteral("%1, %2").arg(face.leftEye.centre.x()).arg(face.leftEye.centre.y())));
        QVERIFY(near(face.rightEye.centre, leftCentre + QPointF(2 * h, 0)));
        QVERIFY(near(face.leftEye.size, eyeSize));
        QVERIFY(near(face.rightEye.size, eyeSize));
        QVERIFY(near(face.leftEye.scaleX, scaleX) && near(face.rightEye.scaleX, scaleX));
        QVERIFY(near(face.leftEye.scaleY, leftScaleY));
        QVERIFY(near(face.rightEye.scaleY, rightScaleY));
        QVERIFY(near(face.leftEye.rotation, leftRotation));
        QVERIFY(near(face.rightEye.rotation, -leftRotation));
        QCOMPARE(face.eyeShape, skin == Skin::classic ? EyeShape::capsule : EyeShape::ellipse);
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
        QTest::addColumn<Skin>("skin");
        QTest::addColumn<Mood>("mood");
        QTest::addColumn<QSizeF>("look");
        QTest::addColumn<bool>("ring");
        QTest::addColumn<QPointF>("centre");
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<double>("curvature");

        QTest::newRow("happy") << Skin::classic << Mood::happy << QSizeF(0, 0) << false << QPointF(0, 20.9)
                               << QSizeF(30.4, 6.84) << 1.0;
        QTest::newRow("cat narrows") << Skin::cat << Mood::happy << QSizeF(0, 0) << false << QPointF(0, 20.9)
                                     << QSizeF(30.4 * 0.7, 6.84) << 1.0;
        QTest::newRow("round keeps the width") << Skin::round << Mood::sad << QSizeF(0, 0) << false
                                               << QPointF(0, 20.9 + 0.6 * 0.7 * 0.18 * h) << QSizeF(22.8, 6.84) << -0.7;
        QTest::newRow("surprised ring") << Skin::cat << Mood::surprised << QSizeF(0, 0) << true << QPointF(0, 20.9)
                                        << QSizeF(15.2, 15.2) << 0.0;
        QTest::newRow("follows the look at six tenths")
            << Skin::classic << Mood::happy << QSizeF(1, 0.5) << false << QPointF(6.84, 20.9 + 0.6 * 3.42)
            << QSizeF(30.4, 6.84) << 1.0;
    }

    void mouth()
    {
        QFETCH(Skin, skin);
        QFETCH(Mood, mood);
        QFETCH(QSizeF, look);
        QFETCH(bool, ring);
        QFETCH(QPointF, centre);
        QFETCH(QSizeF, size);
        QFETCH(double, curvature);

        const MouthGeometry mouth = FaceGeometry::of(h, skin, mood, false, look, false).mouth;
        QCOMPARE(mouth.shape == MouthKind::Shape::ring, ring);
        QVERIFY(near(mouth.frame.center(), centre));
        QVERIFY(near(mouth.frame.size(), size));
        QVERIFY(near(mouth.curvature, curvature));
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

    void decorations_data()
    {
        QTest::addColumn<Mood>("mood");
        QTest::addColumn<FaceExtra>("kind");
        QTest::addColumn<double>("size");
        QTest::addColumn<QPointF>("centre");

        QTest::newRow("hot sweats") << Mood::hot << FaceExtra::sweat << 12.16 << QPointF(38 + 1.3 * 22.8, -13.3);
        QTest::newRow("asleep") << Mood::asleep << FaceExtra::zzz << 12.16 << QPointF(38 + 1.5 * 22.8, -17.1);
        QTest::newRow("proud") << Mood::proud << FaceExtra::sparkle << 11.4 << QPointF(38 + 1.4 * 22.8, -15.2);
        QTest::newRow("loving") << Mood::loving << FaceExtra::sparkle << 11.4 << QPointF(38 + 1.4 * 22.8, -15.2);
        QTest::newRow("sad") << Mood::sad << FaceExtra::none << 0.0 << QPointF();
        QTest::newRow("worried") << Mood::worried << FaceExtra::none << 0.0 << QPointF();
    }

    void decorations()
    {
        QFETCH(Mood, mood);
        QFETCH(FaceExtra, kind);
        QFETCH(double, size);
        QFETCH(QPointF, centre);

        // The decoration does not follow the look.
        const DecorationGeometry decoration =
            FaceGeometry::of(h, Skin::classic, mood, false, {-1, 1}, false).decoration;
        QCOMPARE(decoration.kind, kind);
        if (kind == FaceExtra::none)
            return;
        QVERIFY(near(decoration.size, size));
        QVERIFY(near(decoration.centre, centre));
    }

    void decorationLoops()
    {
        const double s = 10;
        const Decoration::SweatDropLayout rest = Decoration::sweatDrop(s, 0);
        const Decoration::SweatDropLayout dripped = Decoration::sweatDrop(s, 1);
        QVERIFY(near(dripped.drop.top() - rest.drop.top(), 6));
        QVERIFY(near(rest.opacity, 1) && near(dripped.opacity, 0.3));

        const auto letters = Decoration::zzz(s, 0);
        const auto floated = Decoration::zzz(s, 1);
        for (std::size_t i = 0; i < letters.size(); ++i) {
            QVERIFY(near(letters[i].fontSize, (0.7 + 0.3 * double(i)) * s));
            QVERIFY(near(letters[i].cell.bottom(), letters[0].cell.bottom()));
            QVERIFY(near(letters[i].cell.top() - floated[i].cell.top(), double(i + 1) * 3.5));
            QVERIFY(near(floated[i].opacity, 0.35));
            if (i > 0)
                QVERIFY(near(letters[i].cell.left() - letters[i - 1].cell.right(), 1.5));
        }

        const Decoration::SparkleLayout still = Decoration::sparkles(s, 0);
        QVERIFY(near(still.bigOpacity, 0.3) && near(still.bigScale, 0.7) && near(still.smallOpacity, 1));
        QVERIFY(near(still.small.center(), QPointF(9, 8)) && near(still.small.width(), 6));
        const Decoration::SparkleLayout lit = Decoration::sparkles(s, 1);
        QVERIFY(near(lit.bigOpacity, 1) && near(lit.bigScale, 1) && near(lit.smallOpacity, 0.3));
    }

    void layoutSizes_data()
    {
        QTest::addColumn<Skin>("skin");
        QTest::addColumn<QSizeF>("size");
        QTest::newRow("classic") << Skin::classic << QSizeF(133, 60.8);
        QTest::newRow("round") << Skin::round << QSizeF(153.9, 60.8);
        QTest::newRow("cat") << Skin::cat << QSizeF(115.9, 60.8);
    }

    void layoutSizes()
    {
        QFETCH(Skin, skin);
        QFETCH(QSizeF, size);
        QVERIFY(near(FaceGeometry::layoutSizeFor(h, skin), size));
        QVERIFY(near(FaceGeometry::of(h, skin, Mood::proud, false, QSizeF(0, 0), false).layoutSize, size));
    }

    void paintBoundsHoldEveryMoodAndLook()
    {
        const std::array looks{QSizeF(-1, -1), QSizeF(1, 1), QSizeF(0.3, -0.8), QSizeF(5, 5)};
        for (const Skin skin : allSkins) {
            const QRectF bounds = FaceGeometry::paintBounds(h, skin);
            QVERIFY(near(bounds.center(), QPointF(0, 0)));
            QRectF layout(QPointF(), FaceGeometry::layoutSizeFor(h, skin));
            layout.moveCenter(QPointF(0, 0));
            QVERIFY(bounds.contains(layout));
            for (const Mood mood : allMoods) {
                for (const QSizeF& look : looks) {
                    const QRectF drawn = FaceGeometry::of(h, skin, mood, false, look, false).drawnBounds();
                    QVERIFY2(bounds.contains(drawn), qPrintable(rawValue(skin) + u' ' + rawValue(mood)));
                }
            }
        }
    }
};

WISPLET_TEST_MAIN(TestFaceGeometry)
#include "tst_facegeometry.moc"
