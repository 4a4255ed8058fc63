#include "Wisplet/Platform/MprisPlayers.h"
#include "tests/support/FakeMprisPlayer.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"

#include <QCoro/QCoroTask>
#include <QProcess>

namespace {

constexpr int busTimeoutMs = 10'000;
// Short, so the hung player's rows take a moment, not the program's 2 s.
constexpr int callTimeoutMs = 300;
const QString mprisScript = QStringLiteral("/usr/lib/mpv-mpris/mpris.so");

struct Status
{
    QVariantMap metadata;
    QString playbackStatus = QStringLiteral("Playing");
    QVariant position;
    QString identity;
    // Expected; none when the player has no track.
    std::optional<MediaStatus> track;
};

struct Player
{
    QString name;
    QString title; // none: no track
    bool playing = false;
    bool stalled = false;
};

struct Slots
{
    QList<Player> players;
    QString spotify;
    QString other;
};

MediaStatus expected(const QString& artist, bool playing, std::optional<double> duration,
                     std::optional<double> position, std::optional<QString> art = std::nullopt,
                     const QString& player = QStringLiteral("VLC media player"))
{
    return {QStringLiteral("Song"),
            artist,
            QStringLiteral("Album"),
            playing,
            art,
            duration,
            position,
            MediaStatus::Slot::other,
            player,
            QStringLiteral("org.mpris.MediaPlayer2.vlc")};
}

QVariantMap songWith(const QVariantMap& more)
{
    QVariantMap metadata{{"xesam:title", "Song"}, {"xesam:album", "Album"}, {"xesam:artist", QStringList{"Ann"}}};
    for (auto it = more.begin(); it != more.end(); ++it)
        metadata.insert(it.key(), it.value());
    return metadata;
}

MediaPoll pollNow(MprisPlayers& players)
{
    return QCoro::waitFor(players.poll());
}

QString titleOf(const std::optional<MediaStatus>& status)
{
    return status ? status->title : QString();
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
        const QVariantMap song = songWith({});
        QTest::newRow("artists joined, length and position in microseconds")
            << Status{songWith({{"xesam:artist", QStringList{"Ann", "Bo"}}, {"mpris:length", qlonglong(215'500'000)}}),
                      QStringLiteral("Playing"), qlonglong(61'000'000), QStringLiteral("VLC media player"),
                      expected(QStringLiteral("Ann, Bo"), true, 215.5, 61.0)};
        QTest::newRow("an unsigned length") << Status{songWith({{"mpris:length", qulonglong(1'000'000)}}),
                                                      QStringLiteral("Playing"),
                                                      {},
                                                      QStringLiteral("VLC media player"),
                                                      expected(QStringLiteral("Ann"), true, 1.0, std::nullopt)};
        QTest::newRow("one artist as plain text, paused") << Status{songWith({{"xesam:artist", "Solo"}}),
                                                                    QStringLiteral("Paused"),
                                                                    {},
                                                                    QStringLiteral("VLC media player"),
                                                                    expected(QStringLiteral("Solo"), false, {}, {})};
        QTest::newRow("a cover address; a length of the wrong type")
            << Status{songWith({{"mpris:artUrl", "https://covers.example/1.jpg"}, {"mpris:length", "215"}}),
                      QStringLiteral("Playing"),
                      {},
                      QStringLiteral("VLC media player"),
                      expected(QStringLiteral("Ann"), true, {}, {}, QStringLiteral("https://covers.example/1.jpg"))};
        QTest::newRow("an empty cover address is none") << Status{songWith({{"mpris:artUrl", ""}}),
                                                                  QStringLiteral("Playing"),
                                                                  {},
                                                                  QStringLiteral("VLC media player"),
                                                                  expected(QStringLiteral("Ann"), true, {}, {})};
        QTest::newRow("a player without a name of its own")
            << Status{song,
                      QStringLiteral("Playing"),
                      {},
                      {},
                      expected(QStringLiteral("Ann"), true, {}, {}, {}, QStringLiteral("vlc"))};
        QTest::newRow("no title, no track") << Status{songWith({{"xesam:title", ""}}), {}, {}, {}, std::nullopt};
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
        QVERIFY(!poll.spotify);
        QCOMPARE(poll.other, row.track);
    }

    void slotsOfThePlayers_data()
    {
        QTest::addColumn<Slots>("row");
        const auto player = [](const char* name, const char* title, bool playing, bool stalled = false) {
            return Player{QString::fromLatin1(name), QString::fromLatin1(title), playing, stalled};
        };
        QTest::newRow("Spotify has its own slot")
            << Slots{{player("spotify", "S", true), player("vlc", "V", false)}, "S", "V"};
        QTest::newRow("a paused browser sorted first does not hide a playing player")
            << Slots{{player("chromium.instance7", "Tab", false), player("vlc", "Song", true)}, {}, "Song"};
        QTest::newRow("none plays: the first with a title")
            << Slots{{player("a", "", true), player("b", "B", false), player("c", "C", false)}, {}, "B"};
        QTest::newRow("playerctld only mirrors others")
            << Slots{{player("playerctld", "Mirror", true), player("vlc", "V", false)}, {}, "V"};
        QTest::newRow("a hung player is passed over")
            << Slots{{player("a", "A", true, true), player("spotify", "S", false), player("b", "B", false)}, "S", "B"};
    }

    void slotsOfThePlayers()
    {
        QFETCH(Slots, row);
        std::vector<std::unique_ptr<FakeMprisPlayer>> fakes;
        for (const Player& player : row.players) {
            auto fake = std::make_unique<FakeMprisPlayer>(player.name);
            if (!player.title.isEmpty())
                fake->play(player.title, player.playing);
            fake->stalled = player.stalled;
            QVERIFY(fake->registerOnBus());
            fakes.push_back(std::move(fake));
        }
        MprisPlayers players(QDBusConnection::sessionBus(), callTimeoutMs);

        // Twice: a poll that waited out a hung player leaves nothing behind that holds the next one.
        for (int round = 0; round < 2; ++round) {
            const MediaPoll poll = pollNow(players);
            QCOMPARE(titleOf(poll.spotify), row.spotify);
            QCOMPARE(titleOf(poll.other), row.other);
        }
    }

    void commandsReachThePlayerInOrder()
    {
        FakeMprisPlayer vlc(QStringLiteral("vlc"));
        QVERIFY(vlc.registerOnBus());
        MprisPlayers players(QDBusConnection::sessionBus(), callTimeoutMs);
        for (const auto command :
             {MediaPlayers::Command::next, MediaPlayers::Command::playPause, MediaPlayers::Command::previous}) {
            players.send(vlc.service(), command);
        }
        QTRY_COMPARE_WITH_TIMEOUT(vlc.commands, (QStringList{"Next", "PlayPause", "Previous"}), busTimeoutMs);
    }

    // The real player with its MPRIS script, on this test's own bus.
    void mpvReportsItsTitleAndPauses()
    {
        QVERIFY2(QFileInfo::exists(mprisScript), "mpv-mpris is not installed (scripts/setup-deps)");
        QProcess mpv;
        mpv.start(QStringLiteral("mpv"),
                  {QStringLiteral("--no-config"), QStringLiteral("--script=") + mprisScript,
                   QStringLiteral("--ao=null"), QStringLiteral("--vo=null"), QStringLiteral("--no-terminal"),
                   QStringLiteral("--force-media-title=Tone ♪ 440"), QStringLiteral("av://lavfi:sine=frequency=440")});
        QVERIFY2(mpv.waitForStarted(), qPrintable(mpv.errorString()));
        MprisPlayers players(QDBusConnection::sessionBus(), MprisPlayers::defaultCallTimeoutMs);

        MediaPoll poll;
        QTRY_VERIFY_WITH_TIMEOUT((poll = pollNow(players)).other && poll.other->playing, busTimeoutMs);
        QCOMPARE(poll.other->title, QStringLiteral("Tone ♪ 440"));
        QCOMPARE(poll.other->service, QStringLiteral("org.mpris.MediaPlayer2.mpv"));

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
