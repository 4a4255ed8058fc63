#pragma once

#include <QEvent>
#include <QList>
#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

class QScreen;
class QWidget;

// What a window's place depends on, in global logical pixels.
struct WindowFit
{
    // The available area of every screen, and the one a window goes to when it stands on none of them.
    QList<QRect> screens;
    QRect home;
    // The window manager's frame around the content, the title bar on top.
    QMargins frame;
    // The content size the window asks for, and the least it is made for.
    QSize size;
    QSize minimum;
    // Where the frame's top-left corner stands, or is asked to; none to centre the window.
    std::optional<QPoint> frameTopLeft;
    // What floats above the program's windows (the island) and must stay uncovered by them; empty for none.
    QRect island;
};

struct FittedWindow
{
    QRect content;
    // The window's minimum, given way to the screen where it does not fit.
    QSize minimum;
};

// The one rule for every window of ours: it lies on the screen that holds most of it (on `home` when none
// does or it has no place yet), frame and title bar wholly inside that screen's available area and no
// larger than it, the minimum giving way; where it fits as it stands, it stays. A window that would reach
// over the island goes below it or beside it, wherever it keeps most of its size (then where it moves
// least), the minimum giving way to that room.
FittedWindow fitWindow(const WindowFit& fit);

// A window of ours that floats above the others: the program's windows keep clear of the rectangle it
// gives while it is shown (global logical pixels, empty for none).
class FloatsAbove
{
public:
    virtual QRect keptClear() const = 0;

protected:
    FloatsAbove() = default;
    ~FloatsAbove() = default;
    Q_DISABLE_COPY_MOVE(FloatsAbove)
};

// The rectangle the shown floating windows of the program ask to keep clear; empty for none.
QRect keptClearArea();

// The frame the window manager draws, or will draw, around the window.
QMargins windowFrame(QWidget& window);
// A window of ours about to open: on the screen, where its frame's top-left corner is asked to be or else
// centred, within the rule above.
void placeOnScreen(QWidget& window, const QScreen& screen, std::optional<QPoint> frameTopLeft = std::nullopt);
// The rule applied where the window stands; a window on no screen goes to its own screen's middle.
void keepOnScreen(QWidget& window);
// Shows the window, raises it and activates it, so it comes in front of the application the user was in,
// kept on screen. First the window is sent a comingForwardEvent(), which whatever floats above the program's
// windows watches for, to make way even when the window was already shown.
void bringToFront(QWidget& window);
QEvent::Type comingForwardEvent();

// Keeps every window of the program (not the floating panel, menus or tooltips) on screen: as it is shown,
// and again whenever the screens change. A message box is also made wide enough for its title, which the
// window manager would otherwise cut.
class WindowFitting final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowFitting)

public:
    explicit WindowFitting(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void keepAllOnScreen();
};
