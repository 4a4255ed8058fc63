#include "tests/support/PrivateDisplay.h"

#include "tests/support/XTools.h"

#include <QDeadlineTimer>
#include <QThread>

namespace {

// The harness's own start of openbox sometimes fails on a display that Xvfb has only just announced, and
// under load either may be slow: each gets a few tries.
constexpr int tries = 3;
constexpr int pollMs = 50;

void end(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(XTools::timeoutMs)) {
        process.kill();
        process.waitForFinished(XTools::timeoutMs);
    }
}

bool windowManagerRuns()
{
    return XTools::run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
        .value_or(QString())
        .contains(QLatin1String("window id"));
}

} // namespace

PrivateDisplay::~PrivateDisplay()
{
    stop();
}

bool PrivateDisplay::start(QSize size, int dpi)
{
    m_displayBefore = qgetenv("DISPLAY");
    for (int attempt = 0; attempt < tries; ++attempt) {
        if (startServer(size) && setDpi(dpi) && startWindowManager())
            return true;
        stop();
    }
    return false;
}

// Set before the window manager starts, as a desktop does at login.
bool PrivateDisplay::setDpi(int dpi)
{
    if (dpi == 96)
        return true;
    QProcess resources;
    resources.start(QStringLiteral("xrdb"), {QStringLiteral("-nocpp"), QStringLiteral("-merge")});
    resources.write(QStringLiteral("Xft.dpi: %1\n").arg(dpi).toUtf8());
    resources.closeWriteChannel();
    if (resources.waitForFinished(XTools::timeoutMs) && resources.exitStatus() == QProcess::NormalExit
        && resources.exitCode() == 0)
        return true;
    m_errorText = QStringLiteral("xrdb failed: ") + QString::fromLocal8Bit(resources.readAllStandardError());
    return false;
}

bool PrivateDisplay::addMonitor(const QString& name, const QRect& area)
{
    // Width/millimetres x height/millimetres + x + y, at 96 dots an inch.
    const auto millimetres = [](int pixels) { return QString::number(qRound(pixels * 25.4 / 96)); };
    const QString geometry = QStringLiteral("%1/%2x%3/%4+%5+%6")
                                 .arg(area.width())
                                 .arg(millimetres(area.width()))
                                 .arg(area.height())
                                 .arg(millimetres(area.height()))
                                 .arg(area.x())
                                 .arg(area.y());
    const QString output = m_monitors++ == 0 ? QStringLiteral("screen") : QStringLiteral("none");
    return XTools::run(QStringLiteral("xrandr"), {QStringLiteral("--setmonitor"), name, geometry, output}).has_value();
}

bool PrivateDisplay::removeMonitor(const QString& name)
{
    return XTools::run(QStringLiteral("xrandr"), {QStringLiteral("--delmonitor"), name}).has_value();
}

bool PrivateDisplay::startServer(QSize size)
{
    // Xvfb picks a free display and writes its number to the descriptor given.
    m_server.start(QStringLiteral("Xvfb"),
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                    QStringLiteral("%1x%2x24").arg(size.width()).arg(size.height()), QStringLiteral("-nolisten"),
                    // Without its last client (xrdb, before openbox) the server would reset and forget the DPI.
                    QStringLiteral("tcp"), QStringLiteral("-noreset")});
    while (!m_server.canReadLine() && m_server.waitForReadyRead(XTools::timeoutMs)) { }
    const QByteArray number = m_server.readLine().trimmed();
    if (number.isEmpty()) {
        m_errorText =
            QStringLiteral("Xvfb gave no display: ") + QString::fromLocal8Bit(m_server.readAllStandardError());
        return false;
    }
    qputenv("DISPLAY", ':' + number);
    return true;
}

bool PrivateDisplay::startWindowManager()
{
    m_windowManager.setProcessChannelMode(QProcess::MergedChannels);
    // GLib's plain-malloc slices, which the tests ask for to check our code, crash openbox at Xft.dpi 192.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("G_SLICE"));
    m_windowManager.setProcessEnvironment(environment);
    m_windowManager.start(QStringLiteral("openbox"), {});
    const QDeadlineTimer deadline(XTools::timeoutMs);
    while (!windowManagerRuns()) {
        if (deadline.hasExpired() || m_windowManager.state() == QProcess::NotRunning) {
            m_errorText =
                QStringLiteral("openbox did not manage windows: ") + QString::fromLocal8Bit(m_windowManager.readAll());
            return false;
        }
        QThread::msleep(pollMs);
    }
    return true;
}

void PrivateDisplay::stop()
{
    end(m_windowManager);
    end(m_server);
    qputenv("DISPLAY", m_displayBefore);
}
