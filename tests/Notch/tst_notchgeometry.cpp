#include "Wisplet/Base/ScreenChoice.h"
#include "Wisplet/Notch/NotchGeometry.h"
#include "tests/support/FakeScreens.h"
#include "tests/support/TestMain.h"

Q_DECLARE_METATYPE(ScreenInfo)
Q_DECLARE_METATYPE(DisplayMode)

namespace {

// The primary display, and a laptop display right of it and 300 higher, 3024 × 1964 pixels at scale 2.
// The laptop's housing is 32 high and 188 wide between two unobscured areas of 662 each.
const QRectF primaryFrame(0, 0, 1920, 1080);
const QRectF laptopFrame(1920, -300, 1512, 982);
const ScreenInfo external = FakeScreens::plain(primaryFrame);
const ScreenInfo laptop = FakeScreens::withHousing(laptopFrame, 32, 662, 662);
const ScreenInfo plainLaptop = FakeScreens::plain(laptopFrame);

ScreenInfo without(ScreenInfo screen, std::optional<QRectF> ScreenInfo::*area)
{
    screen.*area = std::nullopt;
    return screen;
}

constexpr int none = -1;

} // namespace

class NotchGeometryTest final : public QObject
{
    Q_OBJECT

private slots:
    void screenChoice_data()
    {
        QTest::addColumn<DisplayMode>("mode");
        QTest::addColumn<QList<ScreenInfo>>("screens");
        QTest::addColumn<int>("mainIndex");
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<int>("expected");

        const QList<ScreenInfo> externalFirst{external, laptop};
        const QPointF onPrimary(100, 100);
        using enum DisplayMode;
        QTest::newRow("notch: housing on the second screen, first is main")
            << notch << externalFirst << 0 << onPrimary << 1;
        QTest::newRow("notch: housing on the second screen, no main")
            << notch << externalFirst << none << onPrimary << 1;
        QTest::newRow("notch: inset without auxiliary areas still counts")
            << notch << QList{external, without(laptop, &ScreenInfo::auxiliaryTopRight)} << 0 << onPrimary << 1;
        QTest::newRow("notch: no inset falls back to main")
            << notch << QList{external, plainLaptop} << 1 << onPrimary << 1;
        QTest::newRow("notch: no inset, no main, falls back to the first")
            << notch << QList{external, plainLaptop} << none << onPrimary << 0;
        QTest::newRow("main: the first screen, not the main one")
            << main << QList{plainLaptop, laptop} << 1 << onPrimary << 0;

        QTest::newRow("cursor: inside the offset screen") << cursor << externalFirst << 0 << QPointF(2600, -200) << 1;
        QTest::newRow("cursor: top-left corner is inside") << cursor << externalFirst << 0 << QPointF(1920, -300) << 1;
        QTest::newRow("cursor: right edge belongs to the next screen")
            << cursor << externalFirst << 0 << QPointF(1920, 100) << 1;
        QTest::newRow("cursor: right edge of the last screen is outside")
            << cursor << externalFirst << 0 << QPointF(3432, 0) << 0;
        QTest::newRow("cursor: bottom edge is outside") << cursor << externalFirst << 0 << QPointF(2000, 682) << 0;
        QTest::newRow("cursor: overlapping frames give the first")
            << cursor << QList{external, FakeScreens::plain({960, 0, 1920, 1080})} << 1 << QPointF(1000, 500) << 0;
        QTest::newRow("cursor: off every screen, no main") << cursor << externalFirst << none << QPointF(-1, 0) << 0;

        for (const DisplayMode mode : allDisplayModes)
            QTest::addRow("no screen at all, mode %d", int(mode))
                << mode << QList<ScreenInfo>() << none << onPrimary << none;
    }

    void screenChoice()
    {
        QFETCH(DisplayMode, mode);
        QFETCH(QList<ScreenInfo>, screens);
        QFETCH(int, mainIndex);
        QFETCH(QPointF, pointer);
        QFETCH(int, expected);
        FakeScreens provider;
        provider.setScreens(screens, mainIndex);
        provider.setPointer(pointer);

        const std::optional<ScreenInfo> chosen = screenFor(mode, provider);
        QCOMPARE(chosen, expected == none ? std::nullopt : std::optional(screens[expected]));
        const std::optional<NotchGeometry> geometry = NotchGeometry::current(mode, provider);
        QCOMPARE(geometry.has_value(), chosen.has_value());
        if (geometry)
            QCOMPARE(geometry->screen, *chosen);
    }

    void housing_data()
    {
        QTest::addColumn<ScreenInfo>("screen");
        QTest::addColumn<bool>("hasPhysicalNotch");
        QTest::addColumn<QSizeF>("notchSize");

        ScreenInfo lowAreas = laptop;
        lowAreas.auxiliaryTopLeft->setHeight(24);
        lowAreas.auxiliaryTopRight->setHeight(24);
        ScreenInfo noInset = laptop;
        noInset.topInset = 0;
        const QSizeF fallback(196, 32);
        QTest::newRow("housing between two areas") << laptop << true << QSizeF(188, 32);
        QTest::newRow("height is the inset, not the areas'") << lowAreas << true << QSizeF(188, 32);
        QTest::newRow("no left area") << without(laptop, &ScreenInfo::auxiliaryTopLeft) << false << fallback;
        QTest::newRow("no right area") << without(laptop, &ScreenInfo::auxiliaryTopRight) << false << fallback;
        QTest::newRow("areas without an inset") << noInset << false << fallback;
        QTest::newRow("plain screen") << plainLaptop << false << fallback;
    }

    void housing()
    {
        QFETCH(ScreenInfo, screen);
        QFETCH(bool, hasPhysicalNotch);
        QFETCH(QSizeF, notchSize);

        const NotchGeometry geometry = NotchGeometry::of(screen);
        QCOMPARE(geometry.screen, screen);
        QCOMPARE(geometry.hasPhysicalNotch, hasPhysicalNotch);
        QCOMPARE(geometry.notchSize, notchSize);
    }
};

WISPLET_TEST_MAIN(NotchGeometryTest)

#include "tst_notchgeometry.moc"
