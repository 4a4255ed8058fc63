#pragma once

#include <QDeadlineTimer>

// The background work of one tool (its timers, observers and samplers), as the service coordinator
// starts and stops it. Each tool that has background work registers one of these.
class ToolService
{
public:
    virtual ~ToolService() = default;

    // Starts the work; does nothing when it already runs.
    virtual void start() = 0;
    virtual void stop() = 0;

    // At quit, before anything is stopped, for every registered tool whether it runs or not.
    virtual void prepareForQuit() { }
    // At quit, for the tools that run: what is left to stop after prepareForQuit(). Work under way may be
    // waited for until the quit's deadline, never longer.
    virtual void stopForQuit(QDeadlineTimer /*deadline*/) { stop(); }
};
