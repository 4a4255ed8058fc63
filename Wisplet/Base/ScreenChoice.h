#pragma once

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Platform/Screens.h"

#include <optional>

// The screen Wisp lives on for a display mode: none only when there is no screen at all. The notch mode
// takes the first screen with a camera housing, else the first built-in display, else the main screen.
std::optional<ScreenInfo> screenFor(DisplayMode mode, const ScreenProvider& screens);
