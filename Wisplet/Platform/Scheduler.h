#pragma once

#include <chrono>
#include <functional>
#include <memory>

// A call waiting in a Scheduler. Destroying the handle cancels the call, so an owner that keeps its handles
// as members can never be called back after it is gone.
class ScheduledCall
{
public:
    virtual ~ScheduledCall() = default;
    virtual bool isPending() const = 0;
};

// Delayed one-shot work behind a seam: the program runs it on precise Qt timers, tests fire it by hand.
class Scheduler
{
public:
    virtual ~Scheduler() = default;

    [[nodiscard]] virtual std::unique_ptr<ScheduledCall> callAfter(std::chrono::milliseconds delay,
                                                                   std::function<void()> action) = 0;
};

class QtScheduler final : public Scheduler
{
public:
    std::unique_ptr<ScheduledCall> callAfter(std::chrono::milliseconds delay, std::function<void()> action) override;
};
