#include "Wisplet/Base/WindowPlacement.h"
#include "tests/support/WidgetsTestMain.h"

namespace {

// A 1920 × 1080 primary with a taskbar at the bottom, and a 1280 × 800 screen to its right.
const QRect primary(0, 0, 1920, 1050);
const QRect second(1920, 0, 1280, 800);
// Openbox's frame: a 20-pixel title bar, a 5-pixel handle below, 1-pixel sides.
const QMargins frame(1, 20, 1, 5);
const QSize settings(800, 640);
const QSize settingsMinimum(720, 560);

struct Row
{
    WindowFit fit;
    QRect content;
    QSize minimum;
};

// A 400 × 300 window, at home on the primary, whose frame's corner stands at `at`.
Row placed(QPoint at, QRect content, QList<QRect> screens = {primary, second})
{
    return {{std::move(screens), primary, frame, QSize(400, 300), QSize(200, 100), at}, content, QSize(200, 100)};
}

} // namespace

Q_DECLARE_METATYPE(Row)

// Where a window of ours opens and stays: on one screen, whole, title bar included.
class TestWindowPlacement final : public QObject
{
    Q_OBJECT

private slots:
    void fit_data()
    {
        QTest::addColumn<Row>("row");
        QTest::newRow("a new window is centred, frame included") << Row{
            {{primary, second}, primary, frame, settings, settingsMinimum, {}}, {560, 212, 800, 640}, settingsMinimum};
        // 1512 × 982 at scale 2.
        QTest::newRow("larger than the screen: the area, the minimum giving way")
            << Row{{{QRect(0, 0, 756, 491)}, QRect(0, 0, 756, 491), frame, settings, settingsMinimum, {}},
                   {1, 20, 754, 466},
                   {720, 466}};
        QTest::newRow("on the second screen, it stays there") << placed({2000, 100}, {2001, 120, 400, 300});
        QTest::newRow("title bar above the screen: brought down") << placed({100, -50}, {101, 20, 400, 300});
        QTest::newRow("over the bottom edge: brought up") << placed({100, 900}, {101, 745, 400, 300});
        QTest::newRow("across two screens: onto the one holding most") << placed({1700, 100}, {1519, 120, 400, 300});
        QTest::newRow("on no screen at all: centred on its home")
            << placed({5000, 5000}, {760, 382, 400, 300}, {primary});
    }

    void fit()
    {
        QFETCH(Row, row);
        const FittedWindow fitted = fitWindow(row.fit);
        QCOMPARE(fitted.content, row.content);
        QCOMPARE(fitted.minimum, row.minimum);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestWindowPlacement)
#include "tst_windowplacement.moc"
