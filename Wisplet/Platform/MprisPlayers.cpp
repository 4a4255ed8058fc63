#include "Wisplet/Platform/MprisPlayers.h"

#include "Wisplet/Platform/PeerText.h"

#include <QCoro/QCoroDBusPendingCall>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QPointer>

#include <algorithm>

namespace {

const QString namePrefix = QStringLiteral("org.mpris.MediaPlayer2.");
const QString spotifyService = QStringLiteral("org.mpris.MediaPlayer2.spotify");
// playerctld re-publishes whichever player was active last.
const QString mirrorService = QStringLiteral("org.mpris.MediaPlayer2.playerctld");
const QString objectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString rootInterface = QStringLiteral("org.mpris.MediaPlayer2");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr double microsecondsPerSecond = 1e6;

QVariantMap mapOf(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QDBusArgument>())
        return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
    return value.toMap();
}

QVariant unwrapped(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QDBusVariant>())
        return value.value<QDBusVariant>().variant();
    return value;
}

QString wholeTextOf(const QVariant& value)
{
    return value.metaType() == QMetaType::fromType<QString>() ? value.toString() : QString();
}

// As much of a player's text as the program keeps.
QString textOf(const QVariant& value)
{
    return PeerText::bounded(wholeTextOf(value));
}

// Microseconds on the bus, signed or unsigned.
std::optional<double> secondsOf(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        return double(value.toLongLong()) / microsecondsPerSecond;
    case QMetaType::ULongLong:
    case QMetaType::UInt:
        return double(value.toULongLong()) / microsecondsPerSecond;
    default:
        return std::nullopt;
    }
}

QString artistOf(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QStringList>())
        return PeerText::bounded(value.toStringList().join(QStringLiteral(", ")));
    return textOf(value);
}

QDBusMessage propertiesCall(const QString& service, const QString& method)
{
    return QDBusMessage::createMethodCall(service, objectPath, propertiesInterface, method);
}

// "org.mpris.MediaPlayer2.chromium.instance42" → "chromium", for a player that does not name itself.
QString nameFromService(const QString& service)
{
    return service.mid(namePrefix.size()).section(QLatin1Char('.'), 0, 0);
}

} // namespace

MprisPlayers::MprisPlayers(const QDBusConnection& bus, int callTimeoutMs, QObject* parent)
    : MediaPlayers(parent)
    , m_bus(bus)
    , m_callTimeoutMs(callTimeoutMs)
{ }

std::optional<MediaStatus> MprisPlayers::statusFrom(const QVariantMap& properties)
{
    const QVariantMap metadata = mapOf(unwrapped(properties.value(QStringLiteral("Metadata"))));
    MediaStatus status;
    status.title = textOf(metadata.value(QStringLiteral("xesam:title")));
    if (status.title.isEmpty())
        return std::nullopt;
    status.artist = artistOf(metadata.value(QStringLiteral("xesam:artist")));
    status.album = textOf(metadata.value(QStringLiteral("xesam:album")));
    status.playing = textOf(properties.value(QStringLiteral("PlaybackStatus"))) == QStringLiteral("Playing");
    // An address is taken whole or not at all: a cut one would lead elsewhere.
    const QString art = wholeTextOf(metadata.value(QStringLiteral("mpris:artUrl")));
    if (!art.isEmpty() && art.size() <= PeerText::maxLength)
        status.artworkUrl = art;
    status.duration = secondsOf(metadata.value(QStringLiteral("mpris:length")));
    status.position = secondsOf(properties.value(QStringLiteral("Position")));
    return status;
}

QCoro::Task<QStringList> MprisPlayers::playerNames()
{
    const QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                       QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames"));
    const QDBusMessage reply = co_await m_bus.asyncCall(call, m_callTimeoutMs);
    QStringList names;
    for (const QString& name : reply.arguments().value(0).toStringList()) {
        if (name.startsWith(namePrefix) && name != mirrorService)
            names.append(name);
    }
    std::sort(names.begin(), names.end());
    co_return names;
}

QCoro::Task<MediaPoll> MprisPlayers::poll()
{
    const QPointer self(this);
    const QStringList names = co_await playerNames();
    if (!self)
        co_return MediaPoll{};

    // Every player is asked at once, so a hung one costs one time-out per poll, not one each.
    struct Asked
    {
        QString service;
        QDBusPendingCall status;
        QDBusPendingCall identity;
    };
    std::vector<Asked> asked;
    for (const QString& name : names) {
        QDBusMessage status = propertiesCall(name, QStringLiteral("GetAll"));
        status << playerInterface;
        QDBusMessage identity = propertiesCall(name, QStringLiteral("Get"));
        identity << rootInterface << QStringLiteral("Identity");
        asked.push_back({name, m_bus.asyncCall(status, m_callTimeoutMs), m_bus.asyncCall(identity, m_callTimeoutMs)});
    }

    MediaPoll result;
    std::optional<MediaStatus> firstPaused;
    for (Asked& player : asked) {
        const QDBusMessage reply = co_await player.status;
        if (!self)
            co_return MediaPoll{};
        if (reply.type() != QDBusMessage::ReplyMessage)
            continue;
        std::optional<MediaStatus> status = statusFrom(mapOf(reply.arguments().value(0)));
        if (!status)
            continue;
        status->service = player.service;
        if (player.service == spotifyService) {
            status->slot = MediaStatus::Slot::spotify;
            status->player = QStringLiteral("Spotify");
            result.spotify = status;
            continue;
        }
        if (result.other || (firstPaused && !status->playing))
            continue;
        const QDBusMessage identity = co_await player.identity;
        if (!self)
            co_return MediaPoll{};
        if (identity.type() == QDBusMessage::ReplyMessage)
            status->player = textOf(unwrapped(identity.arguments().value(0)));
        if (status->player.isEmpty())
            status->player = nameFromService(player.service);
        if (status->playing)
            result.other = status;
        else
            firstPaused = status;
    }
    if (!result.other)
        result.other = firstPaused;
    co_return result;
}

QCoro::Task<> MprisPlayers::send(QString service, Command command)
{
    QString method;
    switch (command) {
    case Command::previous:
        method = QStringLiteral("Previous");
        break;
    case Command::playPause:
        method = QStringLiteral("PlayPause");
        break;
    case Command::next:
        method = QStringLiteral("Next");
        break;
    }
    co_await m_bus.asyncCall(QDBusMessage::createMethodCall(service, objectPath, playerInterface, method),
                             m_callTimeoutMs);
}
