#include "tests/support/LaunchedProgram.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"
#include "tests/support/XTools.h"

#include <QDir>
#include <QProcess>

#include <sys/stat.h>

namespace {

using LaunchedProgram::exitedWith;
using LaunchedProgram::visibleWindowOf;
using XTools::timeoutMs;

std::unique_ptr<QProcess> program(const QMap<QString, QString>& changes)
{
    return LaunchedProgram::start(QStringLiteral(WISPLET_BINARY), changes);
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
        const auto wisplet = program({{QStringLiteral("DISPLAY"), display}});
        QVERIFY(exitedWith(*wisplet, 1));
        const QString said = QString::fromLocal8Bit(wisplet->readAllStandardError());
        QVERIFY2(said.startsWith(QLatin1String("Wisplet needs an X11 display"))
                     && said.contains(QLatin1String("XWayland")),
                 qPrintable(said));
    }

    // On a bus of its own, with a FIFO for a settings file (which once hung the start).
    void aSecondStartBringsTheRunningOneForward()
    {
        PrivateBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.errorText()));
        const TempFolder home;
        const QString settings = home.file(QStringLiteral("config/Wisplet/defaults.json"));
        QVERIFY(QDir().mkpath(QFileInfo(settings).absolutePath()));
        QVERIFY(::mkfifo(QFile::encodeName(settings).constData(), 0600) == 0);
        const QMap<QString, QString> environment{
            {QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address()},
            {QStringLiteral("XDG_CONFIG_HOME"), home.file(QStringLiteral("config"))},
            // Leaks are for the unit tests; this one is about what the user sees.
            {QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0")}};

        const auto running = program(environment);
        QString said;
        QTRY_VERIFY_WITH_TIMEOUT((said += QString::fromLocal8Bit(running->readAllStandardError()),
                                  said.contains(settings) && said.contains(QLatin1String("not a regular file"))),
                                 timeoutMs * 3);
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindowOf(*running) != 0, timeoutMs * 3);
        const quint32 panel = visibleWindowOf(*running);
        QVERIFY(XTools::focusedWindow() != panel);

        const auto second = program(environment);
        QVERIFY(exitedWith(*second, 0));
        QTRY_COMPARE_WITH_TIMEOUT(XTools::focusedWindow(), panel, timeoutMs);
        QCOMPARE(running->state(), QProcess::Running);
        running->terminate();
        QVERIFY(exitedWith(*running, 0));
    }
};

WISPLET_TEST_MAIN(TestLaunch)
#include "tst_launch.moc"
