#include "Wisplet/Companion/WispEvent.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Tools/Media/NowPlaying.h"
#include "tests/support/FakeMediaPlayers.h"
#include "tests/support/FakeScheduler.h"
#include "tests/support/LocalHttpsServer.h"
#include "tests/support/TestMain.h"

#include <QBuffer>
#include <QNetworkReply>

namespace {

constexpr int networkTimeoutMs = 10'000;
const QString spotify = QStringLiteral("org.mpris.MediaPlayer2.spotify");
const QString vlc = QStringLiteral("org.mpris.MediaPlayer2.vlc");

MediaStatus trackOf(const QString& title, bool playing, MediaStatus::Slot slot = MediaStatus::Slot::other)
{
    MediaStatus track;
    track.title = title;
    track.playing = playing;
    track.slot = slot;
    track.service = slot == MediaStatus::Slot::spotify ? spotify : vlc;
    return track;
}

// Remembers every address it was asked for.
class RecordingNetwork final : public QNetworkAccessManager
{
public:
    QList<QUrl> requested;

protected:
    QNetworkReply* createRequest(Operation operation, const QNetworkRequest& request, QIODevice* data) override
    {
        requested.append(request.url());
        return QNetworkAccessManager::createRequest(operation, request, data);
    }
};

QByteArray pngBytes()
{
    QImage image(300, 200, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

struct Step
{
    QString title;
    bool playing = true;
    bool react = true;
};

struct Reactions
{
    QList<Step> steps;
    QStringList told;
};

struct Choice
{
    std::optional<MediaStatus> spotify;
    std::optional<MediaStatus> other;
    QString shown;
};

enum class Cover { https, http, file, device, oversized };

struct CoverRow
{
    Cover cover;
    MediaStatus::Slot slot;
    bool fetched;
    bool shown;
};

} // namespace

Q_DECLARE_METATYPE(Reactions)
Q_DECLARE_METATYPE(Choice)
Q_DECLARE_METATYPE(CoverRow)

class NowPlayingTest final : public QObject
{
    Q_OBJECT

private:
    FakeClock m_clock;
    FakeScheduler m_scheduler{m_clock};
    std::unique_ptr<Defaults> m_defaults;
    std::unique_ptr<RecordingNetwork> m_network;
    FakeMediaPlayers m_players;
    QStringList m_told;
    std::unique_ptr<NowPlaying> m_media;

    void build()
    {
        m_media.reset();
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificate(LocalHttpsServer::certificate());
        m_media = std::make_unique<NowPlaying>(
            NowPlaying::Services{*m_defaults, m_scheduler, m_players, *m_network,
                                 [this](const WispEvent& event) { m_told.append(event.text); }, tls});
    }

    void showTrack(const MediaStatus& track)
    {
        m_players.answer = {std::nullopt, track};
        m_media->refresh();
        QVERIFY(m_media->currentTrack());
    }

private slots:
    void init()
    {
        m_defaults = std::make_unique<Defaults>(QString());
        m_network = std::make_unique<RecordingNetwork>();
        m_players.answer = {};
        m_players.held = false;
        m_players.polls = 0;
        m_players.sent.clear();
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
        const auto spotifyTrack = [](bool playing) { return trackOf("S", playing, MediaStatus::Slot::spotify); };
        QTest::newRow("both play: Spotify") << Choice{spotifyTrack(true), trackOf("O", true), "S"};
        QTest::newRow("both paused: Spotify") << Choice{spotifyTrack(false), trackOf("O", false), "S"};
        QTest::newRow("playing beats paused") << Choice{spotifyTrack(false), trackOf("O", true), "O"};
        QTest::newRow("only the other one") << Choice{std::nullopt, trackOf("O", false), "O"};
        QTest::newRow("none") << Choice{std::nullopt, std::nullopt, {}};
    }

    void choiceBetweenTheSlots()
    {
        QFETCH(Choice, row);
        const std::optional<MediaStatus> chosen = NowPlaying::choose({row.spotify, row.other});
        QCOMPARE(chosen ? chosen->title : QString(), row.shown);
    }

    void reactionsToNewTitles_data()
    {
        QTest::addColumn<Reactions>("row");
        QTest::newRow("paused and resumed: once") << Reactions{{{"A"}, {"A", false}, {"A"}}, {"A"}};
        QTest::newRow("A, B, A: three times") << Reactions{{{"A"}, {"B"}, {"A"}}, {"A", "B", "A"}};
        QTest::newRow("a paused title: none") << Reactions{{{"A", false}}, {}};
        QTest::newRow("off while B starts, then on: not for B")
            << Reactions{{{"A"}, {"B", true, false}, {"B", true, true}}, {"A"}};
    }

    void reactionsToNewTitles()
    {
        QFETCH(Reactions, row);
        m_media->start();
        for (const Step& step : row.steps) {
            m_media->setReactToTracks(step.react);
            showTrack(trackOf(step.title, step.playing));
        }
        QCOMPARE(m_told, row.told);
    }

    void reactionSettingIsKept()
    {
        QVERIFY(m_media->reactToTracks());
        m_media->setReactToTracks(false);
        build();
        QVERIFY(!m_media->reactToTracks());
    }

    void pollsNeverOverlapAndStopDropsLateResults()
    {
        m_players.held = true;
        m_players.answer = {std::nullopt, trackOf("Late", true)};
        m_media->start();
        m_media->start();
        m_media->refresh();
        QCOMPARE(m_players.polls, 1);

        m_media->stop();
        m_players.release();
        // The held poll answers on the next pass of the event loop.
        QCoreApplication::processEvents();
        QVERIFY(!m_media->currentTrack());
        QVERIFY(m_told.isEmpty());
        m_media->refresh();
        QCOMPARE(m_players.polls, 1);
    }

    void commandsWaitBehindAPollAndRepoll()
    {
        m_media->send(MediaPlayers::Command::next);
        m_media->start();
        showTrack(trackOf("A", true));
        QVERIFY(m_players.sent.isEmpty());

        m_players.held = true;
        m_media->refresh();
        m_media->send(MediaPlayers::Command::next);
        m_media->send(MediaPlayers::Command::previous);
        QVERIFY(m_players.sent.isEmpty());
        m_players.release();
        QTRY_VERIFY(!m_players.sent.isEmpty());
        using Sent = QList<std::pair<QString, MediaPlayers::Command>>;
        QCOMPARE(m_players.sent, (Sent{{vlc, MediaPlayers::Command::next}, {vlc, MediaPlayers::Command::previous}}));

        const int polls = m_players.polls;
        m_scheduler.advance(NowPlaying::repollDelayMs);
        QCOMPARE(m_players.polls, polls + 1);
    }

    void covers_data()
    {
        QTest::addColumn<CoverRow>("row");
        const auto spotifySlot = MediaStatus::Slot::spotify;
        const auto otherSlot = MediaStatus::Slot::other;
        QTest::newRow("https, Spotify") << CoverRow{Cover::https, spotifySlot, true, true};
        QTest::newRow("https, another player") << CoverRow{Cover::https, otherSlot, true, true};
        QTest::newRow("plain http is never fetched") << CoverRow{Cover::http, otherSlot, false, false};
        QTest::newRow("a local file of another player") << CoverRow{Cover::file, otherSlot, false, true};
        QTest::newRow("a local file named by Spotify is not read") << CoverRow{Cover::file, spotifySlot, false, false};
        QTest::newRow("a device is not read") << CoverRow{Cover::device, otherSlot, false, false};
        QTest::newRow("a download over the cap is dropped") << CoverRow{Cover::oversized, otherSlot, true, false};
    }

    void covers()
    {
        QFETCH(CoverRow, row);
        const QByteArray png = pngBytes();
        const QByteArray response = row.cover == Cover::oversized
            ? "HTTP/1.1 200 OK\r\nContent-Length: 104857600\r\nConnection: close\r\n\r\n" + png
            : LocalHttpsServer::response("200 OK", png);
        LocalHttpsServer server(response);
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
        MediaStatus track = trackOf("A", true, row.slot);
        track.artworkUrl = url.toString();

        m_media->start();
        showTrack(track);
        QCOMPARE(m_network->requested.size(), row.fetched ? 1 : 0);
        QTRY_VERIFY_WITH_TIMEOUT(!m_media->isLoadingCover(), networkTimeoutMs);
        QCOMPARE(!m_media->artwork().isNull(), row.shown);
        if (row.shown)
            QVERIFY(m_media->artwork().height() <= NowPlaying::coverSide * 2);

        // The same track again loads nothing new; no track clears the cover.
        showTrack(track);
        QCOMPARE(m_network->requested.size(), row.fetched ? 1 : 0);
        m_players.answer = {};
        m_media->refresh();
        QVERIFY(m_media->artwork().isNull());
    }

    void coverOfATrackNoLongerShownIsDropped()
    {
        LocalHttpsServer silent({});
        QVERIFY(silent.listen());
        MediaStatus track = trackOf("A", true);
        track.artworkUrl = silent.url(QStringLiteral("/a.png")).toString();
        m_media->start();
        showTrack(track);
        QVERIFY(m_media->isLoadingCover());
        showTrack(trackOf("B", true));
        QTRY_VERIFY_WITH_TIMEOUT(!m_media->isLoadingCover(), networkTimeoutMs);
        QVERIFY(m_media->artwork().isNull());
    }
};

WISPLET_TEST_MAIN(NowPlayingTest)

#include "tst_nowplaying.moc"
