#pragma once

#include "Wisplet/Platform/WindowService.h"
#include "Wisplet/Platform/XcbSession.h"

#include <QAbstractNativeEventFilter>

#include <array>
#include <memory>

class QRegion;

// The window service over Qt's own X connection: EWMH states and messages, and the Shape extension. The
// compositor is followed through the selection-owner notices Qt already asks the X server for.
class X11WindowService final : public WindowService, public QAbstractNativeEventFilter
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(X11WindowService)

public:
    // The session's connection must outlive the service.
    explicit X11WindowService(const XcbSession& session, QObject* parent = nullptr);
    ~X11WindowService() override;

    // The X11 service when the application runs on X, XWayland included; the null one otherwise.
    static std::unique_ptr<WindowService> forApplication(QObject* parent = nullptr);

    // A shape in device pixels, as the X server takes it: the pixels whose centres lie inside.
    static QRegion deviceRegion(const QPainterPath& shape, qreal devicePixelRatio);

    void prepareFloating(QWindow& window) override;
    void setShape(QWindow& window, const QPainterPath& shape) override;
    bool isCompositing() const override { return m_compositing; }
    WindowId activeWindow() const override;
    void focusWindow(WindowId window) override;
    void activate(QWindow& window) override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    enum Atom {
        compositorSelection,
        activeWindowAtom,
        desktop,
        state,
        stateAbove,
        stateSticky,
        stateSkipTaskbar,
        stateSkipPager,
        atomCount
    };

    bool isViewable(WindowId window) const;
    void sendToRoot(quint32 type, WindowId window, const std::array<quint32, 5>& data);

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    std::array<xcb_atom_t, atomCount> m_atoms{};
    bool m_hasShape = false;
    // The first event number of XFIXES, or -1 without it.
    int m_xfixesEvent = -1;
    bool m_compositing = false;
};
