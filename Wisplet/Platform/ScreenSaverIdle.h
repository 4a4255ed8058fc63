#pragma once

#include "Wisplet/Platform/IdleSource.h"
#include "Wisplet/Platform/XcbSession.h"

#include <memory>

// Idle time from the X server's MIT-SCREEN-SAVER extension, which counts every keyboard and pointer
// event of the display, synthetic ones included.
class ScreenSaverIdle final : public IdleSource
{
public:
    explicit ScreenSaverIdle(const XcbSession& session);

    // This source on Qt's X connection; the Null source off X11, in a Wayland session and where the
    // server lacks the extension.
    static std::unique_ptr<IdleSource> forSession();

    bool isAvailable() const { return m_available; }
    double secondsSinceLastInput() const override;

private:
    XcbSession m_session;
    bool m_available = false;
};
