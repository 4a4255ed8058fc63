#pragma once

#include <QDateTime>

// Wall time and monotonic time, injected so that engines which tick can be driven by hand in tests.
class Clock
{
public:
    virtual ~Clock() = default;

    // The wall clock, in UTC. It can jump (suspend, manual changes); use it for dates the user sees.
    virtual QDateTime now() const = 0;
    // Milliseconds on a clock that never goes back; use it for intervals.
    virtual qint64 monotonicMs() const = 0;
};

class SystemClock final : public Clock
{
public:
    QDateTime now() const override;
    qint64 monotonicMs() const override;
};
