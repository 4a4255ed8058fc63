#include "Wisplet/App/LinuxPlatform.h"

#include "Wisplet/App/ProcessSetup.h"
#include "Wisplet/Platform/BusProbe.h"
#include "Wisplet/Platform/BusWaitLimit.h"
#include "Wisplet/Platform/Platform.h"

#include <QCoreApplication>

namespace {

// A system bus whose daemon does not answer is not connected to, since libdbus would wait for it without a
// limit: suspend is then not seen, as without a system bus.
QDBusConnection answeringSystemBus()
{
    if (BusProbe::isSilent(BusProbe::addressOf(BusProbe::Bus::system)))
        return QDBusConnection(QString());
    // It may stop answering between the probe and Qt's greeting.
    const BusWaitLimit limit(BusProbe::Bus::system);
    return QDBusConnection::systemBus();
}

} // namespace

LinuxPlatform::LinuxPlatform()
    : m_defaults(Defaults::standardPath())
    , m_loginItem(XdgAutostart::standardEntryPath(), QCoreApplication::applicationFilePath())
    , m_sleepWatcher(answeringSystemBus())
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
