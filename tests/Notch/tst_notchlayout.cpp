#include "Wisplet/Notch/NotchLayout.h"
#include "tests/support/TestMain.h"

#include <QDate>
#include <QLocale>

using namespace NotchLayout;

// A collapsed island's width, the face's and what the bubble or peek asks for; whether it gets less.
struct FitRow
{
    double islandWidth;
    double faceWidth;
    double wanted;
    bool cut;
};
Q_DECLARE_METATYPE(FitRow)

class TestNotchLayout final : public QObject
{
    Q_OBJECT

private slots:
    void faceRowHeightRoundsHalvesAwayFromZero_data()
    {
        QTest::addColumn<FaceSize>("size");
        QTest::addColumn<double>("eyeHeight");
        QTest::addColumn<double>("rowHeight");
        QTest::newRow("small") << FaceSize::small << 24.0 << 41.0;
        QTest::newRow("medium") << FaceSize::medium << 34.0 << 58.0;
        QTest::newRow("large") << FaceSize::large << 44.0 << 75.0;
        QTest::newRow("huge: 95.2") << FaceSize::huge << 56.0 << 95.0;
    }

    void faceRowHeightRoundsHalvesAwayFromZero()
    {
        QFETCH(FaceSize, size);
        QFETCH(double, eyeHeight);
        QFETCH(double, rowHeight);
        QCOMPARE(faceSizeMetrics(size).eyeHeight, eyeHeight);
        QCOMPARE(faceRowHeight(size), rowHeight);
    }

    void collapsedSize_data()
    {
        QTest::addColumn<FaceSize>("size");
        QTest::addColumn<QSizeF>("notch");
        QTest::addColumn<double>("peekWidth");
        QTest::addColumn<QSizeF>("expected");
        QTest::newRow("the notch wins") << FaceSize::medium << QSizeF(200, 32) << 0.0 << QSizeF(228, 90);
        QTest::newRow("the face's minimum wins") << FaceSize::medium << QSizeF(120, 32) << 0.0 << QSizeF(167, 90);
        QTest::newRow("huge on the fallback notch") << FaceSize::huge << QSizeF(196, 32) << 0.0 << QSizeF(244, 127);
        QTest::newRow("a 10-character bubble") << FaceSize::medium << QSizeF(200, 32) << 104.0 << QSizeF(332, 90);
    }

    void collapsedSize()
    {
        QFETCH(FaceSize, size);
        QFETCH(QSizeF, notch);
        QFETCH(double, peekWidth);
        QFETCH(QSizeF, expected);
        QCOMPARE(NotchLayout::collapsedSize(size, notch, peekWidth), expected);
    }

    void expandedSize_data()
    {
        QTest::addColumn<double>("screenWidth");
        QTest::addColumn<ToolID>("selected");
        QTest::addColumn<bool>("breakPrompt");
        QTest::addColumn<bool>("quiet");
        QTest::addColumn<QSizeF>("expected");
        QTest::newRow("notes, break due") << 1512.0 << ToolID::notes << true << false << QSizeF(720, 538);
        QTest::newRow("quiet hides the break") << 1512.0 << ToolID::notes << true << true << QSizeF(720, 462);
        QTest::newRow("narrow screen") << 700.0 << ToolID::notes << false << false << QSizeF(676, 462);
        QTest::newRow("no room at all") << 10.0 << ToolID::weather << false << false << QSizeF(0, 362);
        QTest::newRow("weather") << 1512.0 << ToolID::weather << false << false << QSizeF(720, 362);
        QTest::newRow("files is tall") << 1512.0 << ToolID::files << false << false << QSizeF(720, 462);
        QTest::newRow("business is tall") << 1512.0 << ToolID::business << false << false << QSizeF(720, 462);
        QTest::newRow("focus, break due") << 1512.0 << ToolID::focus << true << false << QSizeF(720, 438);
    }

    void expandedSize()
    {
        QFETCH(double, screenWidth);
        QFETCH(ToolID, selected);
        QFETCH(bool, breakPrompt);
        QFETCH(bool, quiet);
        QFETCH(QSizeF, expected);
        QCOMPARE(NotchLayout::expandedSize(screenWidth, QSizeF(200, 32), selected, breakPrompt, quiet), expected);
    }

    void radii()
    {
        QCOMPARE(cornerRadius(true), 26.0);
        QCOMPARE(cornerRadius(false), 18.0);
    }

    void collapsedRowStaysInsideAndCentred_data()
    {
        QTest::addColumn<FitRow>("row");
        // Widths as a medium face (its frame about 119 wide) meets a 200-wide notch.
        QTest::newRow("face alone") << FitRow{228, 119, 0, false};
        QTest::newRow("short bubble fits whole") << FitRow{332, 119, 70, false};
        QTest::newRow("55 characters are cut") << FitRow{436, 119, 360, true};
        QTest::newRow("huge face, long peek") << FitRow{434, 190, 400, true};
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

    void windowsGoBelowTheIsland_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<int>("islandBottom");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("1080p, open island: centred in the room below")
            << QRect(0, 0, 1920, 1080) << 362 << QPoint(680, 499);
        QTest::newRow("720p, open island: as low as it fits") << QRect(0, 0, 1280, 720) << 362 << QPoint(360, 260);
        QTest::newRow("right-hand screen, collapsed island") << QRect(1920, 0, 2560, 1440) << 90 << QPoint(2920, 543);
        QTest::newRow("taller than the screen: its top stays on it") << QRect(0, 0, 800, 400) << 90 << QPoint(120, 0);
    }

    void windowsGoBelowTheIsland()
    {
        QFETCH(QRect, available);
        QFETCH(int, islandBottom);
        QFETCH(QPoint, expected);
        QCOMPARE(windowPositionBelowIsland(available, QSize(560, 460), islandBottom), expected);
    }

    void layoutKey_data()
    {
        QTest::addColumn<bool>("expanded");
        QTest::addColumn<double>("peekWidth");
        QTest::addColumn<bool>("breakPrompt");
        QTest::addColumn<QString>("expected");
        QTest::newRow("collapsed with a bubble") << false << 104.0 << false << "false-medium-104-focus-false";
        QTest::newRow("fraction dropped") << false << 187.5 << false << "false-medium-187-focus-false";
        QTest::newRow("open, break due") << true << 0.0 << true << "true-medium-0-focus-true";
    }

    void layoutKey()
    {
        QFETCH(bool, expanded);
        QFETCH(double, peekWidth);
        QFETCH(bool, breakPrompt);
        QFETCH(QString, expected);
        QCOMPARE(NotchLayout::layoutKey(expanded, FaceSize::medium, peekWidth, ToolID::focus, breakPrompt), expected);
    }

    void islandCornersAreClamped_data()
    {
        QTest::addColumn<QRectF>("rect");
        QTest::addColumn<double>("radius");
        QTest::addColumn<double>("expected");
        QTest::newRow("as asked") << QRectF(10, 0, 228, 90) << 18.0 << 18.0;
        QTest::newRow("half the height") << QRectF(0, 0, 200, 20) << 26.0 << 10.0;
        QTest::newRow("then half the width") << QRectF(0, 0, 12, 40) << 26.0 << 6.0;
        QTest::newRow("square") << QRectF(0, 0, 100, 50) << 0.0 << 0.0;
    }

    void islandCornersAreClamped()
    {
        QFETCH(QRectF, rect);
        QFETCH(double, radius);
        QFETCH(double, expected);
        const QPainterPath path = NotchIslandShape{radius}.path(rect);
        QCOMPARE(path.boundingRect(), rect);
        // The top corners are square whatever the radius.
        QCOMPARE(QPointF(path.elementAt(0)), rect.topLeft());
        QVERIFY(path.contains(rect.topLeft() + QPointF(0.5, 0.5)));
        QVERIFY(path.contains(rect.topRight() + QPointF(-0.5, 0.5)));
        // The left edge runs down to where the bottom corner's arc starts.
        QCOMPARE(QPointF(path.elementAt(1)), QPointF(rect.left(), rect.bottom() - expected));
        const QPointF bottomRight = rect.bottomRight() + QPointF(-0.5, -0.5);
        QCOMPARE(path.contains(bottomRight), expected == 0);
    }

    void anEmptyRectangleHasNoIsland()
    {
        QVERIFY(NotchIslandShape{18}.path(QRectF(0, 0, 0, 90)).isEmpty());
        QVERIFY(NotchIslandShape{18}.path(QRectF(0, 0, 228, 0)).isEmpty());
        QVERIFY(NotchIslandShape{18}.path(QRectF(0, 0, -5, 10)).isEmpty());
    }

    void bubbleTailPointsLeft()
    {
        const QPainterPath tail = BubbleTail::path(QRectF(0, 0, 7, 10));
        QCOMPARE(QPointF(tail.elementAt(0)), QPointF(7, 0));
        QCOMPARE(QPointF(tail.elementAt(1)), QPointF(0, 5));
        QCOMPARE(QPointF(tail.elementAt(2)), QPointF(7, 10));
    }

    void headerButtonLooks_data()
    {
        QTest::addColumn<QString>("icon");
        QTest::addColumn<bool>("active");
        QTest::addColumn<bool>("hovering");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("tooltip");
        QTest::addColumn<double>("background");
        QTest::addColumn<double>("symbol");
        QTest::newRow("settings, even when active") << "gearshape" << true << false << "Open settings"
                                                    << "Settings" << 0.22 << 1.0;
        QTest::newRow("settings, hovered") << "gearshape" << false << true << "Open settings"
                                           << "Settings" << 0.14 << 1.0;
        QTest::newRow("pinned") << "pin.fill" << true << true << "Unpin panel"
                                << "Keep panel open" << 0.22 << 1.0;
        QTest::newRow("not pinned") << "pin" << false << false << "Pin panel"
                                    << "Keep panel open" << 0.08 << 0.7;
    }

    void headerButtonLooks()
    {
        QFETCH(QString, icon);
        QFETCH(bool, active);
        QFETCH(bool, hovering);
        QFETCH(QString, label);
        QFETCH(QString, tooltip);
        QFETCH(double, background);
        QFETCH(double, symbol);
        QCOMPARE(HeaderButtonLook::accessibleName(icon, active), label);
        QCOMPARE(HeaderButtonLook::toolTip(icon), tooltip);
        QCOMPARE(HeaderButtonLook::backgroundOpacity(active, hovering), background);
        QCOMPARE(HeaderButtonLook::symbolOpacity(active, hovering), symbol);
    }

    void headerDate_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("expected");
        QTest::newRow("British") << "en_GB" << QDate(2026, 12, 6) << "Sun, 6 Dec";
        QTest::newRow("American") << "en_US" << QDate(2026, 12, 6) << "Sun, Dec 6";
        QTest::newRow("first of the month") << "en_GB" << QDate(2026, 3, 1) << "Sun, 1 Mar";
    }

    void headerDate()
    {
        QFETCH(QString, locale);
        QFETCH(QDate, date);
        QFETCH(QString, expected);
        QCOMPARE(headerDateText(date, QLocale(locale)), expected);
    }
};

WISPLET_TEST_MAIN(TestNotchLayout)
#include "tst_notchlayout.moc"
