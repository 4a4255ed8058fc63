#include "tests/support/FakeMprisPlayer.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>

namespace {

const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

} // namespace

class FakeMprisPlayer::Object final : public QDBusVirtualObject
{
public:
    explicit Object(FakeMprisPlayer& player)
        : m_player(player)
    { }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (m_player.stalled)
            return true;
        if (message.interface() == playerInterface) {
            m_player.commands.append(message.member());
            return connection.send(message.createReply());
        }
        const QVariantMap properties = propertiesOf(message.arguments().value(0).toString());
        if (message.member() == QStringLiteral("GetAll"))
            return connection.send(message.createReply(QVariant(properties)));
        const QString name = message.arguments().value(1).toString();
        if (!properties.contains(name))
            return connection.send(message.createErrorReply(QDBusError::InvalidArgs, name));
        return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(properties.value(name)))));
    }

private:
    QVariantMap propertiesOf(const QString& interface) const
    {
        if (interface != playerInterface)
            return m_player.identity.isEmpty() ? QVariantMap{} : QVariantMap{{"Identity", m_player.identity}};
        QVariantMap properties{{"Metadata", m_player.metadata}, {"PlaybackStatus", m_player.playbackStatus}};
        if (m_player.position.isValid())
            properties.insert(QStringLiteral("Position"), m_player.position);
        return properties;
    }

    FakeMprisPlayer& m_player;
};

FakeMprisPlayer::FakeMprisPlayer(const QString& name)
    : FakeBusService(QStringLiteral("org.mpris.MediaPlayer2.") + name, QStringLiteral("/org/mpris/MediaPlayer2"),
                     QStringLiteral("fake-mpris-") + name)
    , m_object(std::make_unique<Object>(*this))
{ }

FakeMprisPlayer::~FakeMprisPlayer()
{
    bus.unregisterObject(path());
}

bool FakeMprisPlayer::registerOnBus()
{
    return bus.registerVirtualObject(path(), m_object.get()) && bus.registerService(service());
}

void FakeMprisPlayer::play(const QString& title, bool playing)
{
    metadata.insert(QStringLiteral("xesam:title"), title);
    playbackStatus = playing ? QStringLiteral("Playing") : QStringLiteral("Paused");
}
