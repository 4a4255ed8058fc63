#include "Wisplet/Companion/WispEvent.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Tools/Media/NowPlaying.h"
#include "tests/support/FakeMediaPlayers.h"
#include "tests/support/FakeScheduler.h"
#include "tests/support/Images.h"
#include "tests/support/LocalHttpsServer.h"
#include "tests/support/TestMain.h"

#include "Wisplet/Tools/Business/QtHttpTransport.h"
#include <QSignalSpy>

namespace {

constexpr int networkTimeoutMs = 10'000;
const QString vlc = QStringLiteral("org.mpris.MediaPlayer2.vlc");
using Slot = MediaStatus::Slot;

// "Title" plays, "Title paused" does not.
MediaStatus trackOf(const QString& text, Slot slot = Slot::other)
{
    MediaStatus track;
    track.title = text.section(' ', 0, 0);
    track.playing = !text.endsWith(QStringLiteral(" paused"));
    track.slot = slot;
    track.service = slot == Slot::spotify ? QStringLiteral("org.mpris.MediaPlayer2.spotify") : vlc;
    return track;
}

struct Choice
{
    QString spotify; // as trackOf() reads it; empty: no track
    QString other;
    QString shown;
};

struct Reactions
{
    // As trackOf() reads them; " quiet" at the end: with reactions off.
    QStringList polls;
    QStringList told;
};

enum class Cover { https, http, file, device, oversized };

struct CoverRow
{
    Cover cover;
    Slot slot;
    bool fetched;
    bool shown;
};

} // namespace

Q_DECLARE_METATYPE(Choice)
Q_DECLARE_METATYPE(Reactions)
Q_DECLARE_METATYPE(CoverRow)

class NowPlayingTest final : public QObject
{
    Q_OBJECT

private:
    FakeClock m_clock;
    FakeScheduler m_scheduler{m_clock};
    std::unique_ptr<Defaults> m_defaults;
    std::unique_ptr<QtHttpTransport> m_covers;
    std::unique_ptr<FakeMediaPlayers> m_players;
    QStringList m_told;
    std::unique_ptr<NowPlaying> m_media;

    void build()
    {
        m_media.reset();
        m_media = std::make_unique<NowPlaying>(
            NowPlaying::Services{*m_defaults, m_scheduler, *m_players, *m_covers,
                                 [this](const WispEvent& event) { m_told.append(event.text); }});
    }

    void showTrack(const MediaStatus& track)
    {
        m_players->answer = {std::nullopt, track};
        m_media->refresh();
        QVERIFY(m_media->currentTrack());
    }

private slots:
    void init()
    {
        m_defaults = std::make_unique<Defaults>(QString());
        m_covers = std::make_unique<QtHttpTransport>(LocalHttpsServer::trusting());
        m_players = std::make_unique<FakeMediaPlayers>();
        m_told.clear();
        build();
    }

    void cleanup()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!m_media->isLoadingCover(), networkTimeoutMs);
        m_media.reset();
    }

    void choiceBetweenTheSlots_data()
    {
        QTest::addColumn<Choice>("row");
        QTest::newRow("both play: Spotify") << Choice{"S", "O", "S"};
        QTest::newRow("both paused: Spotify") << Choice{"S paused", "O paused", "S"};
        QTest::newRow("playing beats paused") << Choice{"S paused", "O", "O"};
        QTest::newRow("only the other one") << Choice{{}, "O paused", "O"};
    }

    void choiceBetweenTheSlots()
    {
        QFETCH(Choice, row);
        MediaPoll poll;
        if (!row.spotify.isEmpty())
            poll.spotify = trackOf(row.spotify, Slot::spotify);
        poll.other = trackOf(row.other);
        QCOMPARE(NowPlaying::choose(poll)->title, row.shown);
    }

    void reactionsToNewTitles_data()
    {
        QTest::addColumn<Reactions>("row");
        QTest::newRow("paused and resumed: once") << Reactions{{"A", "A paused", "A"}, {"A"}};
        QTest::newRow("A, B, A: three times") << Reactions{{"A", "B", "A"}, {"A", "B", "A"}};
        QTest::newRow("a paused title: none") << Reactions{{"A paused"}, {}};
        QTest::newRow("off while B starts, then on: not for B") << Reactions{{"A", "B quiet", "B"}, {"A"}};
    }

    void reactionsToNewTitles()
    {
        QFETCH(Reactions, row);
        m_media->start();
        for (const QString& poll : row.polls) {
            m_media->setReactToTracks(!poll.endsWith(QStringLiteral(" quiet")));
            showTrack(trackOf(poll));
        }
        QCOMPARE(m_told, row.told);

        // The switch outlives the store.
        m_media->setReactToTracks(false);
        build();
        QVERIFY(!m_media->reactToTracks());
    }

    void pollsNeverOverlapAndStopDropsLateResults()
    {
        m_players->held = true;
        m_players->answer = {std::nullopt, trackOf("Late")};
        m_media->start();
        m_media->start();
        m_media->refresh();
        QCOMPARE(m_players->polls, 1);

        m_media->stop();
        m_players->release();
        // The held poll answers on the next pass of the event loop.
        QCoreApplication::processEvents();
        QVERIFY(!m_media->currentTrack());
        QVERIFY(m_told.isEmpty());
        m_media->refresh();
        QCOMPARE(m_players->polls, 1);
    }

    void commandsWaitBehindAPollAndRepoll()
    {
        m_media->send(MediaPlayers::Command::next);
        m_media->start();
        showTrack(trackOf("A"));
        QVERIFY(m_players->sent.isEmpty());

        m_players->held = true;
        m_media->refresh();
        m_media->send(MediaPlayers::Command::next);
        m_media->send(MediaPlayers::Command::previous);
        QVERIFY(m_players->sent.isEmpty());
        m_players->release();
        QTRY_VERIFY(!m_players->sent.isEmpty());
        using Sent = QList<std::pair<QString, MediaPlayers::Command>>;
        QCOMPARE(m_players->sent, (Sent{{vlc, MediaPlayers::Command::next}, {vlc, MediaPlayers::Command::previous}}));

        const int polls = m_players->polls;
        m_scheduler.advance(NowPlaying::repollDelayMs);
        QCOMPARE(m_players->polls, polls + 1);
    }

    void covers_data()
    {
        QTest::addColumn<CoverRow>("row");
        QTest::newRow("https, Spotify") << CoverRow{Cover::https, Slot::spotify, true, true};
        QTest::newRow("plain http is never fetched") << CoverRow{Cover::http, Slot::other, false, false};
        QTest::newRow("a local file of another player") << CoverRow{Cover::file, Slot::other, false, true};
        QTest::newRow("a local file named by Spotify is not read")
            << CoverRow{Cover::file, Slot::spotify, false, false};
        QTest::newRow("a device is not read") << CoverRow{Cover::device, Slot::other, false, false};
        QTest::newRow("a download over the cap is dropped") << CoverRow{Cover::oversized, Slot::other, true, false};
    }

    void covers()
    {
        QFETCH(CoverRow, row);
        const QByteArray png = TestImages::marked(QSize(300, 200), "PNG");
        LocalHttpsServer server(row.cover == Cover::oversized
                                    ? "HTTP/1.1 200 OK\r\nContent-Length: 104857600\r\nConnection: close\r\n\r\n" + png
                                    : LocalHttpsServer::response("200 OK", png));
        QVERIFY(server.listen());
        TempFolder folder;
        QFile file(folder.file("cover.png"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(png) == png.size());
        file.close();

        QUrl url = server.url(QStringLiteral("/cover.png"));
        if (row.cover == Cover::http)
            url.setScheme(QStringLiteral("http"));
        else if (row.cover == Cover::file)
            url = QUrl::fromLocalFile(file.fileName());
        else if (row.cover == Cover::device)
            url = QUrl::fromLocalFile(QStringLiteral("/dev/zero"));
        MediaStatus track = trackOf("A", row.slot);
        track.artworkUrl = url.toString();

        m_media->start();
        showTrack(track);
        QTRY_VERIFY_WITH_TIMEOUT(!m_media->isLoadingCover(), networkTimeoutMs);
        QCOMPARE(server.requests().size(), row.fetched ? 1 : 0);
        QCOMPARE(!m_media->artwork().isNull(), row.shown);

        // The same track again loads nothing new; no track clears the cover.
        showTrack(track);
        QTRY_VERIFY_WITH_TIMEOUT(!m_media->isLoadingCover(), networkTimeoutMs);
        QCOMPARE(server.requests().size(), row.fetched ? 1 : 0);
        m_players->answer = {};
        m_media->refresh();
        QVERIFY(m_media->artwork().isNull());
    }

    void coverOfATrackNoLongerShownIsDropped()
    {
        LocalHttpsServer silent({});
        QVERIFY(silent.listen());
        MediaStatus track = trackOf("A");
        track.artworkUrl = silent.url(QStringLiteral("/a.png")).toString();
        m_media->start();
        showTrack(track);
        QVERIFY(m_media->isLoadingCover());
        showTrack(trackOf("B"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_media->isLoadingCover(), networkTimeoutMs);
        QVERIFY(m_media->artwork().isNull());
    }
};

WISPLET_TEST_MAIN(NowPlayingTest)

#include "tst_nowplaying.moc"
