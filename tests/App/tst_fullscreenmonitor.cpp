#include "Wisplet/App/FullscreenMonitor.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestMain.h"

Q_DECLARE_METATYPE(WindowInfo)
Q_DECLARE_METATYPE(ScreenInfo)

namespace {

constexpr qint64 ownPid = 42;
constexpr qint64 frontPid = 100;
const QRectF primaryFrame(0, 0, 1920, 1080);
const QRectF secondFrame(1920, 0, 1920, 1080);
// A 3024 × 1964 display at scale 2, right of the primary and 300 higher.
const QRectF scaledFrame(1920, -300, 1512, 982);

WindowInfo window(const QRectF& frame, qint64 pid = frontPid, quint32 id = 1, bool visible = true,
                  bool desktopElement = false)
{
    WindowInfo info;
    info.id = id;
    info.pid = pid;
    info.frame = frame;
    info.visible = visible;
    info.desktopElement = desktopElement;
    return info;
}

// The windows of the session, set by hand; counts how often it is asked.
class FakeWindows final : public ActiveWindowSource
{
public:
    std::optional<WindowInfo> active;
    QList<WindowInfo> windows;
    mutable int reads = 0;

    std::optional<WindowInfo> activeWindow() const override
    {
        ++reads;
        return active;
    }
    QList<WindowInfo> stackingList() const override { return windows; }

    void showFullscreen(const QRectF& frame)
    {
        active = window(frame);
        windows = {*active};
    }
};

} // namespace

class FullscreenMonitorTest final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SettingsFixture> m_fixture;
    FakeScreens m_screens;
    std::unique_ptr<FakeWindows> m_windows;
    std::unique_ptr<FullscreenMonitor> m_monitor;
    QList<bool> m_reports;

private slots:
    void init()
    {
        m_monitor.reset();
        m_fixture = std::make_unique<SettingsFixture>();
        m_fixture->settings.setDisplayMode(DisplayMode::main);
        m_screens.setScreens({FakeScreens::plain(primaryFrame), FakeScreens::plain(secondFrame)});
        m_windows = std::make_unique<FakeWindows>();
        m_reports.clear();
        m_monitor = std::make_unique<FullscreenMonitor>(m_fixture->settings, *m_windows, m_screens, ownPid);
        m_monitor->setOnChange([this](bool fullscreen) { m_reports.append(fullscreen); });
    }

    void fullscreenTest_data()
    {
        QTest::addColumn<WindowInfo>("front");
        QTest::addColumn<QList<WindowInfo>>("windows");
        QTest::addColumn<ScreenInfo>("screen");
        QTest::addColumn<bool>("expected");

        const ScreenInfo primary = FakeScreens::plain(primaryFrame);
        const auto alone = [&](const char* name, const WindowInfo& front, const ScreenInfo& screen, bool expected) {
            QTest::newRow(name) << front << QList{front} << screen << expected;
        };
        alone("covering exactly", window(primaryFrame), primary, true);
        alone("within the tolerance", window({0.5, 0.9, 1919, 1079.5}), primary, true);
        alone("wider than the screen", window({-10, -10, 1940, 1100}), primary, false);
        alone("taller, reaching above the top", window({0, -20, 1920, 1100}), primary, true);
        alone("short of the bottom edge", window({0, 0, 1920, 1070}), primary, false);
        alone("on another screen", window(secondFrame), primary, false);

        const ScreenInfo notched = FakeScreens::withHousing(primaryFrame, 32, 862, 862);
        alone("below a housing, less one point", window({0, 33, 1920, 1047}), notched, true);
        alone("below a housing, one more point short", window({0, 34, 1920, 1046}), notched, false);

        const ScreenInfo scaled = FakeScreens::plain(scaledFrame);
        alone("offset screen at scale 2", window(scaledFrame), scaled, true);
        alone("offset screen at scale 2, device pixels", window({1920, -300, 3024, 1964}), scaled, false);

        alone("our own window in front", window(primaryFrame, ownPid), primary, false);
        alone("minimised", window(primaryFrame, frontPid, 1, false), primary, false);
        alone("desktop background", window(primaryFrame, frontPid, 1, true, true), primary, false);

        const WindowInfo smallFront = window({100, 100, 400, 300});
        QTest::newRow("another window of the front application")
            << smallFront << QList{smallFront, window(primaryFrame, frontPid, 2)} << primary << true;
        QTest::newRow("another application's window")
            << smallFront << QList{smallFront, window(primaryFrame, 200, 2)} << primary << false;
        const WindowInfo anonymous = window({100, 100, 400, 300}, 0);
        QTest::newRow("front window without a process: only itself counts")
            << anonymous << QList{anonymous, window(primaryFrame, 0, 2)} << primary << false;
        alone("front window without a process, covering", window(primaryFrame, 0), primary, true);
    }

    void fullscreenTest()
    {
        QFETCH(WindowInfo, front);
        QFETCH(QList<WindowInfo>, windows);
        QFETCH(ScreenInfo, screen);
        QFETCH(bool, expected);
        QCOMPARE(FullscreenMonitor::showsFullscreen(front, windows, screen, ownPid), expected);
    }

    void testsTheScreenTheDisplayModeChooses()
    {
        m_windows->showFullscreen(secondFrame);
        QVERIFY(!m_monitor->check());

        m_fixture->settings.setDisplayMode(DisplayMode::cursor);
        m_screens.setPointer(secondFrame.center());
        QVERIFY(m_monitor->check());

        m_screens.setScreens({});
        QVERIFY(!m_monitor->check());
    }

    void reportsChangesOnly()
    {
        m_monitor->poll();
        m_windows->showFullscreen(primaryFrame);
        m_monitor->poll();
        m_monitor->poll();
        m_windows->active.reset();
        m_monitor->poll();
        QCOMPARE(m_reports, (QList<bool>{true, false}));
    }

    void hidingSwitchedOffReportsOnceWithoutTesting()
    {
        m_windows->showFullscreen(primaryFrame);
        m_monitor->start();
        QCOMPARE(m_windows->reads, 0);
        m_monitor->poll();
        m_fixture->settings.setHideInFullscreen(false);
        const int readsBefore = m_windows->reads;
        m_monitor->poll();
        m_monitor->poll();
        QCOMPARE(m_reports, (QList<bool>{true, false}));
        QCOMPARE(m_windows->reads, readsBefore);
    }
};

WISPLET_TEST_MAIN(FullscreenMonitorTest)

#include "tst_fullscreenmonitor.moc"
