#pragma once

#include "Wisplet/Platform/MediaPlayers.h"

#include <QCoro/QCoroSignal>

// Players set by hand. Polls answer `answer` at once, or, while held, when release() is called.
class FakeMediaPlayers final : public MediaPlayers
{
    Q_OBJECT

public:
    QCoro::Task<MediaPoll> poll() override
    {
        ++polls;
        if (held)
            co_await qCoro(this, &FakeMediaPlayers::released);
        // A copy: co_return of a member would move it away.
        co_return MediaPoll(answer);
    }

    QCoro::Task<> send(QString service, Command command) override
    {
        sent.append({service, command});
        co_return;
    }

    void release()
    {
        held = false;
        emit released();
    }

    MediaPoll answer;
    bool held = false;
    int polls = 0;
    QList<std::pair<QString, Command>> sent;

signals:
    void released();
};
