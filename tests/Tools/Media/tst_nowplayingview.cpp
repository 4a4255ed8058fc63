#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Tools/Business/QtHttpTransport.h"
#include "Wisplet/Tools/Media/MediaButton.h"
#include "Wisplet/Tools/Media/NowPlayingView.h"
#include "tests/support/FakeMediaPlayers.h"
#include "tests/support/FakeScheduler.h"
#include "tests/support/VisualOrder.h"
#include "tests/support/WidgetsTestMain.h"

namespace {

struct Progress
{
    std::optional<double> duration;
    std::optional<double> position;
    std::optional<double> fraction;
};

} // namespace

Q_DECLARE_METATYPE(Progress)

class NowPlayingViewTest final : public QObject
{
    Q_OBJECT

private slots:
    void progress_data()
    {
        QTest::addColumn<Progress>("row");
        QTest::newRow("halfway") << Progress{200.0, 100.0, 0.5};
        QTest::newRow("past the end: full") << Progress{200.0, 260.0, 1.0};
        QTest::newRow("no length") << Progress{std::nullopt, 10.0, std::nullopt};
        QTest::newRow("zero length") << Progress{0.0, 10.0, std::nullopt};
        QTest::newRow("negative length") << Progress{-3.0, 10.0, std::nullopt};
        QTest::newRow("no position") << Progress{200.0, std::nullopt, std::nullopt};
    }

    void progress()
    {
        QFETCH(Progress, row);
        NowPlaying::Track track;
        track.duration = row.duration;
        track.position = row.position;
        QCOMPARE(NowPlayingView::progress(track), row.fraction);
    }

    // The player's artist and album stand on one line around our separator: an override in the artist
    // reorders neither the separator nor the album.
    void theAlbumReadsAsWrittenAfterAnyArtist()
    {
        NowPlaying::Track track;
        track.artist = QStringLiteral(u"Band\u202E");
        track.album = QStringLiteral("Blue 42");
        const QString shown = NowPlayingView::subtitle(track);
        const qsizetype ours = shown.indexOf(QStringLiteral(u" \u00B7 "));
        QVERIFY(ours > 0);
        QVERIFY(VisualOrder::endReadsInOrder(shown, shown.size() - ours));
    }

    void showsTheTrackAndSendsToItsPlayer()
    {
        FakeClock time;
        FakeScheduler scheduler(time);
        Defaults defaults{QString()};
        QtHttpTransport covers;
        FakeMediaPlayers players;
        NowPlaying media({defaults, scheduler, players, covers, {}});
        NowPlayingView view(media);
        view.resize(360, 120);
        const auto playPause = view.findChild<MediaButton*>(QStringLiteral("playPause"));
        QVERIFY(!playPause->isVisibleTo(&view));

        NowPlaying::Track track;
        track.title = QStringLiteral("Song");
        track.service = QStringLiteral("org.mpris.MediaPlayer2.vlc");
        players.answer.other = track;
        media.start();
        QVERIFY(playPause->isVisibleTo(&view));
        QCOMPARE(playPause->symbolName(), QStringLiteral("play.fill"));

        players.answer.other->playing = true;
        media.refresh();
        QCOMPARE(playPause->symbolName(), QStringLiteral("pause.fill"));
        playPause->click();
        QCOMPARE(players.sent.value(0), std::make_pair(track.service, MediaPlayers::Command::playPause));
    }
};

WISPLET_WIDGETS_TEST_MAIN(NowPlayingViewTest)

#include "tst_nowplayingview.moc"
