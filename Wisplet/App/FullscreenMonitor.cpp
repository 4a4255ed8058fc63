#include "Wisplet/App/FullscreenMonitor.h"

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/ScreenChoice.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

FullscreenMonitor::FullscreenMonitor(AppSettings& settings, ActiveWindowSource& windows, ScreenProvider& screens,
                                     qint64 ownPid, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_windows(windows)
    , m_screens(screens)
    , m_ownPid(ownPid)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(pollIntervalMs);
    // The poll keeps to its two seconds: no slack.
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &FullscreenMonitor::poll);
}

void FullscreenMonitor::start()
{
    if (!m_timer->isActive())
        m_timer->start();
}

void FullscreenMonitor::stop()
{
    m_timer->stop();
}

bool FullscreenMonitor::isRunning() const
{
    return m_timer->isActive();
}

void FullscreenMonitor::poll()
{
    bool fullscreen = false;
    if (m_settings.hideInFullscreen()) {
        fullscreen = check();
        if (fullscreen == m_isFullscreen)
            return;
    } else if (!m_isFullscreen) {
        return;
    }
    m_isFullscreen = fullscreen;
    if (m_onChange)
        m_onChange(fullscreen);
}

bool FullscreenMonitor::check() const
{
    const std::optional<WindowInfo> front = m_windows.activeWindow();
    if (!front)
        return false;
    const std::optional<ScreenInfo> screen = screenFor(m_settings.displayMode(), m_screens);
    if (!screen)
        return false;
    return showsFullscreen(*front, m_windows.stackingList(), *screen, m_ownPid);
}

bool FullscreenMonitor::showsFullscreen(const WindowInfo& front, const QList<WindowInfo>& windows,
                                        const ScreenInfo& screen, qint64 ownPid)
{
    // Our own panel and windows never count: the panel comes back while one of them is in front.
    if (front.pid != 0 && front.pid == ownPid)
        return false;
    // A window that names no process can only stand for itself.
    const auto ofFront = [&](const WindowInfo& window) {
        return front.pid != 0 ? window.pid == front.pid : window.id == front.id;
    };
    return std::any_of(windows.cbegin(), windows.cend(), [&](const WindowInfo& window) {
        return ofFront(window) && window.visible && !window.desktopElement && coversScreen(window.frame, screen);
    });
}

bool FullscreenMonitor::coversScreen(const QRectF& window, const ScreenInfo& screen)
{
    const QRectF& frame = screen.frame;
    return std::abs(window.center().x() - frame.center().x()) < edgeTolerance
        && std::abs(window.bottom() - frame.bottom()) < edgeTolerance
        && std::abs(window.width() - frame.width()) < edgeTolerance
        && window.height() >= frame.height() - screen.topInset - 1.0;
}
