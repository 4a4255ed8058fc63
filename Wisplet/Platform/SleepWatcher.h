#pragma once

#include <QObject>

// The machine's suspend and resume, and the displays going dark and coming back.
class SleepWatcher : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void willSleep();
    void didWake();
    void displaysDidSleep();
    void displaysDidWake();
};

// Reports nothing: the machine never seems to sleep.
class NullSleepWatcher final : public SleepWatcher
{
    Q_OBJECT

public:
    using SleepWatcher::SleepWatcher;
};
