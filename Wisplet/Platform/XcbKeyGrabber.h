#pragma once

#include "Wisplet/Platform/GlobalKeyGrabber.h"

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QList>
#include <QSet>

#include <memory>
#include <utility>

struct xcb_connection_t;

// Passive key grabs on the root window of an X connection, one for each key that types the symbol and
// each state of NumLock and CapsLock. Presses are read from the connection's events by a native event
// filter on the application; the root window's event mask is left as it is.
class XcbKeyGrabber final : public GlobalKeyGrabber, private QAbstractNativeEventFilter
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(XcbKeyGrabber)

public:
    // The connection is Qt's own, or one whose events the application's event filters see.
    XcbKeyGrabber(xcb_connection_t* connection, quint32 root, QObject* parent = nullptr);
    // Releases every grab.
    ~XcbKeyGrabber() override;

    // Over Qt's own X connection and the root window of its screen; the Null grabber when the application
    // does not run on X11 or the session is a Wayland one.
    static std::unique_ptr<GlobalKeyGrabber> forApplication();

    bool isSupported() const override { return true; }
    int grab(quint32 id, quint32 keysym) override;
    void release(quint32 id) override;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    QList<quint16> modifierVariants() const;
    // Ungrabs the keys that no other id still holds.
    void ungrab(const QList<quint8>& keycodes);

    xcb_connection_t* m_connection;
    quint32 m_root;
    // Read from the keyboard's modifier map at each grab; the usual ones until then.
    quint16 m_altMask;
    quint16 m_numLockMask;
    QHash<quint32, QList<quint8>> m_grabs;
    // Keys pressed and not yet released, and the last release, so that auto-repeat does not fire again.
    QSet<quint8> m_down;
    std::pair<quint8, quint32> m_lastRelease{0, 0};
};
