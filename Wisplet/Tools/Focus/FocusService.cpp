#include "Wisplet/Tools/Focus/FocusService.h"

#include "Wisplet/Tools/Focus/FocusEngine.h"

#include <QTimer>

FocusService::FocusService(FocusEngine& engine, QObject* parent)
    : QObject(parent)
    , m_engine(engine)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(tickMs);
    m_timer->setTimerType(Qt::CoarseTimer);
    connect(m_timer, &QTimer::timeout, &engine, &FocusEngine::tick);
    connect(&engine, &FocusEngine::isRunningChanged, this, &FocusService::pace);
}

FocusService::~FocusService() = default;

bool FocusService::isTicking() const
{
    return m_timer->isActive();
}

int FocusService::tickInterval() const
{
    return m_timer->interval();
}

void FocusService::start()
{
    if (m_timer->isActive())
        return;
    m_timer->start(m_engine.isRunning() ? tickMs : restingTickMs);
    m_engine.tick();
}

// A session that starts is ticked a second later, not a resting interval later.
void FocusService::pace()
{
    const int interval = m_engine.isRunning() ? tickMs : restingTickMs;
    if (m_timer->isActive() && m_timer->interval() != interval)
        m_timer->start(interval);
}

void FocusService::stop()
{
    m_engine.pause();
    m_engine.saveSession();
    m_timer->stop();
}

void FocusService::prepareForQuit()
{
    m_engine.saveSession();
    m_timer->stop();
}
