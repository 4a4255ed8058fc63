#pragma once

#include "Wisplet/Platform/BusConnector.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/EwmhWindows.h"
#include "Wisplet/Platform/FreedesktopNotifications.h"
#include "Wisplet/Platform/LibsecretStore.h"
#include "Wisplet/Platform/MprisPlayers.h"
#include "Wisplet/Platform/PortalMotionSetting.h"
#include "Wisplet/Platform/QtPasteboard.h"
#include "Wisplet/Platform/QtScreenProvider.h"
#include "Wisplet/Platform/RandomSource.h"
#include "Wisplet/Platform/Scheduler.h"
#include "Wisplet/Platform/ScreenSaverIdle.h"
#include "Wisplet/Platform/SessionSleepWatcher.h"
#include "Wisplet/Platform/TerminationSignals.h"
#include "Wisplet/Platform/XTestPasteKeystroke.h"
#include "Wisplet/Platform/XcbKeyGrabber.h"
#include "Wisplet/Platform/XdgAutostart.h"

// The Linux implementations of the platform services, owned for the life of the process and
// installed for the shared instances; those on a bus take it once it is there. SIGINT, SIGTERM and SIGHUP
// quit the application in order.
class LinuxPlatform final
{
public:
    explicit LinuxPlatform(BusConnector& sessionBus);
    ~LinuxPlatform();
    Q_DISABLE_COPY_MOVE(LinuxPlatform)

private:
    SystemClock m_clock;
    QtScheduler m_scheduler;
    Defaults m_defaults;
    LibsecretStore m_secrets;
    XdgAutostart m_loginItem;
    GeneratorRandomSource m_random;
    QtScreenProvider m_screens;
    PortalMotionSetting m_motion{noBus()};
    FreedesktopNotifications m_notifications{noBus()};
    std::unique_ptr<GlobalKeyGrabber> m_keyGrabber = XcbKeyGrabber::forApplication();
    std::unique_ptr<ActiveWindowSource> m_windows = EwmhWindows::forSession();
    std::unique_ptr<IdleSource> m_idle = ScreenSaverIdle::forSession();
    SessionSleepWatcher m_sleepWatcher{noBus(), noBus()};
    QtPasteboard m_pasteboard;
    std::unique_ptr<PasteKeystroke> m_pasteKeystroke = XTestPasteKeystroke::forSession();
    MprisPlayers m_mediaPlayers{noBus()};
    TerminationSignals m_terminationSignals;
    BusConnector m_systemBus{BusProbe::Bus::system};

    static QDBusConnection noBus() { return QDBusConnection(QString()); }
};
