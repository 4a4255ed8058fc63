#pragma once

#include "Wisplet/Base/WindowPlacement.h"
#include "Wisplet/Notch/NotchGeometry.h"
#include "Wisplet/Platform/WindowService.h"

#include <QPainterPath>
#include <QWidget>

#include <optional>

class AppSettings;
class IslandSurface;
class QKeyEvent;
class QTimer;
class ScreenProvider;
class ToolRegistry;
class WispState;

// The one window Wisp lives in: a frameless, transparent 760 × 560 window (narrower or lower on a smaller
// screen) hanging from the top edge of the chosen screen, above other windows on every desktop and out of the taskbar.
// Only the island takes clicks and, without a compositor, is drawn. The panel takes the keyboard focus only when a
// control in it that takes keys is clicked or a tool is opened, pins the companion open when it gets it, and gives it
// back without ever unmapping. It collapses out of the way of the program's other windows, which open clear of the
// island.
class NotchPanel final : public QWidget, public FloatsAbove
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NotchPanel)

public:
    static constexpr QSize panelSize{760, 560};

    // Each must outlive the panel.
    struct Services
    {
        AppSettings& settings;
        WispState& wisp;
        ToolRegistry& tools;
        ScreenProvider& screens;
        WindowService& windows;
    };

    // The panel takes the surface over and places itself; showing it is the caller's call.
    NotchPanel(IslandSurface* surface, const Services& services);

    // The collapsed island at its widest, where the panel stands; empty before a screen was seen.
    QRect keptClear() const override;

    // The geometry of the last positioning; none until a screen was seen.
    const std::optional<NotchGeometry>& notchGeometry() const { return m_geometry; }

    // To the top centre of the screen the settings choose; with no screen at all, stays where it is.
    void reposition();
    // Asks for the keyboard focus; getting it pins the companion open.
    void takeFocus();
    // Gives the focus back to the window that had it, leaving the panel shown unless presentation mode or
    // full-screen hiding is in force; then it hides once the focus has gone. Nothing happens while the
    // panel does not have the focus.
    void releaseFocus();
    // A tool was opened: the panel comes forward with the focus, unless hidden for full screen.
    void openForTool();
    // Shown without taking the focus; a hide still waiting for the focus to leave is called off.
    void orderFront();
    // Hidden for presentation mode or full screen: at once when the panel does not have the focus,
    // otherwise once the focus has gone back.
    void orderOut();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool handleKey(QKeyEvent& event);
    // Another window of the program is opening: the companion collapses and unpins, and the panel lets go
    // of the focus, so the window is not left under the island.
    void stepAside();
    void dropFocus();
    void updateShape(bool force);

    IslandSurface* m_surface;
    AppSettings& m_settings;
    WispState& m_wisp;
    ScreenProvider& m_screens;
    WindowService& m_windows;
    ToolRegistry& m_tools;
    // Running while the panel waits for the focus to leave before it hides.
    QTimer* m_hideWhenInactive;
    // The focus was asked for before the window was mapped.
    bool m_activateWhenExposed = false;
    // Set on every show: the floating states are asked for again once the window is on screen.
    bool m_floatWhenExposed = false;

    std::optional<NotchGeometry> m_geometry;
    // What the window's shape was last set from.
    QPainterPath m_shape;
    qreal m_shapeRatio = 0;
    // The window that had the focus before we took it.
    WindowService::WindowId m_focusBefore = 0;
};
