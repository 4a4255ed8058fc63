#include "Wisplet/Platform/Calendar/ICalendarFiles.h"
#include "tests/support/CalendarFixture.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

// khal, a calendar program of its own, writes the meeting into a vdir folder; the agenda reads it back.
class TestCalendarKhal final : public QObject
{
    Q_OBJECT

private slots:
    void eventsWrittenByKhalAppear()
    {
        const QString khal = QStandardPaths::findExecutable("khal");
        QVERIFY2(!khal.isEmpty(), "khal is installed by scripts/setup-deps");
        QTemporaryDir dir;
        const QString collection = dir.filePath("calendars/work");
        QVERIFY(QDir().mkpath(collection));
        const QString config = dir.filePath("khal.conf");
        QVERIFY(TestFiles::write(config,
                                 "[calendars]\n[[work]]\npath = " + collection.toUtf8()
                                     + "\ntype = calendar\n[locale]\ntimeformat = %H:%M\n"
                                       "dateformat = %Y-%m-%d\nlongdateformat = %Y-%m-%d\n"
                                       "datetimeformat = %Y-%m-%d %H:%M\n"
                                       "longdatetimeformat = %Y-%m-%d %H:%M\n"
                                       "default_timezone = Europe/Berlin\nlocal_timezone = Europe/Berlin\n"
                                       "[sqlite]\npath = "
                                     + dir.filePath("khal.db").toUtf8() + "\n"));
        QProcess process;
        process.start(khal, {"-c", config, "new", "-a", "work", "2030-03-02", "10:00", "11:00", "Planning"});
        QVERIFY(process.waitForFinished(60'000));
        QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());

        // 10:00 in Berlin in March is 09:00 UTC; now is twenty minutes before.
        CalendarFixture f(QDateTime(QDate(2030, 3, 2), QTime(8, 40), Qt::UTC));
        ICalendarFiles files(f.scheduler, {.program = WISPLET_READER});
        CalendarTool tool({f.defaults, f.clock, files, *f.reminders, *f.wisp, *f.notifier, {}});
        tool.requestAccess(dir.filePath("calendars"));
        tool.start();
        QTRY_COMPARE(tool.events().size(), 1);
        QCOMPARE(tool.events().first().start, QDateTime(QDate(2030, 3, 2), QTime(9, 0), Qt::UTC));
        QCOMPARE(tool.peekText(), QString("Planning · 20m"));
    }
};

WISPLET_TEST_MAIN(TestCalendarKhal)
#include "tst_calendarkhal.moc"
