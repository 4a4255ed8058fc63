#include "tests/support/Files.h"
#include "tests/support/HostileCalendars.h"
#include "tests/support/LaunchedProgram.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"
#include "tests/support/XTools.h"

#include <QDirIterator>

namespace {

using XTools::timeoutMs;

int shapeHeight(quint32 window)
{
    return XTools::boundingShape(window).height();
}

// The reader processes the program has started and that still run.
QList<qint64> readersOf(qint64 program)
{
    QList<qint64> readers;
    QDirIterator processes(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (processes.hasNext()) {
        QFile stat(processes.next() + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid …"; the name is cut to 15 characters.
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        const QList<QByteArray> after = line.mid(close + 2).split(' ');
        if (line.contains("(wisplet-calenda") && after.size() > 1 && after.at(1).toLongLong() == program)
            readers.append(line.left(line.indexOf(' ')).toLongLong());
    }
    return readers;
}

// Ended: no such process any more, or one that only waits to be reaped.
bool isGone(const QList<qint64>& processes)
{
    for (const qint64 pid : processes) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z "))
            return false;
    }
    return true;
}

} // namespace

// The program with a calendar folder where one file keeps libical busy for minutes, makes it grow or would crash
// it, beside a good file: it starts, opens and quits as if the file were not there.
class TestCalendarHostile final : public QObject
{
    Q_OBJECT

private slots:
    void theProgramStaysResponsiveAndQuitsAtOnce_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("nested events") << HostileCalendars::nested("VEVENT");
        QTest::newRow("a rule that never matches") << HostileCalendars::neverMatching("VEVENT");
        QTest::newRow("a zone that changes every minute") << HostileCalendars::runawayZone("VEVENT");
        QTest::newRow("one 8 MiB line") << HostileCalendars::hugeLine("VEVENT", 8 * 1024 * 1024);
    }

    void theProgramStaysResponsiveAndQuitsAtOnce()
    {
        QFETCH(QByteArray, contents);
        PrivateBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.errorText()));
        const TempFolder home;
        const QString config = home.file(QStringLiteral("config"));
        const QString folder = home.file(QStringLiteral("calendar"));
        const QByteArray start = QDateTime::currentDateTimeUtc().addSecs(7200).toString("yyyyMMddThhmmssZ").toUtf8();
        QVERIFY(
            TestFiles::write(folder + QStringLiteral("/good.ics"), HostileCalendars::good("VEVENT", "Good", start)));
        QVERIFY(TestFiles::write(folder + QStringLiteral("/bad.ics"), contents));
        QVERIFY(TestFiles::write(config + QStringLiteral("/Wisplet/defaults.json"),
                                 QStringLiteral(R"({"onboarded": true, "tools.order": ["calendar"],)"
                                                R"( "tools.enabled": ["calendar"], "calendar.source": "%1"})")
                                     .arg(folder)
                                     .toUtf8()));

        QElapsedTimer clock;
        clock.start();
        const auto wisplet =
            LaunchedProgram::start(QStringLiteral(WISPLET_BINARY),
                                   {{QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address()},
                                    {QStringLiteral("HOME"), home.path()},
                                    {QStringLiteral("XDG_CONFIG_HOME"), config},
                                    {QStringLiteral("XDG_DATA_HOME"), home.file(QStringLiteral("data"))},
                                    {QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0")}});
        QTRY_VERIFY_WITH_TIMEOUT(LaunchedProgram::visibleWindowOf(*wisplet) != 0, 3'000);
        const quint32 panel = LaunchedProgram::visibleWindowOf(*wisplet);
        QTRY_VERIFY_WITH_TIMEOUT(shapeHeight(panel) > 0, timeoutMs);
        const int collapsed = shapeHeight(panel);

        // The first move may come before the window manager has placed the window: each try enters afresh.
        bool opened = false;
        for (int attempt = 0; attempt < 3 && !opened; ++attempt) {
            const QRect island = XTools::boundingShape(panel).translated(XTools::frameOf(panel).topLeft());
            QVERIFY(XTools::xdotool({"mousemove", "5", "700"}));
            QVERIFY(XTools::xdotool(
                {"mousemove", QString::number(island.center().x()), QString::number(island.top() + collapsed / 2)}));
            opened = QTest::qWaitFor([&] { return shapeHeight(panel) > collapsed; }, 1'000);
        }
        QVERIFY2(opened, "hovering did not open the panel within a second");

        const QList<qint64> readers = readersOf(wisplet->processId());
        wisplet->terminate();
        QVERIFY(wisplet->waitForFinished(2'000));
        QCOMPARE(wisplet->exitStatus(), QProcess::NormalExit);
        QCOMPARE(wisplet->exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(isGone(readers), 1'000);
    }
};

WISPLET_TEST_MAIN(TestCalendarHostile)
#include "tst_calendarhostile.moc"
