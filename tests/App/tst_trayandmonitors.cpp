#include "tests/support/LaunchedProgram.h"
#include "tests/support/PrivateDisplay.h"
#include "tests/support/TestMain.h"
#include "tests/support/XTools.h"

namespace {

using LaunchedProgram::visibleWindowsOf;
using XTools::timeoutMs;

// A window of the program shown inside the tray's window, which is where a docked icon is.
bool dockedIn(const QProcess& wisplet, const QProcess& tray)
{
    const QStringList found = XTools::run(QStringLiteral("xdotool"),
                                          {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                           QStringLiteral("--pid"), QString::number(tray.processId())})
                                  .value_or(QString())
                                  .split(u'\n', Qt::SkipEmptyParts);
    for (const QString& trayWindow : found) {
        const QRect area = XTools::frameOf(trayWindow.toUInt());
        for (const quint32 window : visibleWindowsOf(wisplet, QStringLiteral(".*"))) {
            if (!area.isEmpty() && area.contains(XTools::frameOf(window)))
                return true;
        }
    }
    return false;
}

} // namespace

// The built program on X servers of the test's own: its tray icon docks in a tray that starts after it, and
// the island goes to the screen it is asked to be on among RandR monitors.
class TestTrayAndMonitors final : public QObject
{
    Q_OBJECT

private slots:
    void theIconDocksWheneverATrayStarts_data()
    {
        QTest::addColumn<int>("starts");
        QTest::newRow("a tray starting after the program, as at login") << 1;
        QTest::newRow("a tray starting again after it quit") << 2;
    }

    void theIconDocksWheneverATrayStarts()
    {
        QFETCH(int, starts);
        PrivateDisplay display;
        LaunchedProgram::Session wisplet;
        QVERIFY2(display.start(QSize(1280, 800))
                     && wisplet.start(QStringLiteral(WISPLET_BINARY), R"({"onboarded": true})"),
                 qPrintable(display.errorText() + wisplet.errorText()));

        for (int start = 0; start < starts; ++start) {
            QProcess tray;
            tray.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("bottom")});
            QTRY_VERIFY_WITH_TIMEOUT(dockedIn(wisplet.process(), tray), timeoutMs * 2);
            tray.terminate();
            QVERIFY(tray.waitForFinished(timeoutMs));
            QTRY_COMPARE_WITH_TIMEOUT(visibleWindowsOf(wisplet.process(), QStringLiteral(".*")).size(), 1, timeoutMs);
        }
    }

    void theIslandGoesToItsMonitor_data()
    {
        QTest::addColumn<QByteArray>("defaults");
        QTest::addColumn<QString>("secondMonitor");
        // Where the pointer goes once the island is up, and the monitor the island must then be on.
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<int>("monitor");
        QTest::newRow("following the pointer with reduce motion on")
            << QByteArray(R"({"onboarded": true, "displayMode": "cursor", "reducedMotion": true})")
            << QStringLiteral("HDMI-1") << QPoint(1440, 540) << 1;
        QTest::newRow("the built-in display, second of two")
            << QByteArray(R"({"onboarded": true})") << QStringLiteral("eDP-1") << QPoint(480, 540) << 1;
    }

    void theIslandGoesToItsMonitor()
    {
        QFETCH(QByteArray, defaults);
        QFETCH(QString, secondMonitor);
        QFETCH(QPoint, pointer);
        QFETCH(int, monitor);
        PrivateDisplay display;
        QVERIFY2(display.start(QSize(1920, 1080)), qPrintable(display.errorText()));
        const QList<QRect> monitors{QRect(0, 0, 960, 1080), QRect(960, 0, 960, 1080)};
        QVERIFY(display.addMonitor(QStringLiteral("DP-1"), monitors[0]));
        QVERIFY(display.addMonitor(secondMonitor, monitors[1]));
        QVERIFY(XTools::xdotool({QStringLiteral("mousemove"), QStringLiteral("480"), QStringLiteral("540")}));
        LaunchedProgram::Session wisplet;
        QVERIFY2(wisplet.start(QStringLiteral(WISPLET_BINARY), defaults), qPrintable(wisplet.errorText()));
        const quint32 panel = wisplet.panel();

        QVERIFY(
            XTools::xdotool({QStringLiteral("mousemove"), QString::number(pointer.x()), QString::number(pointer.y())}));
        // The pointer's screen is looked at every two seconds when the pointer jumps as xdotool moves it.
        QTRY_VERIFY_WITH_TIMEOUT(monitors[monitor].contains(XTools::frameOf(panel)), timeoutMs * 2);
        QCOMPARE(XTools::frameOf(panel).top(), 0);
    }
};

WISPLET_TEST_MAIN(TestTrayAndMonitors)
#include "tst_trayandmonitors.moc"
