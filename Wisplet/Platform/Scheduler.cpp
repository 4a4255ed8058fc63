#include "Wisplet/Platform/Scheduler.h"

#include <QPointer>
#include <QTimerEvent>

#include <algorithm>
#include <limits>

// The handle outlives neither its call nor, harmlessly, the scheduler.
class QtScheduler::Call final : public ScheduledCall
{
public:
    Call(QtScheduler& scheduler, int id, quint64 serial)
        : m_scheduler(&scheduler)
        , m_id(id)
        , m_serial(serial)
    { }

    ~Call() override
    {
        if (m_scheduler)
            m_scheduler->cancel(m_id, m_serial);
    }

    bool isPending() const override { return m_scheduler && m_scheduler->isPending(m_id, m_serial); }

private:
    QPointer<QtScheduler> m_scheduler;
    int m_id;
    quint64 m_serial;
};

QtScheduler::QtScheduler(QObject* parent)
    : QObject(parent)
{ }

QtScheduler::~QtScheduler() = default;

std::unique_ptr<ScheduledCall> QtScheduler::callAfter(std::chrono::milliseconds delay, std::function<void()> action)
{
    const auto ms = std::clamp<std::chrono::milliseconds::rep>(delay.count(), 0, std::numeric_limits<int>::max());
    const int id = startTimer(std::chrono::milliseconds(ms), Qt::PreciseTimer);
    const quint64 serial = ++m_lastSerial;
    m_calls.insert(id, {serial, std::move(action)});
    return std::make_unique<Call>(*this, id, serial);
}

bool QtScheduler::isPending(int id, quint64 serial) const
{
    const auto found = m_calls.constFind(id);
    return found != m_calls.cend() && found->serial == serial;
}

void QtScheduler::cancel(int id, quint64 serial)
{
    if (!isPending(id, serial))
        return;
    m_calls.remove(id);
    killTimer(id);
}

void QtScheduler::timerEvent(QTimerEvent* event)
{
    const int id = event->timerId();
    const auto found = m_calls.find(id);
    if (found == m_calls.end())
        return;
    // Taken out first: the action may drop its own handle or another call, or schedule more.
    const std::function<void()> action = std::move(found->action);
    m_calls.erase(found);
    killTimer(id);
    action();
}
