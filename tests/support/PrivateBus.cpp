#include "tests/support/PrivateBus.h"

#include <QFile>

#include <csignal>

namespace {

constexpr int startTimeoutMs = 10'000;

QByteArray configuration(const QString& socketDir)
{
    return QStringLiteral(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)")
        .arg(socketDir.toHtmlEscaped())
        .toUtf8();
}

} // namespace

PrivateBus::~PrivateBus()
{
    stop();
}

bool PrivateBus::start()
{
    if (!m_dir.isValid()) {
        m_errorText = QStringLiteral("no temporary folder: %1").arg(m_dir.errorString());
        return false;
    }
    QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
    if (!config.open(QIODevice::WriteOnly) || config.write(configuration(m_dir.path())) < 0) {
        m_errorText = QStringLiteral("cannot write %1: %2").arg(config.fileName(), config.errorString());
        return false;
    }
    config.close();

    // Kept aside: the daemon warns about resource limits it may not raise, which is noise unless it fails.
    const QString logPath = m_dir.filePath(QStringLiteral("bus.log"));
    m_daemon.setStandardErrorFile(logPath);
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                    QStringLiteral("--nosyslog"), QStringLiteral("--print-address")});
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(startTimeoutMs)) { }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty()) {
        stop();
        QFile log(logPath);
        const QString logText = log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()).trimmed() : QString();
        m_errorText = QStringLiteral("dbus-daemon gave no address: %1 %2").arg(m_daemon.errorString(), logText);
        return false;
    }
    return true;
}

bool PrivateBus::pause()
{
    return m_daemon.state() == QProcess::Running && ::kill(pid_t(m_daemon.processId()), SIGSTOP) == 0;
}

void PrivateBus::resume()
{
    if (m_daemon.state() == QProcess::Running)
        ::kill(pid_t(m_daemon.processId()), SIGCONT);
}

void PrivateBus::stop()
{
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    // A frozen daemon would not end until thawed.
    resume();
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5'000)) {
        m_daemon.kill();
        m_daemon.waitForFinished(5'000);
    }
}
