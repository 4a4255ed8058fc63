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
}

FocusService::~FocusService() = default;

bool FocusService::isTicking() const
{
    return m_timer->isActive();
}

void FocusService::start()
{
    if (m_timer->isActive())
        return;
    m_timer->start();
    m_engine.tick();
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
