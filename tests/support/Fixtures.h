#pragma once

#include "Wisplet/Base/AppEvents.h"
#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/LoginItem.h"
#include "Wisplet/Platform/MotionSetting.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeScheduler.h"
#include "tests/support/FakeScreens.h"
#include "tests/support/ScriptedRandom.h"

// The desktop's reduce-motion choice, set by hand.
class FakeMotionSetting final : public MotionSetting
{
public:
    bool reduceMotion() const override { return reduce; }
    bool reduce = false;
};

// A defaults file holding these values, as an earlier run left it.
inline void seedDefaults(const QString& path, const QVariantMap& values)
{
    Defaults earlier(path);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        earlier.set(it.key(), it.value());
}

// Fresh settings over a fake clock and scheduler; the defaults live in memory unless given a file.
struct SettingsFixture
{
    explicit SettingsFixture(const QString& defaultsPath = QString())
        : defaults(defaultsPath)
    { }
    Q_DISABLE_COPY_MOVE(SettingsFixture)

    FakeClock clock;
    FakeScheduler scheduler{clock};
    AppEvents events;
    Defaults defaults;
    NullLoginItem loginItem;
    AppSettings settings{defaults, clock, scheduler, loginItem, events};
};

// The settings and the companion, with one 1920×1080 screen and the pointer at its top centre.
struct CompanionFixture : SettingsFixture
{
    explicit CompanionFixture(const QString& defaultsPath = QString())
        : SettingsFixture(defaultsPath)
    {
        screens.setScreens({FakeScreens::plain(QRectF(0, 0, 1920, 1080))});
        screens.setPointer(QPointF(960, 0));
        wisp = std::make_unique<WispState>(
            WispState::Services{settings, events, clock, scheduler, random, screens, motion});
    }

    ScriptedRandom random;
    FakeScreens screens;
    FakeMotionSetting motion;
    std::unique_ptr<WispState> wisp;
};
