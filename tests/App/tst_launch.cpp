#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"
#include "tests/support/XTools.h"

#include <QDir>
#include <QProcess>

#include <sys/stat.h>

namespace {

using XTools::timeoutMs;

// The built program, started as a user would start it: the platform is its own choice.
void prepare(QProcess& program, const QProcessEnvironment& environment)
{
    program.setProgram(QStringLiteral(WISPLET_BINARY));
    program.setProcessEnvironment(environment);
}

QProcessEnvironment userEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return environment;
}

// The program's visible window on the harness's display; 0 when none shows.
quint32 visibleWindowOf(const QProcess& program)
{
    const QString found = XTools::run(QStringLiteral("xdotool"),
                                      {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                       QStringLiteral("--pid"), QString::number(program.processId())})
                              .value_or(QString());
    return found.section(u'\n', 0, 0).toUInt();
}

} // namespace

class TestLaunch final : public QObject
{
    Q_OBJECT

private slots:
    void withoutAnXDisplayItSaysSoAndStops_data()
    {
        QTest::addColumn<QString>("display");
        QTest::newRow("DISPLAY not set") << QString();
        QTest::newRow("no X server behind DISPLAY") << QStringLiteral(":4093");
    }

    void withoutAnXDisplayItSaysSoAndStops()
    {
        QFETCH(QString, display);
        QProcessEnvironment environment = userEnvironment();
        if (display.isEmpty())
            environment.remove(QStringLiteral("DISPLAY"));
        else
            environment.insert(QStringLiteral("DISPLAY"), display);
        QProcess program;
        prepare(program, environment);
        program.start();
        QVERIFY(program.waitForFinished(timeoutMs * 3));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        const QString said = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(said.contains(QLatin1String("Wisplet needs an X11 display"))
                     && said.contains(QLatin1String("XWayland")),
                 qPrintable(said));
    }

    // Both starts on a bus of their own; the settings file is a FIFO, which once hung the start.
    void aSecondStartBringsTheRunningOneForward()
    {
        PrivateBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.errorText()));
        const TempFolder home;
        const QString settingsPath = home.file(QStringLiteral("config/Wisplet/defaults.json"));
        QVERIFY(QDir().mkpath(QFileInfo(settingsPath).absolutePath()));
        QVERIFY(::mkfifo(QFile::encodeName(settingsPath).constData(), 0600) == 0);
        QProcessEnvironment environment = userEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.file(QStringLiteral("config")));
        // Leaks are the unit tests' business; this one is about what the user sees.
        environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));

        QProcess running;
        prepare(running, environment);
        running.start();
        QVERIFY(running.waitForStarted(timeoutMs));
        QString said;
        QTRY_VERIFY_WITH_TIMEOUT((said += QString::fromLocal8Bit(running.readAllStandardError()),
                                  said.contains(settingsPath) && said.contains(QLatin1String("not a regular file"))),
                                 timeoutMs * 3);
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindowOf(running) != 0, timeoutMs * 3);
        const quint32 panel = visibleWindowOf(running);
        QVERIFY(XTools::focusedWindow() != panel);

        QProcess second;
        prepare(second, environment);
        second.start();
        QVERIFY(second.waitForFinished(timeoutMs * 3));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        // The running one came forward with the focus.
        QTRY_COMPARE_WITH_TIMEOUT(XTools::focusedWindow(), panel, timeoutMs);
        QCOMPARE(running.state(), QProcess::Running);

        running.terminate();
        QVERIFY(running.waitForFinished(timeoutMs * 3));
        QCOMPARE(running.exitStatus(), QProcess::NormalExit);
        QCOMPARE(running.exitCode(), 0);
    }
};

WISPLET_TEST_MAIN(TestLaunch)
#include "tst_launch.moc"
