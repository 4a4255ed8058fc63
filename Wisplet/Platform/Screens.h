#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>

#include <functional>
#include <optional>

class QScreen;

// One display as the panel's placement rules see it. Coordinates are global logical pixels with the
// origin at the top left and y growing downwards.
struct ScreenInfo
{
    QRectF frame;
    // The height of a camera housing cut into the top edge, and the unobscured parts of the edge to its
    // left and right. Linux reports none of these, so they are 0 and absent there.
    double topInset = 0;
    std::optional<QRectF> auxiliaryTopLeft;
    std::optional<QRectF> auxiliaryTopRight;
    // The computer's own panel, a laptop's display, rather than a monitor plugged into it.
    bool builtIn = false;
    // The Qt screen behind it; null for screens made up by tests.
    QScreen* screen = nullptr;

    // A screen contains the half-open rectangle [left, right) × [top, bottom).
    bool contains(const QPointF& point) const
    {
        return point.x() >= frame.left() && point.x() < frame.right() && point.y() >= frame.top()
            && point.y() < frame.bottom();
    }

    friend bool operator==(const ScreenInfo&, const ScreenInfo&) = default;
};

// The displays and the pointer, read anew at every call.
class ScreenProvider
{
public:
    virtual ~ScreenProvider() = default;

    // In the platform's order; the primary display first. Empty while screens are reconfigured.
    virtual QList<ScreenInfo> screens() const = 0;
    // The main screen, when there is one.
    virtual std::optional<ScreenInfo> mainScreen() const = 0;
    // The pointer in global logical pixels.
    virtual QPointF pointer() const = 0;
    // Asks to be called whenever the pointer may have moved (often many times a move); an empty function
    // stops the calls. Returns whether the platform tells at all: where it does not, only reading the
    // pointer notices a move.
    virtual bool watchPointer(std::function<void()> /*moved*/) { return false; }
};
