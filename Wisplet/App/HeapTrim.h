#pragma once

#include <QObject>

#include <functional>
#include <memory>

class ScheduledCall;
class Scheduler;
class WispState;

// The open island's pages and pictures leave freed memory in the heap, which the allocator keeps for the
// process. A while after the island has collapsed (its animation and the hover-leave delay are over), what
// is free goes back to the system; opening again before then cancels it.
class HeapTrim final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HeapTrim)

public:
    static constexpr int delayMs = 3000;

    // By default glibc's malloc_trim.
    HeapTrim(WispState& wisp, Scheduler& scheduler, std::function<void()> trim = {}, QObject* parent = nullptr);
    ~HeapTrim() override;

private:
    void follow();

    WispState& m_wisp;
    Scheduler& m_scheduler;
    std::function<void()> m_trim;
    bool m_wasOpen = false;
    std::unique_ptr<ScheduledCall> m_pending;
};
