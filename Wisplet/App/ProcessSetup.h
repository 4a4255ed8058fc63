#pragma once

#include "Wisplet/Base/ProblemReport.h"

#include <QString>

#include <optional>

// Before the application object exists: Wisplet runs on X11, so the xcb platform is chosen unless the
// environment names one.
void prepareEnvironment();

// Before the application object exists: on the xcb platform, why Wisplet cannot start there (no X
// display), as a message for the user; none when it can.
std::optional<QString> displayProblem();

// Once the application object exists: names, the desktop entry, Qt's image limit, and staying alive
// when the last window closes (the panel and the tray menu are not main windows).
void configureApplication();
