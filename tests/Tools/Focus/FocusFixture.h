#pragma once

#include "Wisplet/Base/Notifier.h"
#include "Wisplet/Platform/IdleSource.h"
#include "Wisplet/Tools/Focus/FocusEngine.h"
#include "tests/support/RecordingNotifications.h"
#include "tests/support/RegistryFixture.h"

// Idle time set by hand.
class FakeIdleSource final : public IdleSource
{
public:
    double secondsSinceLastInput() const override { return seconds; }
    double seconds = 0;
};

// A focus engine over fresh stores, an installed build with notifications on, and the user at the keyboard.
struct FocusFixture : RegistryFixture
{
    explicit FocusFixture(const QString& defaultsPath = QString())
        : RegistryFixture(defaultsPath)
    {
        settings.setNotificationsEnabled(true);
        load();
    }

    // A launch: the engine reads the defaults as they stand now.
    FocusEngine& launch(bool installedBuild = true)
    {
        engine.reset();
        notifier = std::make_unique<Notifier>(server, settings, *registry, events, installedBuild);
        engine = std::make_unique<FocusEngine>(defaults, clock, idle, *notifier, settings, *wisp);
        return *engine;
    }

    // Time passes and reactions play and end on the way; the engine ticks once at the end.
    void pass(double seconds)
    {
        scheduler.advance(qint64(seconds * 1000));
        engine->tick();
    }

    FakeIdleSource idle;
    RecordingNotifications server;
    std::unique_ptr<Notifier> notifier;
    std::unique_ptr<FocusEngine> engine;
};
