#include "tests/support/FakeMprisPlayer.h"
#include "tests/support/Files.h"
#include "tests/support/HostileCalendars.h"
#include "tests/support/LaunchedProgram.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"
#include "tests/support/XTools.h"

#include <sys/stat.h>

using XTools::boundingShape;

// Text from a calendar or a media player that Qt would read as markup naming a FIFO or /dev/zero, or a
// title by the megabyte, must neither keep the panel from opening nor the program from ending.
class TestHostileText final : public QObject
{
    Q_OBJECT

private slots:
    // The program and the player meet on a bus of the test's own, with no other player and no keyring.
    void initTestCase()
    {
        QVERIFY2(m_bus.start(), qPrintable(m_bus.errorText()));
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());
    }

    // An event's or a track's title, and the media player's own name. An event's location and a track's artist
    // are shown by the same plain labels as the titles.
    void thePanelOpensAndTheProgramEnds_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("name");
        const QString fifo = QStringLiteral("<img src=FIFO>");
        QTest::newRow("event title, a FIFO") << "calendar" << fifo << QString();
        QTest::newRow("track title, a FIFO") << "media" << fifo << QString();
        QTest::newRow("player name, /dev/zero")
            << "media" << QStringLiteral("Morning Light") << QStringLiteral("<img src=/dev/zero>");
        QTest::newRow("track title, a megabyte") << "media" << QString(1'000'000, u'W') << QString();
    }

    void thePanelOpensAndTheProgramEnds()
    {
        QFETCH(QString, tool);
        QFETCH(QString, title);
        QFETCH(QString, name);
        const TempFolder home;
        const QString fifo = home.file(QStringLiteral("fifo"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        title.replace(QStringLiteral("FIFO"), fifo);
        const QString events = home.file(QStringLiteral("events"));
        QVERIFY(QDir().mkpath(events));
        QVERIFY(TestFiles::write(home.file(QStringLiteral("config/Wisplet/defaults.json")),
                                 QStringLiteral(R"({"onboarded": true, "tools.order": ["%1"], "tools.enabled": ["%1"],
                                                    "calendar.source": "%2"})")
                                     .arg(tool, events)
                                     .toUtf8()));
        const auto wisplet =
            LaunchedProgram::start(QStringLiteral(WISPLET_BINARY),
                                   {{QStringLiteral("HOME"), home.path()},
                                    {QStringLiteral("XDG_CONFIG_HOME"), home.file(QStringLiteral("config"))},
                                    {QStringLiteral("XDG_DATA_HOME"), home.file(QStringLiteral("data"))},
                                    {QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0")}});
        QTRY_VERIFY_WITH_TIMEOUT(LaunchedProgram::visibleWindowOf(*wisplet) != 0, XTools::timeoutMs);
        const quint32 panel = LaunchedProgram::visibleWindowOf(*wisplet);
        QTRY_VERIFY_WITH_TIMEOUT(!boundingShape(panel).isEmpty(), XTools::timeoutMs);
        const QRect bare = boundingShape(panel);

        // The text arrives once the island is up, and widens it with its peek.
        FakeMprisPlayer player(QStringLiteral("vlc"));
        if (tool == QStringLiteral("calendar")) {
            // A meeting half an hour from now.
            const QDateTime start = QDateTime::currentDateTimeUtc().addSecs(1800);
            QVERIFY(TestFiles::write(
                home.file(QStringLiteral("meeting.ics")),
                HostileCalendars::good("VEVENT", title.toUtf8(), start.toString("yyyyMMdd'T'HHmmss'Z'").toUtf8())));
            QVERIFY(QFile::rename(home.file(QStringLiteral("meeting.ics")), events + QStringLiteral("/meeting.ics")));
        } else {
            player.play(title);
            player.identity = name;
            QVERIFY(player.registerOnBus());
        }
        QTRY_VERIFY_WITH_TIMEOUT(boundingShape(panel).width() > bare.width(), XTools::timeoutMs);

        QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+1")}));
        QTRY_VERIFY_WITH_TIMEOUT(boundingShape(panel).height() > bare.height(), 1'000);
        wisplet->terminate();
        QVERIFY(wisplet->waitForFinished(2'000));
        QCOMPARE(wisplet->exitStatus(), QProcess::NormalExit);
        QCOMPARE(wisplet->exitCode(), 0);
    }

private:
    PrivateBus m_bus;
};

WISPLET_TEST_MAIN(TestHostileText)
#include "tst_hostiletext.moc"
