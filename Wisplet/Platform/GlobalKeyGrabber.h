#pragma once

#include <QObject>

// System-wide key combinations held with Ctrl+Alt, answered whichever window has the keyboard. The
// combination counts whatever NumLock and CapsLock say.
class GlobalKeyGrabber : public QObject
{
    Q_OBJECT

public:
    // Failures of grab() that are not X error codes.
    static constexpr int unsupported = -1;
    static constexpr int noSuchKey = -2;

    using QObject::QObject;

    // False without X11 and in a Wayland session, where only X clients would see the keys.
    virtual bool isSupported() const = 0;
    // Grabs Ctrl+Alt with the key that types the X keysym, under the caller's id; an earlier grab under
    // the same id is released first. 0 on success, else the X error code (10, BadAccess, when another
    // client holds the combination), noSuchKey when no key types the symbol, or unsupported.
    virtual int grab(quint32 id, quint32 keysym) = 0;
    // Does nothing for an id that holds no grab.
    virtual void release(quint32 id) = 0;

signals:
    // Once per press; holding the keys down does not repeat it.
    void pressed(quint32 id);
};

class NullKeyGrabber final : public GlobalKeyGrabber
{
    Q_OBJECT

public:
    using GlobalKeyGrabber::GlobalKeyGrabber;

    bool isSupported() const override { return false; }
    int grab(quint32, quint32) override { return unsupported; }
    void release(quint32) override { }
};
