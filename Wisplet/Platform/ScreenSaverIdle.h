#pragma once

#include "Wisplet/Platform/IdleSource.h"
#include "Wisplet/Platform/XcbSession.h"

#include <QElapsedTimer>

#include <memory>

// Idle time from the X server's MIT-SCREEN-SAVER extension, which counts every keyboard and pointer
// event of the display, synthetic ones included. A reading taken less than a second ago answers again,
// grown by the time since: the focus tick and the idle monitor's poll then share one round trip to the
// server. The answer can only be late to see new input, by less than that second, never early.
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
    static constexpr qint64 reuseMs = 1000;

    XcbSession m_session;
    bool m_available = false;
    mutable QElapsedTimer m_sinceReading;
    mutable double m_reading = 0;
};
