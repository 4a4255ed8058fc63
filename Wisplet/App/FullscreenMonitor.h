#pragma once

#include "Wisplet/Platform/ActiveWindowSource.h"
#include "Wisplet/Platform/Screens.h"

#include <QCoreApplication>
#include <QObject>

#include <functional>

class AppSettings;
class QTimer;

// Tells its owner when the front application shows a full-screen window on the companion's screen, so
// that the panel can step aside. Window managers announce no such thing, so it polls.
class FullscreenMonitor final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FullscreenMonitor)

public:
    static constexpr int pollIntervalMs = 2000;
    // How far a window's middle, bottom edge and width may be from the screen's and still match.
    static constexpr double edgeTolerance = 2.0;

    FullscreenMonitor(AppSettings& settings, ActiveWindowSource& windows, ScreenProvider& screens,
                      qint64 ownPid = QCoreApplication::applicationPid(), QObject* parent = nullptr);

    // Called with the new state on every change, and only then.
    void setOnChange(std::function<void(bool)> onChange) { m_onChange = std::move(onChange); }
    // The first poll comes one interval after the start.
    void start();
    void stop();
    bool isRunning() const;
    bool isFullscreen() const { return m_isFullscreen; }

    // One poll: with hiding switched off no test runs, and a full-screen state is reported over once.
    void poll();
    // The full-screen test on the screen the display mode chooses.
    bool check() const;

    // Whether the front application (the owner of `front`) shows a visible window covering `screen`; never
    // for our own process, nor for desktop backgrounds and docks.
    static bool showsFullscreen(const WindowInfo& front, const QList<WindowInfo>& windows, const ScreenInfo& screen,
                                qint64 ownPid);
    // Centred on the screen, as wide, down to its bottom edge, and as tall as the screen below its top inset.
    static bool coversScreen(const QRectF& window, const ScreenInfo& screen);

private:
    AppSettings& m_settings;
    ActiveWindowSource& m_windows;
    ScreenProvider& m_screens;
    qint64 m_ownPid;
    std::function<void(bool)> m_onChange;
    QTimer* m_timer;
    bool m_isFullscreen = false;
};
