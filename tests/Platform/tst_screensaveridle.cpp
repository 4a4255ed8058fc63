#include "Wisplet/Platform/ScreenSaverIdle.h"
#include "tests/support/TestMain.h"

#include <QProcess>

namespace {

constexpr int xTimeoutMs = 10'000;

bool movePointer(int x, int y)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(x), QString::number(y)});
    return tool.waitForFinished(xTimeoutMs) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

} // namespace

// Against the harness's Xvfb, which has MIT-SCREEN-SAVER.
class ScreenSaverIdleTest final : public QObject
{
    Q_OBJECT

private slots:
    void idleTimeGrowsAndDropsWithInput()
    {
        const std::optional<XcbSession> session = XcbSession::current();
        QVERIFY2(session, "the test runs on the xcb platform");
        ScreenSaverIdle idle(*session);
        QVERIFY(idle.isAvailable());

        QVERIFY(movePointer(10, 10));
        QTRY_VERIFY_WITH_TIMEOUT(idle.secondsSinceLastInput() < 1, xTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(idle.secondsSinceLastInput() >= 1.5, xTimeoutMs);
        QVERIFY(movePointer(20, 20));
        QTRY_VERIFY_WITH_TIMEOUT(idle.secondsSinceLastInput() < 1, xTimeoutMs);
    }
};

WISPLET_TEST_MAIN(ScreenSaverIdleTest)

#include "tst_screensaveridle.moc"
