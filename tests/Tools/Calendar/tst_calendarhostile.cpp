#include "tests/support/CalendarReaders.h"
#include "tests/support/Files.h"
#include "tests/support/HostileCalendars.h"
#include "tests/support/LaunchedProgram.h"
#include "tests/support/TestMain.h"
#include "tests/support/XTools.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

using XTools::boundingShape;

// The program with a calendar folder where one file would crash libical or keep it busy for minutes, beside a
// good file: it starts, opens and quits as if the file were not there.
class TestCalendarHostile final : public QObject
{
    Q_OBJECT

private slots:
    // Refused before libical sees it, and stopped at the reader's deadline; a runaway zone or a huge line
    // is stopped there too.
    void theProgramStaysResponsiveAndQuitsAtOnce_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("nested events") << HostileCalendars::nested("VEVENT");
        QTest::newRow("a rule that never matches") << HostileCalendars::neverMatching("VEVENT");
    }

    void theProgramStaysResponsiveAndQuitsAtOnce()
    {
        QFETCH(QByteArray, contents);
        LaunchedProgram::Session session;
        const QString folder = session.homeFile(QStringLiteral("calendar"));
        const QByteArray start = QDateTime::currentDateTimeUtc().addSecs(7200).toString("yyyyMMddThhmmssZ").toUtf8();
        QVERIFY(
            TestFiles::write(folder + QStringLiteral("/good.ics"), HostileCalendars::good("VEVENT", "Good", start)));
        QVERIFY(TestFiles::write(folder + QStringLiteral("/bad.ics"), contents));
        const QByteArray defaults = QStringLiteral(R"({"onboarded": true, "tools.order": ["calendar"],)"
                                                   R"( "tools.enabled": ["calendar"], "calendar.source": "%1"})")
                                        .arg(folder)
                                        .toUtf8();

        QElapsedTimer sinceStart;
        sinceStart.start();
        QVERIFY2(session.start(QStringLiteral(WISPLET_BINARY), defaults), qPrintable(session.errorText()));
        QCOMPARE_LT(sinceStart.elapsed(), 3'000);
        const int collapsed = boundingShape(session.panel()).height();
        QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+1")}));
        QTRY_VERIFY_WITH_TIMEOUT(boundingShape(session.panel()).height() > collapsed, 1'000);

        QProcess& wisplet = session.process();
        wisplet.terminate();
        QVERIFY(wisplet.waitForFinished(2'000));
        QCOMPARE(wisplet.exitStatus(), QProcess::NormalExit);
        QCOMPARE(wisplet.exitCode(), 0);
    }

    // A hundred files that each keep their process busy until its limit, named before a meeting five minutes
    // away: the meeting reaches the island's peek within seconds of the start, while those files are still read.
    void aMeetingBesideRunawayFilesIsReadAtOnce()
    {
        LaunchedProgram::Session session;
        const QString folder = session.homeFile(QStringLiteral("calendar"));
        for (int i = 0; i < 100; ++i)
            QVERIFY(TestFiles::write(folder + QStringLiteral("/bad%1.ics").arg(i),
                                     HostileCalendars::neverMatching("VEVENT")));
        const QByteArray start = QDateTime::currentDateTimeUtc().addSecs(300).toString("yyyyMMddThhmmssZ").toUtf8();
        QVERIFY(TestFiles::write(folder + QStringLiteral("/meeting.ics"),
                                 HostileCalendars::good("VEVENT", "Standup", start)));
        const QByteArray defaults = QStringLiteral(R"({"onboarded": true, "tools.order": ["calendar"],)"
                                                   R"( "tools.enabled": ["calendar"], "calendar.source": "%1"})")
                                        .arg(folder)
                                        .toUtf8();
        QVERIFY2(session.start(QStringLiteral(WISPLET_BINARY), defaults), qPrintable(session.errorText()));
        const int bare = boundingShape(session.panel()).width();
        // The peek ("Standup · 5m") widens the island once the meeting is read.
        QTRY_VERIFY_WITH_TIMEOUT(boundingShape(session.panel()).width() > bare, 5'000);
        QVERIFY(!CalendarReaders::running(pid_t(session.process().processId())).isEmpty());
    }

    // A reminder still being written when the program is told to quit (the add a quit stopped last time, done
    // again at this start and held in its write): the program ends within its two seconds, leaves nothing of
    // the write in the user's folder, and the next start writes the to-do.
    void aReminderHeldInItsWriteAtQuitIsWrittenAtTheNextStart()
    {
        LaunchedProgram::Session session;
        const QString folder = session.homeFile(QStringLiteral("todo"));
        QVERIFY(QDir().mkpath(folder));
        const QByteArray defaults =
            QStringLiteral(R"({"onboarded": true, "tools.order": ["calendar"], "tools.enabled": ["calendar"],)"
                           R"( "reminders.folder": "%1", "reminders.unfinishedWrites": [{"kind": "add",)"
                           R"( "folder": "%1", "file": "U1.ics", "uid": "U1", "title": "Call Ana",)"
                           R"( "recurrenceId": "", "at": {"$date": 800000000}}]})")
                .arg(folder)
                .toUtf8();
        qputenv("WISPLET_TEST_HOLD_BEFORE_WRITE_MS", "20000");
        const bool started = session.start(QStringLiteral(WISPLET_BINARY), defaults);
        qunsetenv("WISPLET_TEST_HOLD_BEFORE_WRITE_MS");
        QVERIFY2(started, qPrintable(session.errorText()));
        QElapsedTimer quitting;
        quitting.start();
        session.process().terminate();
        QVERIFY(session.process().waitForFinished(2'000));
        QCOMPARE_LT(quitting.elapsed(), 2'000);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());

        const QByteArray kept = TestFiles::read(session.homeFile(QStringLiteral("config/Wisplet/defaults.json")));
        QVERIFY2(kept.contains("Call Ana"), kept.constData());
        QVERIFY2(session.start(QStringLiteral(WISPLET_BINARY), kept), qPrintable(session.errorText()));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(folder + QStringLiteral("/U1.ics")), 30'000);
        QVERIFY(TestFiles::read(folder + QStringLiteral("/U1.ics")).contains("SUMMARY:Call Ana"));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{"U1.ics"});
    }
};

WISPLET_TEST_MAIN(TestCalendarHostile)
#include "tst_calendarhostile.moc"
