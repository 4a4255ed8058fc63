#pragma once

#include "Wisplet/Platform/MediaPlayers.h"

#include <QDBusConnection>
#include <QVariantMap>

// The media players of the session bus, through MPRIS 2. The first slot is Spotify's own name; the second
// is, among the other players in bus-name order, the first that plays, else the first with a title, so a
// paused browser tab never hides a playing music player. playerctld mirrors other players and is skipped.
class MprisPlayers final : public MediaPlayers
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MprisPlayers)

public:
    // D-Bus waits 25 s by default, which would hold every later poll behind one hung player.
    static constexpr int defaultCallTimeoutMs = 2'000;

    explicit MprisPlayers(const QDBusConnection& bus, int callTimeoutMs = defaultCallTimeoutMs,
                          QObject* parent = nullptr);

    // The bus, once it is there; until then no player is found.
    void useBus(const QDBusConnection& bus) { m_bus = bus; }

    QCoro::Task<MediaPoll> poll() override;
    QCoro::Task<> send(QString service, Command command) override;

    // The track in the properties of org.mpris.MediaPlayer2.Player, its texts cut to PeerText's length; none
    // without a title.
    static std::optional<MediaStatus> statusFrom(const QVariantMap& properties);

private:
    QCoro::Task<QStringList> playerNames();

    QDBusConnection m_bus;
    int m_callTimeoutMs;
};
