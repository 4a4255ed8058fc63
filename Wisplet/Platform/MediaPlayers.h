#pragma once

#include <QObject>
#include <QString>

#include <QCoro/QCoroTask>

#include <optional>

// What one media player reports about its current track. Times are in seconds.
struct MediaStatus
{
    // Spotify has a slot of its own; every other player competes for the second one.
    enum class Slot { spotify, other };

    QString title;
    QString artist;
    QString album;
    bool playing = false;
    std::optional<QString> artworkUrl;
    std::optional<double> duration;
    std::optional<double> position;
    Slot slot = Slot::other;
    // The name shown for the player.
    QString player;
    // Where its commands go.
    QString service;

    bool operator==(const MediaStatus&) const = default;
};

// One poll of the desktop's players: the track of each slot, if any.
struct MediaPoll
{
    std::optional<MediaStatus> spotify;
    std::optional<MediaStatus> other;
};

// The desktop's media players. Each call answers later on the caller's thread; none waits longer than
// the source's time-out for a player, so a hung player never stalls the next poll.
class MediaPlayers : public QObject
{
    Q_OBJECT

public:
    enum class Command { previous, playPause, next };

    using QObject::QObject;

    virtual QCoro::Task<MediaPoll> poll() = 0;
    // Sends the command to the player at `service`; finishes once it answered, failed or timed out.
    virtual QCoro::Task<> send(QString service, Command command) = 0;
};

// Without a session bus: no players.
class NullMediaPlayers final : public MediaPlayers
{
    Q_OBJECT

public:
    using MediaPlayers::MediaPlayers;

    QCoro::Task<MediaPoll> poll() override { co_return MediaPoll{}; }
    QCoro::Task<> send(QString, Command) override { co_return; }
};
