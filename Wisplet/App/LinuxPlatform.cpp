#include "Wisplet/App/LinuxPlatform.h"

#include "Wisplet/Platform/Platform.h"

#include <QCoreApplication>

LinuxPlatform::LinuxPlatform()
    : m_defaults(Defaults::standardPath())
    , m_loginItem(XdgAutostart::standardEntryPath(), QCoreApplication::applicationFilePath())
{
    Platform::install({.clock = &m_clock,
                       .scheduler = &m_scheduler,
                       .defaults = &m_defaults,
                       .secrets = &m_secrets,
                       .loginItem = &m_loginItem,
                       .random = &m_random,
                       .screens = &m_screens,
                       .motion = &m_motion,
                       .keyGrabber = m_keyGrabber.get(),
                       .notifications = &m_notifications,
                       .windows = m_windows.get(),
                       .idle = m_idle.get(),
                       .sleepWatcher = &m_sleepWatcher,
                       .mediaPlayers = &m_mediaPlayers});
    QObject::connect(&m_terminationSignals, &TerminationSignals::terminationRequested, QCoreApplication::instance(),
                     &QCoreApplication::quit);
}

LinuxPlatform::~LinuxPlatform() = default;
