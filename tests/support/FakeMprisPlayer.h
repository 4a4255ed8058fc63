#pragma once

#include "tests/support/FakeBusService.h"

#include <QVariantMap>

#include <memory>

// A media player on the session bus, answering MPRIS property reads from the fields below and recording
// the transport commands it receives. A stalled player takes every call and never answers.
class FakeMprisPlayer final : public FakeBusService
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakeMprisPlayer)

public:
    // `name` follows "org.mpris.MediaPlayer2.".
    explicit FakeMprisPlayer(const QString& name);
    ~FakeMprisPlayer() override;

    bool registerOnBus();

    // A track with a title, playing or paused.
    void play(const QString& title, bool playing = true);

    QVariantMap metadata;
    QString playbackStatus = QStringLiteral("Stopped");
    // Not reported while invalid.
    QVariant position;
    QString identity;
    bool stalled = false;
    // Method names, in the order they came.
    QStringList commands;

private:
    class Object;
    std::unique_ptr<Object> m_object;
};
