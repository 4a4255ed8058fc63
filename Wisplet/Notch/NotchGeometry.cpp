#include "Wisplet/Notch/NotchGeometry.h"

#include <algorithm>

std::optional<ScreenInfo> NotchGeometry::screenFor(DisplayMode mode, const ScreenProvider& provider)
{
    const QList<ScreenInfo> screens = provider.screens();
    std::optional<ScreenInfo> fallback = provider.mainScreen();
    if (!fallback && !screens.isEmpty())
        fallback = screens.first();

    const auto firstWhere = [&](auto&& predicate) -> std::optional<ScreenInfo> {
        const auto found = std::find_if(screens.cbegin(), screens.cend(), predicate);
        return found != screens.cend() ? std::optional(*found) : fallback;
    };
    switch (mode) {
    case DisplayMode::notch:
        return firstWhere([](const ScreenInfo& screen) { return screen.topInset > 0; });
    case DisplayMode::main:
        return screens.isEmpty() ? fallback : std::optional(screens.first());
    case DisplayMode::cursor: {
        const QPointF pointer = provider.pointer();
        return firstWhere([&](const ScreenInfo& screen) { return screen.contains(pointer); });
    }
    }
    return fallback;
}

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
