#include "Wisplet/Platform/ScreenSaverIdle.h"

#include <xcb/screensaver.h>

#include <cstdlib>

ScreenSaverIdle::ScreenSaverIdle(const XcbSession& session)
    : m_session(session)
{
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(m_session.connection, &xcb_screensaver_id);
    m_available = extension && extension->present;
}

std::unique_ptr<IdleSource> ScreenSaverIdle::forSession()
{
    if (const std::optional<XcbSession> session = XcbSession::current()) {
        auto idle = std::make_unique<ScreenSaverIdle>(*session);
        if (idle->isAvailable())
            return idle;
    }
    return std::make_unique<NullIdleSource>();
}

double ScreenSaverIdle::secondsSinceLastInput() const
{
    if (!m_available)
        return 0;
    if (m_sinceReading.isValid() && m_sinceReading.elapsed() < reuseMs)
        return m_reading + m_sinceReading.elapsed() / 1000.0;
    xcb_screensaver_query_info_reply_t* reply = xcb_screensaver_query_info_reply(
        m_session.connection, xcb_screensaver_query_info(m_session.connection, m_session.root), nullptr);
    if (!reply)
        return 0;
    m_reading = reply->ms_since_user_input / 1000.0;
    m_sinceReading.start();
    std::free(reply);
    return m_reading;
}
