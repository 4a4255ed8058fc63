#pragma once

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Platform/Screens.h"

#include <QSizeF>

#include <optional>

// The screen the panel hangs from, and the camera housing in its top edge (or the size that stands in
// for one). Built anew whenever the screen may have changed; nothing is cached.
struct NotchGeometry
{
    // The size of the island's notch where the screen has no housing (always, on Linux).
    static constexpr QSizeF fallbackNotchSize{196, 32};

    ScreenInfo screen;
    bool hasPhysicalNotch = false;
    QSizeF notchSize = fallbackNotchSize;

    // The geometry for a display mode: none only when there is no screen at all.
    static std::optional<NotchGeometry> current(DisplayMode mode, const ScreenProvider& screens);
    static NotchGeometry of(const ScreenInfo& screen);
};
