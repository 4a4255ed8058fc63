#pragma once

#include "Wisplet/Platform/XcbSession.h"

#include <QAbstractNativeEventFilter>

#include <functional>
#include <memory>

// Whether the pointer may have moved, told by XInput 2 raw motion on the root window of Qt's own X
// connection. Raw events are selected for the master devices only, which leaves the root masks Qt
// selects for all devices as they are. Warps send no raw motion.
class PointerMotion final : public QAbstractNativeEventFilter
{
public:
    explicit PointerMotion(const XcbSession& session);
    Q_DISABLE_COPY_MOVE(PointerMotion)

    // A watcher on Qt's X connection; none off X11, in a Wayland session, or when the server refuses
    // the selection.
    static std::unique_ptr<PointerMotion> forSession();

    bool isWatching() const { return m_watching; }
    // Whether raw motion arrived since the last call.
    bool takeMoved();
    // Called at each raw motion event, on the GUI thread where Qt dispatches it.
    void setOnMotion(std::function<void()> onMotion) { m_onMotion = std::move(onMotion); }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    uint8_t m_opcode = 0;
    bool m_watching = false;
    bool m_moved = false;
    std::function<void()> m_onMotion;
};
