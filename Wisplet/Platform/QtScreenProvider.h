#pragma once

#include "Wisplet/Platform/Screens.h"

// The displays Qt knows, the primary one first, and the pointer from QCursor. Linux reports no camera
// housing, so every screen has a top inset of 0 and no auxiliary areas. Needs a QGuiApplication.
class QtScreenProvider final : public ScreenProvider
{
public:
    QList<ScreenInfo> screens() const override;
    std::optional<ScreenInfo> mainScreen() const override;
    QPointF pointer() const override;
};
