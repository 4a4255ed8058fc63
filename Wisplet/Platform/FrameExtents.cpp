#include "Wisplet/Platform/FrameExtents.h"

#include "Wisplet/Platform/XcbSession.h"

#include <QDeadlineTimer>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// A window manager that answers at all answers within a few milliseconds.
constexpr int answerWaitMs = 100;
constexpr int pollMs = 2;

template <typename Reply>
std::unique_ptr<Reply, decltype(&std::free)> own(Reply* reply)
{
    return {reply, &std::free};
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const auto reply = own(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, false, quint16(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// Left, right, top, bottom, in device pixels.
std::optional<QMargins> readExtents(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t extents)
{
    const auto reply = own(xcb_get_property_reply(
        connection, xcb_get_property(connection, false, window, extents, XCB_ATOM_CARDINAL, 0, 4), nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) != 16)
        return std::nullopt;
    const auto* value = static_cast<const quint32*>(xcb_get_property_value(reply.get()));
    return QMargins(int(value[0]), int(value[2]), int(value[1]), int(value[3]));
}

bool windowManagerSupports(const XcbSession& session, xcb_atom_t wanted)
{
    const xcb_atom_t supported = atom(session.connection, "_NET_SUPPORTED");
    const auto reply = own(xcb_get_property_reply(
        session.connection,
        xcb_get_property(session.connection, false, session.root, supported, XCB_ATOM_ATOM, 0, 4096), nullptr));
    if (!reply || reply->format != 32)
        return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / int(sizeof(xcb_atom_t));
    return std::find(atoms, atoms + count, wanted) != atoms + count;
}

void askWindowManager(const XcbSession& session, xcb_window_t window, xcb_atom_t request)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = request;
    xcb_send_event(session.connection, false, session.root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(session.connection);
}

} // namespace

std::optional<QMargins> frameExtents(QWindow& window)
{
    const std::optional<XcbSession> session = XcbSession::current();
    if (!session)
        return std::nullopt;
    xcb_connection_t* connection = session->connection;
    const auto id = xcb_window_t(window.winId());
    const xcb_atom_t extents = atom(connection, "_NET_FRAME_EXTENTS");
    std::optional<QMargins> device = readExtents(connection, id, extents);
    if (!device) {
        const xcb_atom_t request = atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
        if (!windowManagerSupports(*session, request))
            return std::nullopt;
        askWindowManager(*session, id, request);
        // The answer is a property the window manager sets in its own time.
        const QDeadlineTimer deadline(answerWaitMs);
        while (!(device = readExtents(connection, id, extents)) && !deadline.hasExpired())
            QThread::msleep(pollMs);
        if (!device)
            return std::nullopt;
    }
    const qreal ratio = window.devicePixelRatio();
    return QMargins(qRound(device->left() / ratio), qRound(device->top() / ratio), qRound(device->right() / ratio),
                    qRound(device->bottom() / ratio));
}
