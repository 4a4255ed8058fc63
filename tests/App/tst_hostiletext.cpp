#include "tests/support/FakeMprisPlayer.h"
#include "tests/support/Files.h"
#include "tests/support/LaunchedProgram.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"
#include "tests/support/XTools.h"

#include <sys/stat.h>

namespace {

using XTools::boundingShape;

// One meeting half an hour from now.
QByteArray calendarWith(const QString& title, const QString& location)
{
    const auto stamp = [](int minutes) {
        return QDateTime::currentDateTimeUtc().addSecs(minutes * 60).toString("yyyyMMdd'T'HHmmss'Z'");
    };
    return QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//tests//EN\r\nBEGIN:VEVENT\r\nUID:hostile\r\n"
                          "DTSTAMP:%1\r\nDTSTART:%2\r\nDTEND:%3\r\nSUMMARY:%4\r\nLOCATION:%5\r\nEND:VEVENT\r\n"
                          "END:VCALENDAR\r\n")
        .arg(stamp(0), stamp(30), stamp(60), title, location)
        .toUtf8();
}

} // namespace

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

    void thePanelOpensAndTheProgramEnds_data()
    {
        // The calendar's texts are an event's title and location; the media player's a title, an artist and
        // its own name.
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("texts");
        const QString fifo = QStringLiteral("<img src=FIFO>");
        const QString zero = QStringLiteral("<img src=/dev/zero>");
        const QString song = QStringLiteral("Morning Light");
        QTest::newRow("event title, a FIFO") << "calendar" << QStringList{fifo, ""};
        QTest::newRow("event title, /dev/zero") << "calendar" << QStringList{zero, ""};
        QTest::newRow("event location, a FIFO") << "calendar" << QStringList{"Standup", fifo};
        QTest::newRow("track title, a FIFO") << "media" << QStringList{fifo, "", ""};
        QTest::newRow("track title, /dev/zero") << "media" << QStringList{zero, "", ""};
        QTest::newRow("track artist, a FIFO") << "media" << QStringList{song, fifo, ""};
        QTest::newRow("player name, /dev/zero") << "media" << QStringList{song, "", zero};
        QTest::newRow("track title, a megabyte") << "media" << QStringList{QString(1'000'000, u'W'), "", ""};
    }

    void thePanelOpensAndTheProgramEnds()
    {
        QFETCH(QString, tool);
        QFETCH(QStringList, texts);
        const TempFolder home;
        const QString fifo = home.file(QStringLiteral("fifo"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        texts.replaceInStrings(QStringLiteral("FIFO"), fifo);
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
            QVERIFY(TestFiles::write(home.file(QStringLiteral("meeting.ics")), calendarWith(texts[0], texts[1])));
            QVERIFY(QFile::rename(home.file(QStringLiteral("meeting.ics")), events + QStringLiteral("/meeting.ics")));
        } else {
            player.play(texts[0]);
            player.metadata.insert(QStringLiteral("xesam:artist"), texts[1]);
            player.identity = texts[2];
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
