#include "Wisplet/App/FullscreenMonitor.h"
#include "Wisplet/Platform/EwmhWindows.h"
#include "Wisplet/Platform/QtScreenProvider.h"
#include "Wisplet/Platform/ScreenSaverIdle.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestMain.h"

#include <QRasterWindow>
#include <QScreen>

#include <cstdlib>
#include <cstring>

namespace {

constexpr int xTimeoutMs = 10'000;

std::optional<WindowInfo> listed(const ActiveWindowSource& source, WId id)
{
    const QList<WindowInfo> windows = source.stackingList();
    const auto found = std::find_if(windows.cbegin(), windows.cend(), [&](const WindowInfo& w) { return w.id == id; });
    return found != windows.cend() ? std::optional(*found) : std::nullopt;
}

void setXProperty(const XcbSession& session, WId window, const char* name, const QByteArray& value)
{
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(session.connection,
                              xcb_intern_atom(session.connection, 0, uint16_t(std::strlen(name)), name), nullptr),
        &std::free);
    QVERIFY(atom);
    xcb_change_property(session.connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window), atom->atom, XCB_ATOM_STRING, 8,
                        uint32_t(value.size()), value.constData());
    xcb_flush(session.connection);
}

} // namespace

// Against the harness's Xvfb and openbox: one 1920 × 1080 screen at scale 1.
class EwmhWindowsTest final : public QObject
{
    Q_OBJECT

private:
    std::optional<XcbSession> m_session;

private slots:
    void initTestCase()
    {
        m_session = XcbSession::current();
        QVERIFY2(m_session, "the test runs on the xcb platform");
    }

    void logicalFrame_data()
    {
        QTest::addColumn<QRectF>("device");
        QTest::addColumn<QRectF>("logical");

        // The primary at scale 1, and right of it, 300 higher, a 3024 × 1964 display at scale 2.
        QTest::newRow("on the primary") << QRectF(100, 50, 800, 600) << QRectF(100, 50, 800, 600);
        QTest::newRow("inside the scaled screen") << QRectF(2020, -100, 400, 200) << QRectF(1970, -200, 200, 100);
        QTest::newRow("in no screen: the primary's scale")
            << QRectF(-500, 2000, 100, 100) << QRectF(-500, 2000, 100, 100);
    }

    void logicalFrame()
    {
        QFETCH(QRectF, device);
        QFETCH(QRectF, logical);
        const QList<EwmhWindows::ScaledScreen> screens{{QRectF(0, 0, 1920, 1080), 1},
                                                       {QRectF(1920, -300, 1512, 982), 2}};
        QCOMPARE(EwmhWindows::logicalFrame(device, screens), logical);
    }

    void reportsOurFullscreenWindowAsActive()
    {
        EwmhWindows source(*m_session);
        QSignalSpy activeChanged(&source, &ActiveWindowSource::activeWindowChanged);
        QRasterWindow window;
        window.showFullScreen();
        window.requestActivate();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRectF screenFrame(window.screen()->geometry());

        QTRY_VERIFY_WITH_TIMEOUT(source.activeWindow() && source.activeWindow()->id == window.winId()
                                     && source.activeWindow()->frame == screenFrame,
                                 xTimeoutMs);
        const WindowInfo active = *source.activeWindow();
        QCOMPARE(active.pid, QCoreApplication::applicationPid());
        QVERIFY(!active.desktopElement);
        // The server answers a query before it delivers the events that told of the change, and the window
        // manager may still be settling the window's states: each of these is waited for on its own.
        QTRY_VERIFY_WITH_TIMEOUT(activeChanged.count() > 0, xTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(listed(source, window.winId()), source.activeWindow(), xTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(source.activeWindow()->visible, xTimeoutMs);

        // The monitor's own test finds it, once our process is not the one it leaves out.
        SettingsFixture fixture;
        QtScreenProvider screens;
        FullscreenMonitor monitor(fixture.settings, source, screens, 0);
        QTRY_VERIFY_WITH_TIMEOUT(monitor.check(), xTimeoutMs);

        window.showMinimized();
        QTRY_VERIFY_WITH_TIMEOUT(listed(source, window.winId()) && !listed(source, window.winId())->visible,
                                 xTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(!monitor.check(), xTimeoutMs);
    }

    void describesADecoratedWindow_data()
    {
        QTest::addColumn<QByteArray>("gtkId");
        QTest::addColumn<QByteArray>("kdeFile");
        QTest::addColumn<QString>("appId");

        QTest::newRow("class only") << QByteArray() << QByteArray() << "WispletTest";
        QTest::newRow("KDE desktop file")
            << QByteArray() << QByteArray("org.example.Viewer.desktop") << "org.example.Viewer";
        QTest::newRow("GTK id first") << QByteArray("org.example.Editor") << QByteArray("org.example.Viewer")
                                      << "org.example.Editor";
    }

    void describesADecoratedWindow()
    {
        QFETCH(QByteArray, gtkId);
        QFETCH(QByteArray, kdeFile);
        QFETCH(QString, appId);
        EwmhWindows source(*m_session);
        QRasterWindow window;
        window.resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        setXProperty(*m_session, window.winId(), "WM_CLASS", QByteArray("wisplet-test\0WispletTest\0", 25));
        if (!gtkId.isEmpty())
            setXProperty(*m_session, window.winId(), "_GTK_APPLICATION_ID", gtkId);
        if (!kdeFile.isEmpty())
            setXProperty(*m_session, window.winId(), "_KDE_NET_WM_DESKTOP_FILE", kdeFile);

        QTRY_COMPARE_WITH_TIMEOUT(listed(source, window.winId()).value_or(WindowInfo()).appId, appId, xTimeoutMs);
        // The class stays at hand for the application's name whatever the id.
        QCOMPARE(listed(source, window.winId())->wmClass, QStringLiteral("WispletTest"));
        // The frame takes in the decorations, as Qt's own frame geometry does.
        QTRY_COMPARE_WITH_TIMEOUT(listed(source, window.winId())->frame, QRectF(window.frameGeometry()), xTimeoutMs);
        QVERIFY(window.frameGeometry().height() > window.height());
    }

    void waylandSessionsGetTheNullSources()
    {
        qputenv("XDG_SESSION_TYPE", "wayland");
        const std::unique_ptr<ActiveWindowSource> windows = EwmhWindows::forSession();
        const std::unique_ptr<IdleSource> idle = ScreenSaverIdle::forSession();
        qunsetenv("XDG_SESSION_TYPE");
        QVERIFY(dynamic_cast<NullActiveWindowSource*>(windows.get()));
        QVERIFY(dynamic_cast<NullIdleSource*>(idle.get()));
        QVERIFY(dynamic_cast<EwmhWindows*>(EwmhWindows::forSession().get()));
    }
};

WISPLET_TEST_MAIN(EwmhWindowsTest)

#include "tst_ewmhwindows.moc"
