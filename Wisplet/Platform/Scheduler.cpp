#include "Wisplet/Platform/Scheduler.h"

#include <QPointer>
#include <QTimerEvent>

#include <algorithm>
#include <limits>

// The handle outlives neither its call nor, harmlessly, the scheduler.
class QtScheduler::Call final : public ScheduledCall
{
public:
    Call(QtScheduler& scheduler, int id)
        : m_scheduler(&scheduler)
        , m_id(id)
    { }

    ~Call() override
    {
        if (m_scheduler)
            m_scheduler->cancel(m_id);
    }

    bool isPending() const override { return m_scheduler && m_scheduler->isPending(m_id); }

private:
    QPointer<QtScheduler> m_scheduler;
    int m_id;
};

QtScheduler::QtScheduler(QObject* parent)
    : QObject(parent)
{ }

QtScheduler::~QtScheduler() = default;

std::unique_ptr<ScheduledCall> QtScheduler::callAfter(std::chrono::milliseconds delay, std::function<void()> action)
{
    const auto ms = std::clamp<std::chrono::milliseconds::rep>(delay.count(), 0, std::numeric_limits<int>::max());
    const int id = startTimer(std::chrono::milliseconds(ms), Qt::PreciseTimer);
    m_actions.insert(id, std::move(action));
    return std::make_unique<Call>(*this, id);
}

void QtScheduler::cancel(int id)
{
    if (m_actions.remove(id) > 0)
        killTimer(id);
}

void QtScheduler::timerEvent(QTimerEvent* event)
{
    const int id = event->timerId();
    const auto found = m_actions.find(id);
    if (found == m_actions.end())
        return;
    // Taken out first: the action may drop its own handle or another call, or schedule more.
    const std::function<void()> action = std::move(found.value());
    m_actions.erase(found);
    killTimer(id);
    action();
}
