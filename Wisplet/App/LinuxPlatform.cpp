#include "Wisplet/App/LinuxPlatform.h"

#include "Wisplet/Platform/Platform.h"

#include <QCoreApplication>

LinuxPlatform::LinuxPlatform()
    : m_defaults(Defaults::standardPath())
    , m_loginItem(XdgAutostart::standardEntryPath(), QCoreApplication::applicationFilePath())
{
    Platform::install({&m_clock, &m_scheduler, &m_defaults, &m_secrets, &m_loginItem});
    QObject::connect(&m_terminationSignals, &TerminationSignals::terminationRequested, QCoreApplication::instance(),
                     &QCoreApplication::quit);
}

LinuxPlatform::~LinuxPlatform() = default;
