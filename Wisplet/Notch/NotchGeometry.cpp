#include "Wisplet/Notch/NotchGeometry.h"

#include "Wisplet/Base/ScreenChoice.h"

std::optional<NotchGeometry> NotchGeometry::current(DisplayMode mode, const ScreenProvider& provider)
{
    const std::optional<ScreenInfo> chosen = screenFor(mode, provider);
    if (!chosen)
        return std::nullopt;
    return of(*chosen);
}

NotchGeometry NotchGeometry::of(const ScreenInfo& screen)
{
    if (screen.topInset > 0 && screen.auxiliaryTopLeft && screen.auxiliaryTopRight) {
        // The housing is what the two unobscured parts leave of the edge; its height is the inset.
        const double width =
            screen.frame.width() - screen.auxiliaryTopLeft->width() - screen.auxiliaryTopRight->width();
        return {screen, true, QSizeF(width, screen.topInset)};
    }
    return {screen, false, fallbackNotchSize};
}
