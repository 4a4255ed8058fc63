#include "tests/support/FakeScheduler.h"

#include <algorithm>

class FakeScheduler::Handle final : public ScheduledCall
{
public:
    explicit Handle(std::shared_ptr<Entry> entry)
        : m_entry(std::move(entry))
    { }
    ~Handle() override { m_entry->pending = false; }
    bool isPending() const override { return m_entry->pending; }

private:
    std::shared_ptr<Entry> m_entry;
};

std::unique_ptr<ScheduledCall> FakeScheduler::callAfter(std::chrono::milliseconds delay, std::function<void()> action)
{
    auto entry = std::make_shared<Entry>(
        Entry{m_clock.monotonicMs() + delay.count(), delay.count(), m_nextOrder++, std::move(action)});
    m_entries.push_back(entry);
    return std::make_unique<Handle>(entry);
}

void FakeScheduler::advance(qint64 ms)
{
    const qint64 target = m_clock.monotonicMs() + ms;
    for (;;) {
        std::erase_if(m_entries, [](const auto& entry) { return !entry->pending; });
        const auto next = std::min_element(m_entries.begin(), m_entries.end(), [](const auto& a, const auto& b) {
            return std::tie(a->dueMs, a->order) < std::tie(b->dueMs, b->order);
        });
        if (next == m_entries.end() || (*next)->dueMs > target)
            break;
        const std::shared_ptr<Entry> entry = *next;
        m_clock.advance(std::max<qint64>(0, entry->dueMs - m_clock.monotonicMs()));
        entry->pending = false;
        const auto action = std::move(entry->action);
        action();
    }
    // An action may have moved the clock on by itself; a monotonic clock never goes back.
    m_clock.advance(std::max<qint64>(0, target - m_clock.monotonicMs()));
}

std::vector<qint64> FakeScheduler::pendingDelays() const
{
    std::vector<qint64> delays;
    for (const auto& entry : m_entries) {
        if (entry->pending)
            delays.push_back(entry->delayMs);
    }
    return delays;
}
