#include "Wisplet/Base/Mood.h"
#include "tests/support/TestMain.h"

class TestMood final : public QObject
{
    Q_OBJECT

private slots:
    void rawValuesAreExactAndCaseSensitive_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<int>("mood"); // -1: none
        QTest::newRow("wink") << QStringLiteral("wink") << int(Mood::wink);
        QTest::newRow("happy") << QStringLiteral("happy") << int(Mood::happy);
        QTest::newRow("capitalised") << QStringLiteral("Happy") << -1;
        QTest::newRow("padded") << QStringLiteral(" happy") << -1;
        QTest::newRow("empty") << QString() << -1;
        QTest::newRow("scoped") << QStringLiteral("Mood::happy") << -1;
    }

    void rawValuesAreExactAndCaseSensitive()
    {
        QFETCH(QString, raw);
        QFETCH(int, mood);
        const std::optional<Mood> parsed = moodFromRawValue(raw);
        QCOMPARE(parsed ? int(*parsed) : -1, mood);
    }

    void everyMoodRoundTripsInOrder()
    {
        const QStringList expected{"happy",   "focused", "sleepy",   "asleep", "surprised", "proud",
                                   "worried", "hot",     "thinking", "sad",    "loving",    "wink"};
        QStringList names;
        for (const Mood mood : allMoods) {
            names << rawValue(mood);
            QCOMPARE(moodFromRawValue(rawValue(mood)), mood);
        }
        QCOMPARE(names, expected);
    }

    void selectableMoodsLeaveOutAsleep()
    {
        QCOMPARE(selectableMoods.size(), std::size_t(11));
        QCOMPARE(selectableMoods[3], Mood::surprised); // the gap asleep leaves closes up
        QVERIFY(std::find(selectableMoods.begin(), selectableMoods.end(), Mood::asleep) == selectableMoods.end());
    }

    void styles_data()
    {
        QTest::addColumn<Mood>("mood");
        QTest::addColumn<double>("eyeScaleX");
        QTest::addColumn<double>("eyeScaleY");
        QTest::addColumn<double>("tilt");
        QTest::addColumn<double>("leftEye");
        QTest::addColumn<bool>("ring");
        QTest::addColumn<double>("curvature");
        QTest::addColumn<double>("width");
        QTest::addColumn<FaceExtra>("extra");
        QTest::addColumn<bool>("hasGaze");
        QTest::addColumn<QSizeF>("gaze");

        const auto row = [](Mood mood, double sx, double sy, double tilt, double left, bool ring, double curvature,
                            double width, FaceExtra extra, std::optional<QSizeF> gaze) {
            QTest::newRow(qPrintable(rawValue(mood))) << mood << sx << sy << tilt << left << ring << curvature << width
                                                      << extra << gaze.has_value() << gaze.value_or(QSizeF());
        };
        const std::optional<QSizeF> none;
        row(Mood::happy, 1.0, 1.0, 0, 1.0, false, 1.0, 0.8, FaceExtra::none, none);
        row(Mood::focused, 1.0, 0.55, 0, 1.0, false, 0.45, 0.6, FaceExtra::none, none);
        row(Mood::sleepy, 1.0, 0.35, 0, 1.0, false, 0.3, 0.6, FaceExtra::none, QSizeF(0, 0.6));
        row(Mood::asleep, 1.0, 0.08, 0, 1.0, false, 0.2, 0.5, FaceExtra::zzz, QSizeF(0, 0));
        row(Mood::surprised, 1.35, 1.12, 0, 1.0, true, 0, 0, FaceExtra::none, none);
        row(Mood::proud, 1.0, 0.6, 0, 1.0, false, 1.3, 1.0, FaceExtra::sparkle, none);
        row(Mood::worried, 1.0, 0.95, 12, 1.0, false, -0.45, 0.55, FaceExtra::none, none);
        row(Mood::hot, 1.0, 0.6, 0, 1.0, false, 0.05, 0.7, FaceExtra::sweat, none);
        row(Mood::thinking, 1.0, 1.0, 0, 0.75, false, 0.15, 0.4, FaceExtra::none, QSizeF(0.7, -0.5));
        row(Mood::sad, 1.0, 0.8, -10, 1.0, false, -0.7, 0.6, FaceExtra::none, QSizeF(0, 0.7));
        row(Mood::loving, 1.0, 1.0, 0, 1.0, false, 1.2, 0.7, FaceExtra::sparkle, none);
        row(Mood::wink, 1.0, 1.0, 0, 0.1, false, 0.9, 0.7, FaceExtra::none, none);
    }

    void styles()
    {
        QFETCH(Mood, mood);
        QFETCH(double, eyeScaleX);
        QFETCH(double, eyeScaleY);
        QFETCH(double, tilt);
        QFETCH(double, leftEye);
        QFETCH(bool, ring);
        QFETCH(double, curvature);
        QFETCH(double, width);
        QFETCH(FaceExtra, extra);
        QFETCH(bool, hasGaze);
        QFETCH(QSizeF, gaze);

        const MoodStyle style = styleOf(mood);
        QCOMPARE(style.eyeScaleX, eyeScaleX);
        QCOMPARE(style.eyeScaleY, eyeScaleY);
        QCOMPARE(style.eyeTilt, tilt);
        QCOMPARE(style.leftEyeScaleY, leftEye);
        QCOMPARE(style.mouth, ring ? MouthKind::ring() : MouthKind::curve(curvature, width));
        QCOMPARE(style.extra, extra);
        QCOMPARE(style.gaze.has_value(), hasGaze);
        if (hasGaze)
            QCOMPARE(*style.gaze, gaze);
    }

    void styleEquality()
    {
        MoodStyle withoutGaze = styleOf(Mood::happy);
        MoodStyle zeroGaze = withoutGaze;
        zeroGaze.gaze = QSizeF(0, 0);
        QVERIFY(withoutGaze != zeroGaze);
        QVERIFY(withoutGaze == styleOf(Mood::happy));
        QVERIFY(MouthKind::ring() == (MouthKind{MouthKind::Shape::ring, 3, 4}));
        QVERIFY(MouthKind::curve(1, 0.5) != MouthKind::curve(1, 0.6));
        QVERIFY(MouthKind::curve(0, 0) != MouthKind::ring());
    }

    void faceSizes_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<int>("size"); // -1: none
        QTest::newRow("huge") << QStringLiteral("huge") << int(FaceSize::huge);
        QTest::newRow("small") << QStringLiteral("small") << int(FaceSize::small);
        QTest::newRow("capitalised") << QStringLiteral("Huge") << -1;
        QTest::newRow("empty") << QString() << -1;
    }

    void faceSizes()
    {
        QFETCH(QString, raw);
        QFETCH(int, size);
        const std::optional<FaceSize> parsed = faceSizeFromRawValue(raw);
        QCOMPARE(parsed ? int(*parsed) : -1, size);
    }
};

WISPLET_TEST_MAIN(TestMood)
#include "tst_mood.moc"
