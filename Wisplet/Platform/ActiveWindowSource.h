#pragma once

#include <QList>
#include <QObject>
#include <QRectF>
#include <QString>

#include <optional>

// One top-level window as the window manager lists it.
struct WindowInfo
{
    quint32 id = 0;
    // The owning process; 0 when the window does not say.
    qint64 pid = 0;
    // The desktop-entry id when the window names one, else its WM_CLASS class; empty when it has neither.
    QString appId;
    // The WM_CLASS class as the window gives it; empty when it has none.
    QString wmClass;
    // The frame, decorations included, in global logical pixels.
    QRectF frame;
    // Shown on the current desktop and not minimised.
    bool visible = false;
    // A desktop background, dock or panel: never an application's own window.
    bool desktopElement = false;

    friend bool operator==(const WindowInfo&, const WindowInfo&) = default;
};

// The windows of the session: which one is active, and all of them in stacking order.
class ActiveWindowSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // None when no window is active or the window cannot be read.
    virtual std::optional<WindowInfo> activeWindow() const = 0;
    // Bottom to top; windows that vanish while they are read are left out.
    virtual QList<WindowInfo> stackingList() const = 0;
    // The windows the window manager lists as of the last change of its list that has come in, each as it
    // was described when it was first listed; oldest first. Taken as a copy is made, it still holds a window
    // withdrawn right after. Where the source keeps no list of its own, the stacking list now.
    virtual QList<WindowInfo> listedWindows() const { return stackingList(); }
    // The X server's time of the last change of the active window; none where it cannot say.
    virtual std::optional<quint32> lastChangeTime() const { return std::nullopt; }

signals:
    void activeWindowChanged();
    // The window manager no longer lists a window (it was closed, or withdrawn), as of an X server time when
    // the source can say.
    void windowUnlisted(quint32 window, std::optional<quint32> time);
};

// Without a window manager to ask, there is no active window and no window at all.
class NullActiveWindowSource final : public ActiveWindowSource
{
    Q_OBJECT

public:
    using ActiveWindowSource::ActiveWindowSource;

    std::optional<WindowInfo> activeWindow() const override { return std::nullopt; }
    QList<WindowInfo> stackingList() const override { return {}; }
};
