#pragma once

#include "Wisplet/Base/ToolService.h"

#include <QObject>

class FocusEngine;
class QTimer;

// The focus tool's background work: the engine's one-second tick. Stopping the tool pauses and saves the
// session; quitting saves it as it stands, so a running session comes back running.
class FocusService final : public QObject, public ToolService
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FocusService)

public:
    static constexpr int tickMs = 1000;

    explicit FocusService(FocusEngine& engine, QObject* parent = nullptr);
    ~FocusService() override;

    void start() override;
    void stop() override;
    void prepareForQuit() override;
    void stopForQuit(QDeadlineTimer) override { }

    bool isTicking() const;

private:
    FocusEngine& m_engine;
    QTimer* m_timer;
};
