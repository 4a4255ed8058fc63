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

// The island with the widest bubble, 432 × 90, at the top centre of the primary.
const QRect island(744, 0, 432, 90);

// A 400 × 300 window, at home on the primary, whose frame's corner stands at `at`.
Row placed(QPoint at, QRect content, QList<QRect> screens = {primary, second}, QRect islandRect = {})
{
    return {{std::move(screens), primary, frame, QSize(400, 300), QSize(200, 100), at, islandRect},
            content,
            QSize(200, 100)};
}

// A window asked for on a screen of that size, the island at the top centre of its 760-point panel.
Row opened(QSize screen, QSize size, QSize minimum, QRect content, QSize shrunk)
{
    const QRect area(QPoint(0, 0), screen);
    const int panel = std::min(760, screen.width());
    const QRect islandRect((screen.width() - panel) / 2 + (panel - island.width()) / 2, 0, island.width(),
                           island.height());
    return {{{area}, area, frame, size, minimum, {}, islandRect}, content, shrunk};
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
        QTest::newRow("a new window is centred, frame included")
            << Row{{{primary, second}, primary, frame, settings, settingsMinimum, {}, {}},
                   {560, 212, 800, 640},
                   settingsMinimum};
        // 1512 × 982 at scale 2.
        QTest::newRow("larger than the screen: the area, the minimum giving way")
            << Row{{{QRect(0, 0, 756, 491)}, QRect(0, 0, 756, 491), frame, settings, settingsMinimum, {}, {}},
                   {1, 20, 754, 466},
                   {720, 466}};
        QTest::newRow("on the second screen, it stays there") << placed({2000, 100}, {2001, 120, 400, 300});
        QTest::newRow("title bar above the screen: brought down") << placed({100, -50}, {101, 20, 400, 300});
        QTest::newRow("over the bottom edge: brought up") << placed({100, 900}, {101, 745, 400, 300});
        QTest::newRow("across two screens: onto the one holding most") << placed({1700, 100}, {1519, 120, 400, 300});
        QTest::newRow("on no screen at all: centred on its home")
            << placed({5000, 5000}, {760, 382, 400, 300}, {primary});

        // Clear of the island, 8 pixels from its outline, title bar included.
        QTest::newRow("centred clear of the island: it stays")
            << Row{{{primary, second}, primary, frame, settings, settingsMinimum, {}, island},
                   {560, 212, 800, 640},
                   settingsMinimum};
        QTest::newRow("2×, 1512×982: below the island, the minimum giving way")
            << opened({756, 491}, settings, settingsMinimum, {1, 118, 754, 368}, {720, 368});
        QTest::newRow("800×480, a fixed-size welcome: below the island, shorter")
            << opened({800, 480}, {480, 560}, {480, 560}, {160, 118, 480, 357}, {480, 357});
        QTest::newRow("1.5×, 1366×768: below the island")
            << opened({911, 512}, settings, settingsMinimum, {55, 118, 800, 389}, {720, 389});
        QTest::newRow("under the island's left end: down below it, the shortest move")
            << placed({800, 0}, {801, 118, 400, 300}, {primary, second}, island);
        QTest::newRow("under its right end: beside it, the shortest move")
            << placed({1100, 0}, {1185, 20, 400, 300}, {primary, second}, island);
        QTest::newRow("on the other screen: the island is no matter")
            << placed({2000, 0}, {2001, 20, 400, 300}, {primary, second}, island);
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
