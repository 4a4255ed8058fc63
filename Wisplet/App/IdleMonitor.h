#pragma once

#include <QList>
#include <QObject>

class AppSettings;
class Clock;
class IdleSource;
class MediaPeekSource;
class QTimer;
class SleepWatcher;
class WispState;

// Wisp's answer to the user's absence: one yawn after the yawn threshold of an idle stretch, sleep after
// the sleep threshold (not while music plays), a stretch when the user is back. Wisp also sleeps with the
// machine or its displays and wakes with them. It keeps no state of the companion beyond the one yawn.
class IdleMonitor final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IdleMonitor)

public:
    static constexpr int pollIntervalMs = 2000;

    struct Services
    {
        WispState& state;
        AppSettings& settings;
        IdleSource& idle;
        SleepWatcher& sleep;
        Clock& clock;
    };

    // Without a media source, nothing ever counts as playing.
    explicit IdleMonitor(const Services& services, const MediaPeekSource* media = nullptr, QObject* parent = nullptr);

    // Polls every interval and follows the machine's and the displays' sleep until stop().
    void start();
    void stop();
    bool isRunning() const;
    bool hasYawned() const { return m_yawned; }

    // One idle check.
    void poll();

private:
    void onDisplaysOrMachineSleep();
    void onWake();
    void onMachineWake();
    void wakeWithStretch();
    bool isMediaPlaying() const;

    WispState& m_state;
    AppSettings& m_settings;
    IdleSource& m_idle;
    SleepWatcher& m_sleep;
    Clock& m_clock;
    const MediaPeekSource* m_media;
    QTimer* m_timer;
    bool m_yawned = false;
    QList<QMetaObject::Connection> m_observers;
};
