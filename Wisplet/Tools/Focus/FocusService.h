#pragma once

#include "Wisplet/Base/ToolService.h"

#include <QObject>

class FocusEngine;
class QTimer;

// The focus tool's background work: the engine's tick. Stopping the tool pauses and saves the session;
// quitting saves it as it stands, so a running session comes back running.
class FocusService final : public QObject, public ToolService
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FocusService)

public:
    // Each second while a phase or the stopwatch runs, so the clock moves on. Otherwise only the reminders
    // and the snoozed break card are watched, on thresholds of minutes: a tick every few seconds sees them.
    static constexpr int tickMs = 1000;
    static constexpr int restingTickMs = 5000;

    explicit FocusService(FocusEngine& engine, QObject* parent = nullptr);
    ~FocusService() override;

    void start() override;
    void stop() override;
    void prepareForQuit() override;
    void stopForQuit() override { }

    bool isTicking() const;
    int tickInterval() const;

private:
    void pace();

    FocusEngine& m_engine;
    QTimer* m_timer;
};
