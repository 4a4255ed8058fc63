#pragma once

#include "Wisplet/Base/ToolService.h"
#include "Wisplet/Notch/PeekSources.h"
#include "Wisplet/Platform/MediaPlayers.h"

#include "Wisplet/Tools/Business/HttpTransport.h"

#include <QImage>
#include <QPointer>

#include <functional>
#include <memory>

class Defaults;
class QTimer;
class ScheduledCall;
class Scheduler;
struct WispEvent;

// The media tool's model: polls the desktop's players every 3 s while the tool runs, publishes the track
// to show with its cover, sends transport commands to that track's player, and tells Wisp when a new
// title starts playing. Main thread only.
class NowPlaying final : public MediaPeekSource, public ToolService
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NowPlaying)

public:
    using Track = MediaStatus;

    static constexpr int pollIntervalMs = 3'000;
    static constexpr int repollDelayMs = 400;
    static constexpr std::chrono::milliseconds coverTimeout{15'000};
    // A cover is a picture of a few hundred kilobytes at most.
    static constexpr qint64 maxCoverBytes = 10 * 1024 * 1024;
    // Covers are drawn at 72 points; twice that covers a high-density screen.
    static constexpr int coverSide = 144;

    struct Services
    {
        Defaults& defaults;
        Scheduler& scheduler;
        MediaPlayers& players;
        // Cover downloads go through here.
        HttpTransport& covers;
        // Reactions go to Wisp through here.
        std::function<void(const WispEvent&)> tell;
    };

    explicit NowPlaying(Services services, QObject* parent = nullptr);
    ~NowPlaying() override;

    static NowPlaying& shared();

    std::optional<Track> currentTrack() const { return m_track; }
    QImage artwork() const { return m_artwork; }
    bool reactToTracks() const { return m_reactToTracks; }
    void setReactToTracks(bool react);
    bool isStarted() const;
    bool isPolling() const { return m_polling; }
    // A cover download or file read is on its way, current or not.
    bool isLoadingCover() const { return m_coverLoads > 0; }

    // The background work, as the service coordinator runs it.
    void start() override;
    void stop() override;

    // One poll of the players, unless stopped or a poll is still on its way.
    void refresh();
    // To the player of the shown track; nothing without one.
    void send(MediaPlayers::Command command);

    // MediaPeekSource.
    std::optional<PeekTrack> track() const override;

    // The track the island and the page show: Spotify's, unless only the other one plays.
    static std::optional<Track> choose(const MediaPoll& poll);
    // A picture no larger than side × side from encoded bytes; null when they are not one or are too large.
    static QImage decodeCover(const QByteArray& bytes, int side);

signals:
    void trackChanged(const std::optional<NowPlaying::Track>& value);
    void artworkChanged(const QImage& value);
    void reactToTracksChanged(bool value);
    void changed();

private:
    QCoro::Task<> pollPlayers(quint64 generation);
    QCoro::Task<> runCommand(QString service, MediaPlayers::Command command);
    void apply(const std::optional<Track>& result);
    void loadArtwork(const Track& track);
    QCoro::Task<> fetchCover(QUrl url, QString key, quint64 generation);
    QCoro::Task<> readCover(QString path, QString key, quint64 generation);
    void finishCover(const QImage& image, const QString& key, quint64 generation);
    void setArtwork(const QImage& image);
    void cancelCover();
    void flushCommands();

    Defaults& m_defaults;
    Scheduler& m_scheduler;
    MediaPlayers& m_players;
    HttpTransport& m_covers;
    std::function<void(const WispEvent&)> m_tell;

    std::optional<Track> m_track;
    QImage m_artwork;
    bool m_reactToTracks;
    quint64 m_generation = 0;
    bool m_polling = false;
    // Polls not yet answered, stale ones included.
    int m_pollsOnTheirWay = 0;
    int m_coverLoads = 0;
    QTimer* m_timer;
    CancelToken m_coverCancel;
    QString m_lastArtworkKey;
    QString m_lastReactedTitle;
    // Commands wait behind a poll on its way, so the player sees them in the order they were given.
    QList<std::pair<QString, MediaPlayers::Command>> m_waitingCommands;
    std::unique_ptr<ScheduledCall> m_repoll;
};
