#include "Wisplet/Platform/PointerMotion.h"

#include <QCoreApplication>

#include <xcb/xinput.h>

#include <cstdlib>
#include <utility>

PointerMotion::PointerMotion(const XcbSession& session)
{
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(session.connection, &xcb_input_id);
    if (!extension || !extension->present)
        return;
    m_opcode = extension->major_opcode;

    struct
    {
        xcb_input_event_mask_t header;
        uint32_t bits;
    } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, XCB_INPUT_XI_EVENT_MASK_RAW_MOTION};
    // The selection is left in place when this watcher goes: another one may share it, and raw motion
    // nobody reads costs little.
    xcb_generic_error_t* error = xcb_request_check(
        session.connection, xcb_input_xi_select_events_checked(session.connection, session.root, 1, &mask.header));
    m_watching = !error;
    std::free(error);
    if (QCoreApplication* app = QCoreApplication::instance(); app && m_watching)
        app->installNativeEventFilter(this);
}

std::unique_ptr<PointerMotion> PointerMotion::forSession()
{
    if (!QCoreApplication::instance())
        return nullptr;
    if (const std::optional<XcbSession> session = XcbSession::current()) {
        auto motion = std::make_unique<PointerMotion>(*session);
        if (motion->isWatching())
            return motion;
    }
    return nullptr;
}

bool PointerMotion::takeMoved()
{
    return std::exchange(m_moved, false);
}

bool PointerMotion::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_GE_GENERIC)
        return false;
    const auto* generic = static_cast<const xcb_ge_generic_event_t*>(message);
    if (generic->extension == m_opcode && generic->event_type == XCB_INPUT_RAW_MOTION) {
        m_moved = true;
        if (m_onMotion)
            m_onMotion();
    }
    // Qt and other filters see the event as well.
    return false;
}
