#include "Wisplet/Base/ScreenChoice.h"
#include "Wisplet/Notch/NotchGeometry.h"
#include "Wisplet/Notch/NotchLayout.h"
#include "tests/support/FakeScreens.h"
#include "tests/support/TestMain.h"

#include <QLocale>

using namespace NotchLayout;

namespace {

// The primary display, and a laptop display right of it and 300 higher, 3024 × 1964 pixels at scale 2.
// The laptop's housing is 32 high and 188 wide between two unobscured areas of 662 each.
const QRectF primaryFrame(0, 0, 1920, 1080);
const QRectF laptopFrame(1920, -300, 1512, 982);
const ScreenInfo external = FakeScreens::plain(primaryFrame);
const ScreenInfo laptop = FakeScreens::withHousing(laptopFrame, 32, 662, 662);
const ScreenInfo plainLaptop = FakeScreens::plain(laptopFrame);
// The laptop's own panel as Linux reports it: no housing, told by its connector.
const ScreenInfo builtInLaptop = [] {
    ScreenInfo screen = plainLaptop;
    screen.builtIn = true;
    return screen;
}();

ScreenInfo without(ScreenInfo screen, std::optional<QRectF> ScreenInfo::*area)
{
    screen.*area = std::nullopt;
    return screen;
}

constexpr int none = -1;

struct Choice
{
    DisplayMode mode = DisplayMode::notch;
    QList<ScreenInfo> screens;
    int mainIndex = none;
    QPointF pointer;
    int expected = none;
};

struct Housing
{
    ScreenInfo screen;
    bool physical = false;
    QSizeF notchSize;
};

struct Collapsed
{
    FaceSize size = FaceSize::medium;
    QSizeF notch;
    double peekWidth = 0;
    QSizeF expected;
};

struct Expanded
{
    double screenWidth = 0;
    ToolID selected = ToolID::focus;
    bool breakPrompt = false;
    bool quiet = false;
    QSizeF expected;
};

struct Corners
{
    QRectF rect;
    double radius = 0;
    double expected = 0;
};

// A collapsed island's width, the face's and what the bubble or peek asks for; whether it gets less.
struct FitRow
{
    double islandWidth;
    double faceWidth;
    double wanted;
    bool cut;
};

} // namespace

Q_DECLARE_METATYPE(Choice)
Q_DECLARE_METATYPE(Housing)
Q_DECLARE_METATYPE(Collapsed)
Q_DECLARE_METATYPE(Expanded)
Q_DECLARE_METATYPE(Corners)
Q_DECLARE_METATYPE(FitRow)

// Which screen the island goes to, the housing it fits around, and the island's sizes and shapes.
class TestNotchLayout final : public QObject
{
    Q_OBJECT

private slots:
    void screenChoice_data()
    {
        QTest::addColumn<Choice>("row");
        const QList<ScreenInfo> externalFirst{external, laptop};
        const QPointF onPrimary(100, 100);
        using enum DisplayMode;
        QTest::newRow("notch: housing on the second screen, first is main")
            << Choice{notch, externalFirst, 0, onPrimary, 1};
        QTest::newRow("notch: inset without auxiliary areas still counts")
            << Choice{notch, {external, without(laptop, &ScreenInfo::auxiliaryTopRight)}, 0, onPrimary, 1};
        QTest::newRow("notch: no inset falls back to main") << Choice{notch, {external, plainLaptop}, 1, onPrimary, 1};
        QTest::newRow("notch: no inset, no main, falls back to the first")
            << Choice{notch, {external, plainLaptop}, none, onPrimary, 0};
        QTest::newRow("notch: no inset, the built-in display though it is neither main nor first")
            << Choice{notch, {external, builtInLaptop}, 0, onPrimary, 1};
        QTest::newRow("notch: a housing goes before a built-in display")
            << Choice{notch, {builtInLaptop, laptop}, 0, onPrimary, 1};
        QTest::newRow("main: the first screen, not the main one")
            << Choice{main, {plainLaptop, laptop}, 1, onPrimary, 0};
        QTest::newRow("cursor: top-left corner is inside") << Choice{cursor, externalFirst, 0, {1920, -300}, 1};
        QTest::newRow("cursor: right edge belongs to the next screen")
            << Choice{cursor, externalFirst, 0, {1920, 100}, 1};
        QTest::newRow("cursor: right edge of the last screen is outside")
            << Choice{cursor, externalFirst, 0, {3432, 0}, 0};
        QTest::newRow("cursor: overlapping frames give the first")
            << Choice{cursor, {external, FakeScreens::plain({960, 0, 1920, 1080})}, 1, {1000, 500}, 0};
        QTest::newRow("cursor: off every screen, no main") << Choice{cursor, externalFirst, none, {-1, 0}, 0};
        for (const DisplayMode mode : allDisplayModes)
            QTest::addRow("no screen at all, mode %d", int(mode)) << Choice{mode, {}, none, onPrimary, none};
    }

    void screenChoice()
    {
        QFETCH(Choice, row);
        FakeScreens provider;
        provider.setScreens(row.screens, row.mainIndex);
        provider.setPointer(row.pointer);

        const std::optional<ScreenInfo> chosen = screenFor(row.mode, provider);
        QCOMPARE(chosen, row.expected == none ? std::nullopt : std::optional(row.screens[row.expected]));
        const std::optional<NotchGeometry> geometry = NotchGeometry::current(row.mode, provider);
        QCOMPARE(geometry.has_value(), chosen.has_value());
        if (geometry)
            QCOMPARE(geometry->screen, *chosen);
    }

    void housing_data()
    {
        QTest::addColumn<Housing>("row");
        ScreenInfo lowAreas = laptop;
        lowAreas.auxiliaryTopLeft->setHeight(24);
        lowAreas.auxiliaryTopRight->setHeight(24);
        ScreenInfo noInset = laptop;
        noInset.topInset = 0;
        const QSizeF fallback = NotchGeometry::fallbackNotchSize;
        QTest::newRow("housing between two areas") << Housing{laptop, true, {188, 32}};
        // Both areas count: a housing off the middle is as wide as what they leave.
        QTest::newRow("areas of different widths")
            << Housing{FakeScreens::withHousing(laptopFrame, 32, 600, 700), true, {212, 32}};
        QTest::newRow("height is the inset, not the areas'") << Housing{lowAreas, true, {188, 32}};
        QTest::newRow("no left area") << Housing{without(laptop, &ScreenInfo::auxiliaryTopLeft), false, fallback};
        QTest::newRow("no right area") << Housing{without(laptop, &ScreenInfo::auxiliaryTopRight), false, fallback};
        QTest::newRow("areas without an inset") << Housing{noInset, false, fallback};
        QTest::newRow("plain screen") << Housing{plainLaptop, false, fallback};
    }

    void housing()
    {
        QFETCH(Housing, row);
        const NotchGeometry geometry = NotchGeometry::of(row.screen);
        QCOMPARE(geometry.screen, row.screen);
        QCOMPARE(geometry.hasPhysicalNotch, row.physical);
        QCOMPARE(geometry.notchSize, row.notchSize);
    }

    void faceRowHeightRoundsHalvesAwayFromZero()
    {
        // 1.7 eye heights: 40.8 and 95.2 round down, 57.8 and 74.8 up.
        QCOMPARE(faceRowHeight(FaceSize::small), 41.0);
        QCOMPARE(faceRowHeight(FaceSize::huge), 95.0);
    }

    void collapsedSize_data()
    {
        QTest::addColumn<Collapsed>("row");
        QTest::newRow("the notch wins") << Collapsed{FaceSize::medium, {200, 32}, 0, {228, 90}};
        QTest::newRow("the face's minimum wins") << Collapsed{FaceSize::medium, {120, 32}, 0, {167, 90}};
        QTest::newRow("huge on the fallback notch") << Collapsed{FaceSize::huge, {196, 32}, 0, {244, 127}};
        QTest::newRow("a 10-character bubble") << Collapsed{FaceSize::medium, {200, 32}, 104, {332, 90}};
    }

    void collapsedSize()
    {
        QFETCH(Collapsed, row);
        QCOMPARE(NotchLayout::collapsedSize(row.size, row.notch, row.peekWidth), row.expected);
    }

    void expandedSize_data()
    {
        QTest::addColumn<Expanded>("row");
        QTest::newRow("notes, break due") << Expanded{1512, ToolID::notes, true, false, {720, 538}};
        QTest::newRow("quiet hides the break") << Expanded{1512, ToolID::notes, true, true, {720, 462}};
        QTest::newRow("narrow screen") << Expanded{700, ToolID::notes, false, false, {676, 462}};
        QTest::newRow("no room at all") << Expanded{10, ToolID::weather, false, false, {0, 362}};
        QTest::newRow("weather") << Expanded{1512, ToolID::weather, false, false, {720, 362}};
        QTest::newRow("files is tall") << Expanded{1512, ToolID::files, false, false, {720, 462}};
        QTest::newRow("focus, break due") << Expanded{1512, ToolID::focus, true, false, {720, 438}};
    }

    void expandedSize()
    {
        QFETCH(Expanded, row);
        QCOMPARE(NotchLayout::expandedSize(row.screenWidth, QSizeF(200, 32), row.selected, row.breakPrompt, row.quiet),
                 row.expected);
    }

    void collapsedRowStaysInsideAndCentred_data()
    {
        QTest::addColumn<FitRow>("row");
        // Widths as a medium face (its frame about 119 wide) meets a 200-wide notch.
        QTest::newRow("face alone") << FitRow{228, 119, 0, false};
        QTest::newRow("short bubble fits whole") << FitRow{332, 119, 70, false};
        QTest::newRow("55 characters are cut") << FitRow{436, 119, 360, true};
        QTest::newRow("no room at all") << FitRow{132, 119, 80, true};
    }

    void collapsedRowStaysInsideAndCentred()
    {
        QFETCH(FitRow, row);
        const CollapsedRow placed = collapsedRow(row.islandWidth, row.faceWidth, row.wanted);
        const double width = row.faceWidth + (placed.sideWidth > 0 ? collapsedRowSpacing + placed.sideWidth : 0);
        const double rightGap = row.islandWidth - placed.faceLeft - width;
        QCOMPARE(placed.faceLeft, rightGap);
        QVERIFY(placed.sideWidth >= 0);
        QVERIFY(row.faceWidth > row.islandWidth - 2 * collapsedRowInset || placed.faceLeft >= collapsedRowInset);
        QCOMPARE(placed.sideWidth < row.wanted, row.cut);
    }

    void panelHangsFromTheScreensTop_data()
    {
        QTest::addColumn<QRectF>("screen");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("right of the primary, higher, at scale 2") << laptopFrame << QRect(2296, -300, 760, 560);
        QTest::newRow("640 wide: as wide as the screen") << QRectF(0, 0, 640, 480) << QRect(0, 0, 640, 480);
        QTest::newRow("800 × 480 beside another screen") << QRectF(1920, 0, 800, 480) << QRect(1940, 0, 760, 480);
    }

    void panelHangsFromTheScreensTop()
    {
        QFETCH(QRectF, screen);
        QFETCH(QRect, expected);
        QCOMPARE(NotchLayout::panelFrame(screen, QSize(760, 560)), expected);
    }

    void layoutKeyDropsFractions()
    {
        QCOMPARE(NotchLayout::layoutKey(false, FaceSize::medium, 187.5, ToolID::focus, false),
                 QStringLiteral("false-medium-187-focus-false"));
        QCOMPARE(NotchLayout::layoutKey(true, FaceSize::medium, 0, ToolID::focus, true),
                 QStringLiteral("true-medium-0-focus-true"));
    }

    void islandCornersAreClamped_data()
    {
        QTest::addColumn<Corners>("row");
        QTest::newRow("as asked") << Corners{{10, 0, 228, 90}, 18, 18};
        QTest::newRow("half the height") << Corners{{0, 0, 200, 20}, 26, 10};
        QTest::newRow("then half the width") << Corners{{0, 0, 12, 40}, 26, 6};
        QTest::newRow("square") << Corners{{0, 0, 100, 50}, 0, 0};
    }

    void islandCornersAreClamped()
    {
        QFETCH(Corners, row);
        const QRectF& rect = row.rect;
        const QPainterPath path = NotchIslandShape{row.radius}.path(rect);
        QCOMPARE(path.boundingRect(), rect);
        // The top corners are square whatever the radius.
        QCOMPARE(QPointF(path.elementAt(0)), rect.topLeft());
        QVERIFY(path.contains(rect.topLeft() + QPointF(0.5, 0.5)));
        QVERIFY(path.contains(rect.topRight() + QPointF(-0.5, 0.5)));
        // The left edge runs down to where the bottom corner's arc starts.
        QCOMPARE(QPointF(path.elementAt(1)), QPointF(rect.left(), rect.bottom() - row.expected));
        QCOMPARE(path.contains(rect.bottomRight() + QPointF(-0.5, -0.5)), row.expected == 0);
    }

    void anEmptyRectangleHasNoIsland()
    {
        QVERIFY(NotchIslandShape{18}.path(QRectF(0, 0, 0, 90)).isEmpty());
        QVERIFY(NotchIslandShape{18}.path(QRectF(0, 0, 228, 0)).isEmpty());
        QVERIFY(NotchIslandShape{18}.path(QRectF(0, 0, -5, 10)).isEmpty());
    }

    void headerButtonsBrightenWhenActiveOrHovered()
    {
        using namespace HeaderButtonLook;
        QVERIFY(backgroundOpacity(true, false) > backgroundOpacity(false, true));
        QVERIFY(backgroundOpacity(false, true) > backgroundOpacity(false, false));
        QCOMPARE(backgroundOpacity(true, true), backgroundOpacity(true, false));
        QCOMPARE(symbolOpacity(false, true), 1.0);
        QVERIFY(symbolOpacity(false, false) < 1);
        // The pin names what a click does.
        QVERIFY(accessibleName(QStringLiteral("pin.fill"), true) != accessibleName(QStringLiteral("pin"), false));
    }

    void headerDateFollowsTheLocale()
    {
        QCOMPARE(headerDateText(QDate(2026, 12, 6), QLocale(QStringLiteral("en_GB"))), QStringLiteral("Sun, 6 Dec"));
        QCOMPARE(headerDateText(QDate(2026, 12, 6), QLocale(QStringLiteral("en_US"))), QStringLiteral("Sun, Dec 6"));
    }
};

WISPLET_TEST_MAIN(TestNotchLayout)
#include "tst_notchlayout.moc"
