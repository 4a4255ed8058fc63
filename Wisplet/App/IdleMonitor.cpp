#include "Wisplet/App/IdleMonitor.h"

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/PeekSources.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/IdleSource.h"
#include "Wisplet/Platform/SleepWatcher.h"

#include <QTimer>

namespace {

constexpr double secondsPerMinute = 60;
const QString yawnText = QStringLiteral("yaaawn");
const QString stretchText = QStringLiteral("*stretch*");

} // namespace

IdleMonitor::IdleMonitor(const Services& services, const MediaPeekSource* media, QObject* parent)
    : QObject(parent)
    , m_state(services.state)
    , m_settings(services.settings)
    , m_idle(services.idle)
    , m_sleep(services.sleep)
    , m_clock(services.clock)
    , m_media(media)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(pollIntervalMs);
    // The poll keeps to its two seconds: no slack.
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &IdleMonitor::poll);
}

void IdleMonitor::start()
{
    // A second start must not double the observers.
    stop();
    m_timer->start();
    m_observers = {
        connect(&m_sleep, &SleepWatcher::displaysDidSleep, this, &IdleMonitor::onDisplaysOrMachineSleep),
        connect(&m_sleep, &SleepWatcher::willSleep, this, &IdleMonitor::onDisplaysOrMachineSleep),
        connect(&m_sleep, &SleepWatcher::displaysDidWake, this, &IdleMonitor::onWake),
        connect(&m_sleep, &SleepWatcher::didWake, this, &IdleMonitor::onMachineWake),
    };
}

void IdleMonitor::stop()
{
    m_timer->stop();
    for (const QMetaObject::Connection& observer : std::as_const(m_observers))
        disconnect(observer);
    m_observers.clear();
}

bool IdleMonitor::isRunning() const
{
    return m_timer->isActive();
}

void IdleMonitor::poll()
{
    if (!m_settings.idleBehaviours()) {
        if (m_state.isAsleep())
            m_state.setAsleep(false);
        return;
    }
    const double idle = m_idle.secondsSinceLastInput();
    // Sleep is tested first: a sleep threshold at or below the yawn threshold sleeps without a yawn.
    if (m_settings.sleepAfterMinutes() * secondsPerMinute <= idle) {
        if (!isMediaPlaying())
            m_state.fallAsleep();
        return;
    }
    if (m_settings.yawnAfterMinutes() * secondsPerMinute <= idle) {
        if (!m_yawned) {
            m_yawned = true;
            m_state.react(Mood::sleepy, yawnText, false, 1, 4.0);
        }
        return;
    }
    if (m_state.isAsleep())
        wakeWithStretch();
    m_yawned = false;
}

void IdleMonitor::onDisplaysOrMachineSleep()
{
    m_state.fallAsleep();
}

void IdleMonitor::onWake()
{
    m_yawned = false;
    if (m_state.isAsleep())
        wakeWithStretch();
}

void IdleMonitor::onMachineWake()
{
    // Timers do not count the time asleep: a quiet mode that ended meanwhile ends now, before the stretch
    // it would otherwise silence, and its timer is armed again for what is really left.
    m_settings.expireQuietMode(m_clock.now());
    m_settings.scheduleQuietTimer();
    onWake();
}

void IdleMonitor::wakeWithStretch()
{
    m_state.setAsleep(false);
    m_state.react(Mood::surprised, stretchText, true, 1, 0.9);
}

bool IdleMonitor::isMediaPlaying() const
{
    if (!m_media)
        return false;
    const std::optional<PeekTrack> track = m_media->track();
    return track && track->playing;
}
