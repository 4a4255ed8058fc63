#pragma once

#include <QObject>
#include <QWindow>

class QPainterPath;

// What a floating, shaped window needs from the window system beyond Qt's window flags: staying on every
// desktop out of the taskbar and pager, a shape that lets clicks elsewhere through, and handing the
// keyboard focus back to another window without unmapping our own.
class WindowService : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Window identifiers as the window system knows them; 0 is none.
    using WindowId = quintptr;

    // On top, on every desktop, out of the taskbar and the pager. Before every show, since the window manager
    // forgets these states whenever a window is hidden, and again once it is shown: a window shown again
    // before the window manager has seen it hidden loses them as it is taken back.
    virtual void prepareFloating(QWindow& window) = 0;
    // Only `shape` (logical pixels, window coordinates) takes clicks; without a compositor only it is
    // drawn too, since the transparent rest would show black.
    virtual void setShape(QWindow& window, const QPainterPath& shape) = 0;
    virtual bool isCompositing() const = 0;
    // The window that has the keyboard focus now.
    virtual WindowId activeWindow() const = 0;
    // Asks the window manager to focus `window`, as a pager would; with no such window still shown, the
    // focus goes to no window in particular.
    virtual void focusWindow(WindowId window) = 0;
    // Asks for the focus for one of our own shown windows, as a pager would: a window manager may refuse
    // a program's own request, and Qt counts even a refused one as focus.
    virtual void activate(QWindow& window) = 0;

signals:
    // A compositor started or stopped; shapes set before need setting again.
    void compositingChanged(bool compositing);
};

// Without a window system to ask: nothing is shaped and the focus stays where it is.
class NullWindowService final : public WindowService
{
    Q_OBJECT

public:
    using WindowService::WindowService;

    void prepareFloating(QWindow&) override { }
    void setShape(QWindow&, const QPainterPath&) override { }
    bool isCompositing() const override { return false; }
    WindowId activeWindow() const override { return 0; }
    void focusWindow(WindowId) override { }
    void activate(QWindow& window) override { window.requestActivate(); }
};
