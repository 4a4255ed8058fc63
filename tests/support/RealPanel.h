#pragma once

#include "Wisplet/Base/Animation.h"
#include "Wisplet/Companion/CompanionSpriteView.h"
#include "Wisplet/Notch/NotchPanel.h"
#include "Wisplet/Notch/NotchRootView.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Platform/QtScreenProvider.h"
#include "Wisplet/Platform/X11WindowService.h"
#include "tests/support/FakePeekSources.h"
#include "tests/support/RegistryFixture.h"

#include <memory>

// The island in the real floating panel on the harness's X server, over a loaded registry fixture and
// tools that peek nothing, with pages that show their tool's title unless others are given. Not shown yet.
struct RealPanel
{
    explicit RealPanel(RegistryFixture& fixture, ToolPageMaker pages = toolTitlePage)
    {
        const NotchGeometry geometry = NotchGeometry::current(DisplayMode::notch, screens).value_or(NotchGeometry{});
        root = new NotchRootView(geometry,
                                 {fixture.settings,
                                  fixture.events,
                                  *fixture.wisp,
                                  *fixture.registry,
                                  focus,
                                  calendar,
                                  media,
                                  files,
                                  fixture.clock,
                                  fixture.scheduler,
                                  fixture.motion,
                                  AnimationClock::shared(),
                                  [](QWidget* face) { return new CompanionSpriteView(face); },
                                  std::move(pages),
                                  {}});
        panel = std::make_unique<NotchPanel>(
            root, NotchPanel::Services{fixture.settings, *fixture.wisp, *fixture.registry, screens, *windows});
    }

    QtScreenProvider screens;
    FakeFocusPeek focus;
    FakeCalendarPeek calendar;
    FakeMediaPeek media;
    RefusingDropTarget files;
    std::unique_ptr<WindowService> windows = X11WindowService::forApplication();
    NotchRootView* root = nullptr; // owned by the panel
    std::unique_ptr<NotchPanel> panel;
};
