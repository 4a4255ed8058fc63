#pragma once

#include "Wisplet/Platform/Scheduler.h"
#include "tests/support/FakeClock.h"

#include <vector>

// Runs scheduled calls only when a test advances time, in the order they fall due.
class FakeScheduler final : public Scheduler
{
public:
    explicit FakeScheduler(FakeClock& clock)
        : m_clock(clock)
    { }

    std::unique_ptr<ScheduledCall> callAfter(std::chrono::milliseconds delay, std::function<void()> action) override;

    // Moves the clock forward by ms, running every call that falls due on the way at its own time.
    void advance(qint64 ms);
    // The delays, as requested, of the calls still waiting, oldest request first.
    std::vector<qint64> pendingDelays() const;
    int pendingCount() const { return int(pendingDelays().size()); }

private:
    struct Entry
    {
        qint64 dueMs;
        qint64 delayMs;
        quint64 order;
        std::function<void()> action;
        bool pending = true;
    };
    class Handle;

    FakeClock& m_clock;
    std::vector<std::shared_ptr<Entry>> m_entries;
    quint64 m_nextOrder = 0;
};
