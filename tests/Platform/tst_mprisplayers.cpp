#include "Wisplet/Platform/MprisPlayers.h"
#include "tests/support/FakeMprisPlayer.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"

#include <QCoro/QCoroTask>
#include <QProcess>

namespace {

constexpr int busTimeoutMs = 10'000;
// Short, so the hung player's row takes a moment, not the program's 2 s.
constexpr int callTimeoutMs = 300;

struct Status
{
    QVariantMap metadata;
    QString playbackStatus;
    QVariant position;
    QString identity;
    // What the poll reads, as description() writes it; empty without a track.
    QString read;
};

struct Slots
{
    // "name=title" for a playing player, "name=title/" for a paused one, "name!" for a hung one.
    QStringList players;
    QString spotify;
    QString other;
};

QString description(const std::optional<MediaStatus>& s)
{
    if (!s)
        return {};
    const auto number = [](std::optional<double> value) { return value ? QString::number(*value) : "-"; };
    return QStringList{s->title,
                       s->artist,
                       s->album,
                       s->playing ? "playing" : "paused",
                       s->artworkUrl.value_or("-"),
                       number(s->duration),
                       number(s->position),
                       s->player}
        .join(QLatin1Char('|'));
}

QVariantMap song(QVariantMap metadata)
{
    metadata.insert("xesam:title", metadata.value("xesam:title", "Song"));
    metadata.insert("xesam:album", "Album");
    return metadata;
}

MediaPoll pollNow(MprisPlayers& players)
{
    return QCoro::waitFor(players.poll());
}

} // namespace

Q_DECLARE_METATYPE(Status)
Q_DECLARE_METATYPE(Slots)

class MprisPlayersTest final : public QObject
{
    Q_OBJECT

private slots:
    void statusOfAPlayer_data()
    {
        QTest::addColumn<Status>("row");
        QTest::newRow("artists joined, signed microseconds") << Status{
            song({{"xesam:artist", QStringList{"Ann", "Bo"}}, {"mpris:length", qlonglong(215'500'000)}}), "Playing",
            qlonglong(61'000'000), "VLC media player", "Song|Ann, Bo|Album|playing|-|215.5|61|VLC media player"};
        QTest::newRow("unsigned length, one artist as text, a cover") << Status{
            song({{"xesam:artist", "Solo"}, {"mpris:length", qulonglong(1'000'000)}, {"mpris:artUrl", "x:1"}}),
            "Paused",
            {},
            "VLC media player",
            "Song|Solo|Album|paused|x:1|1|-|VLC media player"};
        QTest::newRow("no name of its own, an empty cover, a length as text") << Status{
            song({{"mpris:artUrl", ""}, {"mpris:length", "215"}}), "Playing", {}, {}, "Song||Album|playing|-|-|-|vlc"};
        QTest::newRow("no title, no track") << Status{song({{"xesam:title", ""}}), "Playing", {}, {}, {}};
        // Kept to 1,000 units, cut between characters as a reader sees them; an address is whole or dropped.
        const QString accents = "x" + QStringLiteral("e\u0301").repeated(600'000);
        const QString faces = "x" + QStringLiteral("😀").repeated(600);
        const QString oneCluster = "d" + QString(2'000, QChar(0x0301));
        QTest::newRow("a peer's megabytes") << Status{
            {{"xesam:title", accents}, {"xesam:album", faces}, {"mpris:artUrl", "file:///" + QString(2'000, 'c')}},
            "Playing",
            {},
            oneCluster,
            QStringList{accents.left(999), "", faces.left(999), "playing", "-", "-", "-", oneCluster.left(1'000)}.join(
                '|')};
    }

    void statusOfAPlayer()
    {
        QFETCH(Status, row);
        FakeMprisPlayer vlc(QStringLiteral("vlc"));
        vlc.metadata = row.metadata;
        vlc.playbackStatus = row.playbackStatus;
        vlc.position = row.position;
        vlc.identity = row.identity;
        QVERIFY(vlc.registerOnBus());
        MprisPlayers players(QDBusConnection::sessionBus(), callTimeoutMs);

        const MediaPoll poll = pollNow(players);
        QCOMPARE(description(poll.other), row.read);
        QVERIFY(!poll.spotify);
        if (poll.other)
            QCOMPARE(poll.other->service, vlc.service());
    }

    void slotsOfThePlayers_data()
    {
        QTest::addColumn<Slots>("row");
        QTest::newRow("Spotify has its own slot") << Slots{{"spotify=S", "vlc=V/"}, "S", "V"};
        QTest::newRow("a paused browser sorted first does not hide a playing player")
            << Slots{{"chromium.instance7=Tab/", "vlc=Song"}, {}, "Song"};
        QTest::newRow("none plays: the first with a title") << Slots{{"a=", "b=B/", "c=C/"}, {}, "B"};
        QTest::newRow("playerctld only mirrors others") << Slots{{"playerctld=Mirror", "vlc=V/"}, {}, "V"};
        QTest::newRow("a hung player is passed over") << Slots{{"a!", "spotify=S/", "b=B/"}, "S", "B"};
    }

    void slotsOfThePlayers()
    {
        QFETCH(Slots, row);
        std::vector<std::unique_ptr<FakeMprisPlayer>> fakes;
        for (const QString& player : row.players) {
            auto fake = std::make_unique<FakeMprisPlayer>(player.section(QRegularExpression("[=!]"), 0, 0));
            const QString title = player.section('=', 1).remove('/');
            if (!title.isEmpty())
                fake->play(title, !player.endsWith('/'));
            fake->stalled = player.endsWith('!');
            QVERIFY(fake->registerOnBus());
            fakes.push_back(std::move(fake));
        }
        MprisPlayers players(QDBusConnection::sessionBus(), callTimeoutMs);

        // Twice: a poll that waited out a hung player leaves nothing behind that holds the next one.
        for (int round = 0; round < 2; ++round) {
            const MediaPoll poll = pollNow(players);
            QCOMPARE(poll.spotify ? poll.spotify->title : QString(), row.spotify);
            QCOMPARE(poll.other ? poll.other->title : QString(), row.other);
        }
    }

    void commandsReachThePlayerInOrder()
    {
        FakeMprisPlayer vlc(QStringLiteral("vlc"));
        QVERIFY(vlc.registerOnBus());
        MprisPlayers players(QDBusConnection::sessionBus(), callTimeoutMs);
        players.send(vlc.service(), MediaPlayers::Command::next);
        players.send(vlc.service(), MediaPlayers::Command::playPause);
        players.send(vlc.service(), MediaPlayers::Command::previous);
        QTRY_COMPARE_WITH_TIMEOUT(vlc.commands, (QStringList{"Next", "PlayPause", "Previous"}), busTimeoutMs);
    }

    // The real player with its MPRIS script (named, since --no-config skips the script folder).
    void mpvReportsItsTitleAndPauses()
    {
        const QString script = QStringLiteral("/usr/lib/mpv-mpris/mpris.so");
        QVERIFY2(QFileInfo::exists(script), "mpv-mpris is not installed (scripts/setup-deps)");
        QProcess mpv;
        mpv.start("mpv",
                  {"--no-config", "--script=" + script, "--ao=null", "--vo=null", "--no-terminal",
                   "--force-media-title=Tone ♪ 440", "av://lavfi:sine=frequency=440"});
        QVERIFY2(mpv.waitForStarted(), qPrintable(mpv.errorString()));
        MprisPlayers players(QDBusConnection::sessionBus());

        MediaPoll poll;
        QTRY_VERIFY_WITH_TIMEOUT((poll = pollNow(players)).other && poll.other->playing, busTimeoutMs);
        QCOMPARE(poll.other->title, QStringLiteral("Tone ♪ 440"));
        QCoro::waitFor(players.send(poll.other->service, MediaPlayers::Command::playPause));
        QTRY_VERIFY_WITH_TIMEOUT((poll = pollNow(players)).other && !poll.other->playing, busTimeoutMs);

        mpv.terminate();
        QVERIFY(mpv.waitForFinished(busTimeoutMs));
    }
};

// Every D-Bus client of this process, and mpv, meet on a bus of the test's own, with no other players.
int main(int argc, char** argv)
{
    TestSupport::prepareProcess();
    TestEnvironment environment;
    PrivateBus bus;
    if (!bus.start()) {
        qCritical("%s", qPrintable(bus.errorText()));
        return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
    QGuiApplication app(argc, argv);
    MprisPlayersTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mprisplayers.moc"
