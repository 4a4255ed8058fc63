#include "Wisplet/Base/ScreenChoice.h"

#include <algorithm>

std::optional<ScreenInfo> screenFor(DisplayMode mode, const ScreenProvider& provider)
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
    case DisplayMode::notch: {
        // Without a camera housing anywhere (always, on Linux), the built-in display is the laptop's own.
        const auto housing = std::find_if(screens.cbegin(), screens.cend(),
                                          [](const ScreenInfo& screen) { return screen.topInset > 0; });
        if (housing != screens.cend())
            return *housing;
        return firstWhere([](const ScreenInfo& screen) { return screen.builtIn; });
    }
    case DisplayMode::main:
        return screens.isEmpty() ? fallback : std::optional(screens.first());
    case DisplayMode::cursor: {
        const QPointF pointer = provider.pointer();
        return firstWhere([&](const ScreenInfo& screen) { return screen.contains(pointer); });
    }
    }
    return fallback;
}
