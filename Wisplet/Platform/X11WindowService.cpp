#include "Wisplet/Platform/X11WindowService.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainterPath>
#include <QRegion>
#include <QWindow>

#include <xcb/shape.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
ReplyPtr<Reply> own(Reply* reply)
{
    return ReplyPtr<Reply>(reply, &std::free);
}

// XFixes SelectionNotify as the protocol lays it out; read here so that no xfixes library is needed.
struct SelectionNotify
{
    quint8 responseType;
    quint8 subtype;
    quint16 sequence;
    quint32 window;
    quint32 owner;
    quint32 selection;
};
constexpr int xfixesSelectionNotify = 0;

constexpr quint32 allDesktops = 0xFFFFFFFF;
constexpr quint32 sourcePager = 2;
constexpr quint32 stateAdd = 1;

} // namespace

X11WindowService::X11WindowService(const XcbSession& session, QObject* parent)
    : WindowService(parent)
    , m_connection(session.connection)
    , m_root(session.root)
{
    xcb_connection_t* connection = session.connection;
    const std::array<QByteArray, atomCount> names{
        "_NET_WM_CM_S" + QByteArray::number(session.screenNumber),
        "_NET_ACTIVE_WINDOW",
        "_NET_WM_DESKTOP",
        "_NET_WM_STATE",
        "_NET_WM_STATE_ABOVE",
        "_NET_WM_STATE_STICKY",
        "_NET_WM_STATE_SKIP_TASKBAR",
        "_NET_WM_STATE_SKIP_PAGER",
    };
    std::array<xcb_intern_atom_cookie_t, atomCount> cookies{};
    for (size_t i = 0; i < names.size(); ++i)
        cookies[i] = xcb_intern_atom(connection, false, quint16(names[i].size()), names[i].constData());
    const QByteArray xfixes("XFIXES");
    const xcb_query_extension_cookie_t xfixesCookie =
        xcb_query_extension(connection, quint16(xfixes.size()), xfixes.constData());
    for (size_t i = 0; i < cookies.size(); ++i) {
        if (const auto reply = own(xcb_intern_atom_reply(connection, cookies[i], nullptr)))
            m_atoms[i] = reply->atom;
    }
    if (const auto reply = own(xcb_query_extension_reply(connection, xfixesCookie, nullptr)); reply && reply->present)
        m_xfixesEvent = reply->first_event;

    const xcb_query_extension_reply_t* shape = xcb_get_extension_data(connection, &xcb_shape_id);
    m_hasShape = shape && shape->present;

    const auto owner = own(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, m_atoms[compositorSelection]), nullptr));
    m_compositing = owner && owner->owner != XCB_NONE;

    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11WindowService::~X11WindowService()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeNativeEventFilter(this);
}

std::unique_ptr<WindowService> X11WindowService::forApplication(QObject* parent)
{
    if (const std::optional<XcbSession> session = XcbSession::current())
        return std::make_unique<X11WindowService>(*session, parent);
    // A Wayland session keeps XcbSession off, since other clients cannot be watched there; our own window
    // is still an X window under XWayland, whose one screen is screen 0.
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!XcbSession::isWaylandSession() || !connection || xcb_connection_has_error(connection))
        return std::make_unique<NullWindowService>(parent);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    return std::make_unique<X11WindowService>(XcbSession{connection, root, 0}, parent);
}

QRegion X11WindowService::deviceRegion(const QPainterPath& shape, qreal devicePixelRatio)
{
    QRegion region;
    const QTransform scale = QTransform::fromScale(devicePixelRatio, devicePixelRatio);
    for (const QPolygonF& polygon : shape.toFillPolygons(scale))
        region += QRegion(polygon.toPolygon(), shape.fillRule());
    return region;
}

void X11WindowService::prepareFloating(QWindow& window)
{
    const xcb_window_t id = window.winId();
    // A shown window's states change only by asking the window manager; it ignores the property.
    if (isViewable(id)) {
        sendToRoot(m_atoms[state], id, {stateAdd, m_atoms[stateAbove], m_atoms[stateSticky], sourcePager, 0});
        sendToRoot(m_atoms[state], id, {stateAdd, m_atoms[stateSkipTaskbar], m_atoms[stateSkipPager], sourcePager, 0});
        sendToRoot(m_atoms[desktop], id, {allDesktops, sourcePager, 0, 0, 0});
        xcb_flush(m_connection);
        return;
    }
    const std::array<xcb_atom_t, 3> wanted{m_atoms[stateSticky], m_atoms[stateSkipTaskbar], m_atoms[stateSkipPager]};
    // Qt merges its own states into what the property holds when it maps the window.
    const auto reply = own(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, false, id, m_atoms[state], XCB_ATOM_ATOM, 0, 64), nullptr));
    std::vector<xcb_atom_t> states;
    if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        states.assign(values, values + xcb_get_property_value_length(reply.get()) / sizeof(xcb_atom_t));
    }
    for (const xcb_atom_t atom : wanted) {
        if (std::find(states.cbegin(), states.cend(), atom) == states.cend())
            states.push_back(atom);
    }
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, id, m_atoms[state], XCB_ATOM_ATOM, 32,
                        quint32(states.size()), states.data());
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, id, m_atoms[desktop], XCB_ATOM_CARDINAL, 32, 1,
                        &allDesktops);
    xcb_flush(m_connection);
}

void X11WindowService::setShape(QWindow& window, const QPainterPath& shape)
{
    if (!m_hasShape)
        return;
    const xcb_window_t id = window.winId();
    std::vector<xcb_rectangle_t> rectangles;
    for (const QRect& rect : deviceRegion(shape, window.devicePixelRatio())) {
        rectangles.push_back({qint16(rect.x()), qint16(rect.y()), quint16(rect.width()), quint16(rect.height())});
    }
    const auto set = [&](xcb_shape_kind_t kind) {
        xcb_shape_rectangles(m_connection, XCB_SHAPE_SO_SET, kind, XCB_CLIP_ORDERING_UNSORTED, id, 0, 0,
                             quint32(rectangles.size()), rectangles.data());
    };
    set(XCB_SHAPE_SK_INPUT);
    // A compositor blends the transparent rest; a bounding shape would only cut the island's soft edge.
    if (m_compositing)
        xcb_shape_mask(m_connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, id, 0, 0, XCB_NONE);
    else
        set(XCB_SHAPE_SK_BOUNDING);
    xcb_flush(m_connection);
}

WindowService::WindowId X11WindowService::activeWindow() const
{
    const auto reply = own(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, false, m_root, m_atoms[activeWindowAtom], XCB_ATOM_WINDOW, 0, 1),
        nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < int(sizeof(xcb_window_t)))
        return 0;
    return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
}

void X11WindowService::focusWindow(WindowId window)
{
    if (window != 0 && isViewable(window))
        sendToRoot(m_atoms[activeWindowAtom], window, {sourcePager, XCB_CURRENT_TIME, 0, 0, 0});
    else
        xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, XCB_INPUT_FOCUS_POINTER_ROOT, XCB_CURRENT_TIME);
    xcb_flush(m_connection);
}

void X11WindowService::activate(QWindow& window)
{
    sendToRoot(m_atoms[activeWindowAtom], window.winId(), {sourcePager, XCB_CURRENT_TIME, 0, 0, 0});
    xcb_flush(m_connection);
}

bool X11WindowService::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (m_xfixesEvent < 0 || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != m_xfixesEvent + xfixesSelectionNotify)
        return false;
    const auto* notify = static_cast<const SelectionNotify*>(message);
    if (notify->selection != m_atoms[compositorSelection])
        return false;
    const bool compositing = notify->owner != XCB_NONE;
    if (compositing != m_compositing) {
        m_compositing = compositing;
        emit compositingChanged(compositing);
    }
    return false;
}

bool X11WindowService::isViewable(WindowId window) const
{
    // A window closed meanwhile answers with an error, taken here rather than left for Qt to report.
    xcb_generic_error_t* error = nullptr;
    const auto reply = own(xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes(m_connection, xcb_window_t(window)), &error));
    std::free(error);
    return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
}

void X11WindowService::sendToRoot(quint32 type, WindowId window, const std::array<quint32, 5>& data)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(window);
    event.type = type;
    std::copy(data.cbegin(), data.cend(), event.data.data32);
    xcb_send_event(m_connection, false, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
}
