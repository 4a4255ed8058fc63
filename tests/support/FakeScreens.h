#pragma once

#include "Wisplet/Platform/Screens.h"

// Screens and a pointer set by hand. Frames are global logical pixels, origin top left, y down.
class FakeScreens final : public ScreenProvider
{
public:
    QList<ScreenInfo> screens() const override { return m_screens; }
    std::optional<ScreenInfo> mainScreen() const override { return m_main; }
    QPointF pointer() const override { return m_pointer; }
    bool watchPointer(std::function<void()> moved) override
    {
        m_moved = reportsMotion ? std::move(moved) : nullptr;
        return reportsMotion;
    }

    // The main screen is the one at mainIndex; none when the index is outside the list.
    void setScreens(const QList<ScreenInfo>& screens, qsizetype mainIndex = 0)
    {
        m_screens = screens;
        m_main = mainIndex >= 0 && mainIndex < screens.size() ? std::optional(screens[mainIndex]) : std::nullopt;
    }
    void setMainScreen(const std::optional<ScreenInfo>& main) { m_main = main; }
    void setPointer(const QPointF& pointer) { m_pointer = pointer; }
    // Moves the pointer and tells the watcher, as X11's raw motion does.
    void movePointer(const QPointF& pointer)
    {
        m_pointer = pointer;
        if (m_moved)
            m_moved();
    }

    // Whether watchers are told of moves.
    bool reportsMotion = false;

    static ScreenInfo plain(const QRectF& frame)
    {
        ScreenInfo screen;
        screen.frame = frame;
        return screen;
    }

    // A screen with a camera housing `inset` high in its top edge, between unobscured areas of the given
    // widths at the left and right ends of the edge.
    static ScreenInfo withHousing(const QRectF& frame, double inset, double leftWidth, double rightWidth)
    {
        ScreenInfo screen = plain(frame);
        screen.topInset = inset;
        screen.auxiliaryTopLeft = QRectF(frame.left(), frame.top(), leftWidth, inset);
        screen.auxiliaryTopRight = QRectF(frame.right() - rightWidth, frame.top(), rightWidth, inset);
        return screen;
    }

private:
    QList<ScreenInfo> m_screens;
    std::optional<ScreenInfo> m_main;
    QPointF m_pointer;
    std::function<void()> m_moved;
};
