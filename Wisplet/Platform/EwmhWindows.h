#pragma once

#include "Wisplet/Platform/ActiveWindowSource.h"
#include "Wisplet/Platform/XcbSession.h"

#include <QAbstractNativeEventFilter>

#include <xcb/xcb_ewmh.h>

#include <memory>
#include <vector>

// The session's windows as an EWMH window manager lists them (_NET_ACTIVE_WINDOW, _NET_CLIENT_LIST and
// _NET_CLIENT_LIST_STACKING), read over Qt's own X connection. Changes of the active window and of the list
// are seen as property changes of the root window, which Qt already selects, in the order of the server's
// other events.
class EwmhWindows final : public ActiveWindowSource, public QAbstractNativeEventFilter
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EwmhWindows)

public:
    // A display's logical frame and its device pixel ratio.
    struct ScaledScreen
    {
        QRectF frame;
        double ratio = 1;
    };

    explicit EwmhWindows(const XcbSession& session, QObject* parent = nullptr);
    ~EwmhWindows() override;

    // This source on Qt's X connection; the Null source off X11 and in a Wayland session.
    static std::unique_ptr<ActiveWindowSource> forSession(QObject* parent = nullptr);

    // X reports device pixels. Qt keeps each screen's top left where X has it and scales the rest by the
    // screen's ratio; a rectangle is mapped by the screen that holds its centre (else the first one).
    static QRectF logicalFrame(const QRectF& device, const QList<ScaledScreen>& screens);

    std::optional<WindowInfo> activeWindow() const override;
    QList<WindowInfo> stackingList() const override;
    QList<WindowInfo> listedWindows() const override { return m_listed; }
    std::optional<quint32> lastChangeTime() const override { return m_lastChangeTime; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    // The requests for one window.
    struct WindowRequests
    {
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t origin;
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_property_cookie_t pid;
        xcb_get_property_cookie_t extents;
        xcb_get_property_cookie_t type;
        xcb_get_property_cookie_t state;
        xcb_get_property_cookie_t gtkApplicationId;
        xcb_get_property_cookie_t kdeDesktopFile;
        xcb_get_property_cookie_t wmClass;
    };
    using AtomsReply = uint8_t (*)(xcb_ewmh_connection_t*, xcb_get_property_cookie_t, xcb_ewmh_get_atoms_reply_t*,
                                   xcb_generic_error_t**);

    QList<WindowInfo> describe(const std::vector<xcb_window_t>& windows) const;
    std::optional<WindowInfo> collect(xcb_window_t window, const WindowRequests& pending,
                                      const QList<ScaledScreen>& screens) const;
    // Whether the atom list the reply reads holds any of `wanted`.
    bool hasAtom(AtomsReply reply, xcb_get_property_cookie_t cookie, std::initializer_list<xcb_atom_t> wanted) const;
    xcb_window_t activeWindowId() const;
    // Reads _NET_CLIENT_LIST again: new windows are described, and those gone announced.
    void readListed(std::optional<quint32> time);

    XcbSession m_session;
    // The ewmh calls only read it, but take it non-const.
    mutable xcb_ewmh_connection_t m_ewmh{};
    bool m_hasAtoms = false;
    xcb_atom_t m_gtkApplicationId = XCB_NONE;
    xcb_atom_t m_kdeDesktopFile = XCB_NONE;
    std::optional<quint32> m_lastChangeTime;
    QList<WindowInfo> m_listed;
};
