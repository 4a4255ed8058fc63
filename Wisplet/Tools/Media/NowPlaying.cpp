#include "Wisplet/Tools/Media/NowPlaying.h"

#include "Wisplet/Companion/WispEvent.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Platform/PrivateFiles.h"
#include "Wisplet/Platform/Scheduler.h"
#include "Wisplet/Tools/Business/QtHttpTransport.h"

#include <QBuffer>
#include <QCoro/QCoroFuture>
#include <QImageReader>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

namespace {

const QString reactKey = QStringLiteral("media.react");
// Decoding refuses anything larger, whatever its file size.
constexpr qint64 maxCoverPixels = 100'000'000;

QImage readCoverFile(const QString& path, qint64 maxBytes, int side)
{
    const PrivateFiles::FileRead found = PrivateFiles::readRegularFile(path, maxBytes);
    return found.outcome == PrivateFiles::FileRead::Outcome::read ? NowPlaying::decodeCover(found.contents, side)
                                                                  : QImage();
}

QString coverKey(const NowPlaying::Track& track)
{
    return track.service + QLatin1Char('|') + track.title + QLatin1Char('|') + track.album;
}

} // namespace

NowPlaying::NowPlaying(Services services, QObject* parent)
    : MediaPeekSource(parent)
    , m_defaults(services.defaults)
    , m_scheduler(services.scheduler)
    , m_players(services.players)
    , m_covers(services.covers)
    , m_tell(std::move(services.tell))
    , m_reactToTracks(!m_defaults.contains(reactKey) || m_defaults.boolValue(reactKey))
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(pollIntervalMs);
    m_timer->setTimerType(Qt::CoarseTimer);
    connect(m_timer, &QTimer::timeout, this, &NowPlaying::refresh);
}

NowPlaying::~NowPlaying()
{
    // A download still running resumes its coroutine as it is aborted; the new generation drops it.
    ++m_generation;
    cancelCover();
}

NowPlaying& NowPlaying::shared()
{
    static auto* covers = new QtHttpTransport;
    static auto* nowPlaying =
        new NowPlaying({Platform::defaults(), Platform::scheduler(), Platform::mediaPlayers(), *covers,
                        [](const WispEvent& event) { WispState::shared().handle(event); }});
    return *nowPlaying;
}

void NowPlaying::setReactToTracks(bool react)
{
    m_reactToTracks = react;
    m_defaults.set(reactKey, react);
    emit reactToTracksChanged(react);
    emit changed();
}

bool NowPlaying::isStarted() const
{
    return m_timer->isActive();
}

void NowPlaying::start()
{
    if (isStarted())
        return;
    ++m_generation;
    m_timer->start();
    refresh();
}

void NowPlaying::stop()
{
    m_timer->stop();
    ++m_generation;
    m_polling = false;
    m_repoll.reset();
    cancelCover();
    if (m_track) {
        m_track.reset();
        emit trackChanged(m_track);
        emit peekChanged();
        emit changed();
    }
    setArtwork({});
    m_lastArtworkKey.clear();
}

void NowPlaying::refresh()
{
    if (!isStarted() || m_polling)
        return;
    m_polling = true;
    pollPlayers(m_generation);
}

QCoro::Task<> NowPlaying::pollPlayers(quint64 generation)
{
    const QPointer self(this);
    ++m_pollsOnTheirWay;
    const MediaPoll result = co_await m_players.poll();
    if (!self)
        co_return;
    --m_pollsOnTheirWay;
    if (generation == m_generation && isStarted()) {
        m_polling = false;
        apply(choose(result));
    }
    if (m_pollsOnTheirWay == 0)
        flushCommands();
}

std::optional<NowPlaying::Track> NowPlaying::choose(const MediaPoll& poll)
{
    std::optional<Track> chosen = poll.spotify;
    if (poll.other && (!chosen || (poll.other->playing && !chosen->playing)))
        chosen = poll.other;
    return chosen;
}

void NowPlaying::apply(const std::optional<Track>& result)
{
    if (result != m_track) {
        m_track = result;
        emit trackChanged(m_track);
        emit peekChanged();
        emit changed();
    }
    if (!result) {
        cancelCover();
        setArtwork({});
        m_lastArtworkKey.clear();
        return;
    }
    if (const QString key = coverKey(*result); key != m_lastArtworkKey) {
        m_lastArtworkKey = key;
        loadArtwork(*result);
    }
    if (!result->playing || result->title == m_lastReactedTitle)
        return;
    // Remembered even while reactions are off, so turning them on does not greet the song already playing.
    m_lastReactedTitle = result->title;
    if (m_reactToTracks && m_tell)
        m_tell(WispEvent::musicStarted(result->title));
}

void NowPlaying::loadArtwork(const Track& track)
{
    cancelCover();
    setArtwork({});
    if (!track.artworkUrl)
        return;
    const QUrl url(*track.artworkUrl, QUrl::StrictMode);
    if (!url.isValid())
        return;
    if (url.scheme() == QStringLiteral("https") && !url.host().isEmpty())
        fetchCover(url, m_lastArtworkKey, m_generation);
    else if (track.slot == MediaStatus::Slot::other && url.isLocalFile())
        readCover(url.toLocalFile(), m_lastArtworkKey, m_generation);
    // Any other address (plain http above all) is never fetched.
}

QCoro::Task<> NowPlaying::fetchCover(QUrl url, QString key, quint64 generation)
{
    const QPointer self(this);
    ++m_coverLoads;
    HttpTransport& covers = m_covers;
    const HttpResponse response = co_await covers.get(url, {}, coverTimeout, maxCoverBytes, m_coverCancel);
    if (!self)
        co_return;
    // A failed or refused download changes nothing; the cover stays empty until the track changes.
    QImage image;
    if (response.failure == HttpResponse::Failure::none && response.status >= 200 && response.status <= 299
        && !response.body.isEmpty())
        image = co_await QtConcurrent::run(&NowPlaying::decodeCover, response.body, int(coverSide));
    if (self)
        self->finishCover(image, key, generation);
}

QCoro::Task<> NowPlaying::readCover(QString path, QString key, quint64 generation)
{
    const QPointer self(this);
    ++m_coverLoads;
    const QImage image = co_await QtConcurrent::run(&readCoverFile, path, maxCoverBytes, int(coverSide));
    if (self)
        self->finishCover(image, key, generation);
}

void NowPlaying::finishCover(const QImage& image, const QString& key, quint64 generation)
{
    --m_coverLoads;
    // A cover that arrives for a track no longer shown, or after a stop, is dropped.
    if (generation == m_generation && key == m_lastArtworkKey && isStarted())
        setArtwork(image);
}

QImage NowPlaying::decodeCover(const QByteArray& bytes, int side)
{
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > maxCoverPixels)
        return {};
    if (size.width() > side && size.height() > side)
        reader.setScaledSize(size.scaled(side, side, Qt::KeepAspectRatioByExpanding));
    return reader.read();
}

void NowPlaying::setArtwork(const QImage& image)
{
    if (image.isNull() && m_artwork.isNull())
        return;
    m_artwork = image;
    emit artworkChanged(m_artwork);
    emit changed();
}

void NowPlaying::cancelCover()
{
    std::exchange(m_coverCancel, CancelToken()).cancel();
}

void NowPlaying::send(MediaPlayers::Command command)
{
    if (!m_track)
        return;
    if (m_pollsOnTheirWay > 0)
        m_waitingCommands.append({m_track->service, command});
    else
        runCommand(m_track->service, command);
}

void NowPlaying::flushCommands()
{
    const auto waiting = std::exchange(m_waitingCommands, {});
    for (const auto& [service, command] : waiting)
        runCommand(service, command);
}

QCoro::Task<> NowPlaying::runCommand(QString service, MediaPlayers::Command command)
{
    const QPointer self(this);
    co_await m_players.send(service, command);
    if (self)
        self->m_repoll = self->m_scheduler.callAfter(std::chrono::milliseconds(repollDelayMs), [self] {
            if (self)
                self->refresh();
        });
}

std::optional<PeekTrack> NowPlaying::track() const
{
    if (!m_track)
        return std::nullopt;
    return PeekTrack{m_track->title, m_track->playing};
}
