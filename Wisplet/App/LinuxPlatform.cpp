#include "Wisplet/App/LinuxPlatform.h"

#include "Wisplet/App/ProcessSetup.h"
#include "Wisplet/Platform/Platform.h"

#include <QCoreApplication>

LinuxPlatform::LinuxPlatform(BusConnector& sessionBus)
    : m_defaults(Defaults::standardPath())
    , m_loginItem(XdgAutostart::standardEntryPath(), QCoreApplication::applicationFilePath())
{
    // Until then, motion is not reduced, nothing is posted and no player plays.
    sessionBus.whenDone(&m_motion, [this](const QDBusConnection& bus) {
        m_motion.useBus(bus);
        m_notifications.useBus(bus);
        m_sleepWatcher.useSessionBus(bus);
        m_mediaPlayers.useBus(bus);
    });
    m_systemBus.whenDone(&m_sleepWatcher, [this](const QDBusConnection& bus) { m_sleepWatcher.useSystemBus(bus); });
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
                       .pasteboard = &m_pasteboard,
                       .pasteKeystroke = m_pasteKeystroke.get(),
                       .mediaPlayers = &m_mediaPlayers});
    // A settings file that could not be read or saved is told once, when it happens.
    if (!m_defaults.errorText().isEmpty())
        reportProblem(QStringLiteral("Wisplet: ") + m_defaults.errorText());
    QObject::connect(&m_defaults, &Defaults::errorTextChanged, &m_defaults, [](const QString& text) {
        if (!text.isEmpty())
            reportProblem(QStringLiteral("Wisplet: ") + text);
    });
    // Ended, not asked to quit: a window that cannot be closed (the question about unsaved changes) turns a
    // quit down, and the end of the session would then find the program still there.
    QObject::connect(&m_terminationSignals, &TerminationSignals::terminationRequested, QCoreApplication::instance(),
                     [] { QCoreApplication::exit(0); });
}

LinuxPlatform::~LinuxPlatform() = default;
