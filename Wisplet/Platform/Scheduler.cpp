#include "Wisplet/Platform/Scheduler.h"

#include <QTimer>

namespace {

class TimerCall final : public ScheduledCall
{
public:
    TimerCall(std::chrono::milliseconds delay, std::function<void()> action)
        : m_timer(new QTimer)
        , m_action(std::move(action))
    {
        m_timer->setSingleShot(true);
        m_timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(m_timer, &QTimer::timeout, m_timer, [this, firing = m_firing] {
            const auto pending = std::move(m_action);
            *firing = true;
            pending(); // may destroy this handle: only locals are touched from here on
            *firing = false;
        });
        m_timer->start(delay);
    }

    ~TimerCall() override
    {
        m_timer->disconnect();
        // The action may drop its own handle while the timer is still delivering its signal.
        if (*m_firing)
            m_timer->deleteLater();
        else
            delete m_timer;
    }

    bool isPending() const override { return m_timer->isActive(); }

private:
    QTimer* m_timer;
    std::function<void()> m_action;
    std::shared_ptr<bool> m_firing = std::make_shared<bool>(false);
};

} // namespace

std::unique_ptr<ScheduledCall> QtScheduler::callAfter(std::chrono::milliseconds delay, std::function<void()> action)
{
    return std::make_unique<TimerCall>(delay, std::move(action));
}
