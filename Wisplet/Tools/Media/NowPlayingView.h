#pragma once

#include "Wisplet/Tools/Media/NowPlaying.h"

#include <QWidget>

class ElidingLabel;
class MediaButton;
class QLabel;
class QStackedLayout;

// The media tool's page: the shown track's cover, title, artist and album, its progress and the
// transport buttons, or a short note while nothing plays. Everything shown comes from NowPlaying.
class NowPlayingView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NowPlayingView)

public:
    explicit NowPlayingView(NowPlaying& media, QWidget* parent = nullptr);

    // "Artist · Album", or the artist alone without an album.
    static QString subtitle(const NowPlaying::Track& track);
    // How far the bar is filled; none when the track's length or position is not known.
    static std::optional<double> progress(const NowPlaying::Track& track);

private:
    QWidget* buildTrackPage();
    QWidget* buildEmptyPage();
    void showTrack(const std::optional<NowPlaying::Track>& track);

    NowPlaying& m_media;
    QStackedLayout* m_pages = nullptr;
    QWidget* m_emptyPage = nullptr;
    QWidget* m_trackPage = nullptr;
    QWidget* m_cover = nullptr;
    ElidingLabel* m_title = nullptr;
    ElidingLabel* m_subtitle = nullptr;
    QWidget* m_progressBlock = nullptr;
    QWidget* m_bar = nullptr;
    QLabel* m_elapsed = nullptr;
    QLabel* m_total = nullptr;
    MediaButton* m_playPause = nullptr;
    QLabel* m_player = nullptr;
};
