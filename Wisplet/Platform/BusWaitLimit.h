#pragma once

#include "Wisplet/Platform/BusProbe.h"

#include <QtGlobal>

#include <chrono>
#include <memory>

// Qt waits on a D-Bus daemon on the main thread where only Qt decides: for the daemon's greeting when it
// first connects to a bus, and for a few calls while it builds the accessibility bridge and the tray icon,
// and while it takes the tray icon down. A daemon that stops answering then holds the program for 25 s,
// deaf to the user and to SIGTERM, and a probe beforehand cannot rule out a daemon that stops right after.
// A limit bounds such a wait: when the scope it guards has not ended in time, this process's connections
// to that bus are shut down, so the waits end at once with an error and the program goes on without the
// bus, as when the bus goes away.
class BusWaitLimit final
{
    Q_DISABLE_COPY_MOVE(BusWaitLimit)

public:
    // A live daemon answers in microseconds; this leaves room for a loaded machine, and for quitting
    // within 2 s once the wait is over.
    static constexpr std::chrono::milliseconds standardLimit{1000};

    explicit BusWaitLimit(BusProbe::Bus bus, std::chrono::milliseconds limit = standardLimit);
    ~BusWaitLimit();

    // The limit was reached and the connections were shut down.
    bool wasReached() const;

    // Connections this process was given by whoever started it serve them too: they are never shut down.
    // Called once at the start, before anything connects and before any limit.
    static void spareSocketsHeldAtStart();

private:
    struct Watch;
    std::unique_ptr<Watch> m_watch;
};
