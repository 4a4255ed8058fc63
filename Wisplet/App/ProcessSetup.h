#pragma once

#include "Wisplet/Base/ProblemReport.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QString>

#include <optional>

// Before the application object exists: Wisplet runs on X11, so the xcb platform is chosen unless the
// environment names one.
void prepareEnvironment();

// Before the application object exists: on the xcb platform, why Wisplet cannot start there (no X
// display), as a message for the user; none when it can.
std::optional<QString> displayProblem();

// Before the application object exists: a session bus whose daemon does not answer (stopped, swamped) is
// set aside for this run, so that Qt's own users of it on the main thread (the accessibility bridge at the
// first window, the tray icon) find no bus at once instead of waiting for it without a limit. The user's
// address when it was set aside.
std::optional<QByteArray> setAsideSilentSessionBus();

// Once the application object exists, after setAsideSilentSessionBus(): Qt's session connection is made now,
// and fails, for the rest of the run; the programs we start and the keyring get the user's address back.
// The user hears that the program runs without the bus.
void restoreSessionBusAddress(const QByteArray& address);

// Once the application object exists: Qt's session connection, and the accessibility bridge, which asks the
// bus about screen readers as it is built. A daemon that stops answering holds neither for long; the
// program then runs without the bus, and the user hears so.
QDBusConnection connectSessionBus();

// Once the application object exists: names, the desktop entry, Qt's image limit, and staying alive
// when the last window closes (the panel and the tray menu are not main windows).
void configureApplication();
