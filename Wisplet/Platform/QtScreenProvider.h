#pragma once

#include "Wisplet/Platform/Screens.h"

#include <QElapsedTimer>

#include <chrono>
#include <functional>
#include <memory>

class PointerMotion;

// The displays Qt knows, the primary one first, and the pointer from QCursor. Linux reports no camera
// housing, so every screen has a top inset of 0 and no auxiliary areas; a laptop's own panel is told by its
// connector's name. Needs a QGuiApplication.
//
// Reading the pointer is a round trip to the X server. On X11 the last position is reused until raw
// motion arrives, and at least every `maxAge` for warps, which send none; elsewhere every call asks.
// Only X11 with XInput 2 tells watchers that the pointer moved.
class QtScreenProvider final : public ScreenProvider
{
public:
    using PointerQuery = std::function<QPointF()>;

    // `query` reads the pointer from the server, QCursor::pos() when empty.
    explicit QtScreenProvider(PointerQuery query = {}, std::chrono::milliseconds maxAge = std::chrono::seconds(2));
    ~QtScreenProvider() override;
    Q_DISABLE_COPY_MOVE(QtScreenProvider)

    // Whether an output of this name is a computer's own panel.
    static bool isBuiltInConnector(const QString& name);

    QList<ScreenInfo> screens() const override;
    std::optional<ScreenInfo> mainScreen() const override;
    QPointF pointer() const override;
    bool watchPointer(std::function<void()> moved) override;

private:
    PointerMotion* motion() const;
    bool mayHaveMoved() const;

    PointerQuery m_query;
    std::chrono::milliseconds m_maxAge;
    // Watching starts at the first read, when the application surely exists.
    mutable bool m_watchStarted = false;
    mutable std::unique_ptr<PointerMotion> m_motion;
    mutable std::optional<QPointF> m_pointer;
    mutable QElapsedTimer m_sinceQuery;
};
