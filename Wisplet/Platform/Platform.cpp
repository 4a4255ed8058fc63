#include "Wisplet/Platform/Platform.h"

#include "Wisplet/Platform/ActiveWindowSource.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/GlobalKeyGrabber.h"
#include "Wisplet/Platform/IdleSource.h"
#include "Wisplet/Platform/LoginItem.h"
#include "Wisplet/Platform/MediaPlayers.h"
#include "Wisplet/Platform/MotionSetting.h"
#include "Wisplet/Platform/NotificationServer.h"
#include "Wisplet/Platform/PasteKeystroke.h"
#include "Wisplet/Platform/Pasteboard.h"
#include "Wisplet/Platform/RandomSource.h"
#include "Wisplet/Platform/Scheduler.h"
#include "Wisplet/Platform/Screens.h"
#include "Wisplet/Platform/SecretStore.h"
#include "Wisplet/Platform/SleepWatcher.h"

namespace Platform {
namespace {

class NoScreens final : public ScreenProvider
{
public:
    QList<ScreenInfo> screens() const override { return {}; }
    std::optional<ScreenInfo> mainScreen() const override { return std::nullopt; }
    QPointF pointer() const override { return {}; }
};

Services& installed()
{
    static Services services;
    return services;
}

template <typename Service, typename Fallback>
Service& serviceOr(Service* chosen)
{
    if (chosen)
        return *chosen;
    static Fallback fallback;
    return fallback;
}

} // namespace

void install(const Services& services)
{
    Services& current = installed();
    const auto take = [](auto*& slot, auto* chosen) {
        if (chosen)
            slot = chosen;
    };
    take(current.clock, services.clock);
    take(current.scheduler, services.scheduler);
    take(current.defaults, services.defaults);
    take(current.secrets, services.secrets);
    take(current.loginItem, services.loginItem);
    take(current.random, services.random);
    take(current.screens, services.screens);
    take(current.motion, services.motion);
    take(current.keyGrabber, services.keyGrabber);
    take(current.notifications, services.notifications);
    take(current.windows, services.windows);
    take(current.idle, services.idle);
    take(current.sleepWatcher, services.sleepWatcher);
    take(current.pasteboard, services.pasteboard);
    take(current.pasteKeystroke, services.pasteKeystroke);
    take(current.mediaPlayers, services.mediaPlayers);
}

Clock& clock()
{
    return serviceOr<Clock, SystemClock>(installed().clock);
}

Scheduler& scheduler()
{
    if (installed().scheduler)
        return *installed().scheduler;
    // Never destroyed: a QObject must not outlive the application's event dispatcher in a static's destructor.
    static auto* fallback = new QtScheduler;
    return *fallback;
}

Defaults& defaults()
{
    if (installed().defaults)
        return *installed().defaults;
    static Defaults inMemory{QString()};
    return inMemory;
}

SecretStore& secrets()
{
    return serviceOr<SecretStore, NullSecretStore>(installed().secrets);
}

LoginItem& loginItem()
{
    return serviceOr<LoginItem, NullLoginItem>(installed().loginItem);
}

RandomSource& random()
{
    return serviceOr<RandomSource, GeneratorRandomSource>(installed().random);
}

ScreenProvider& screens()
{
    return serviceOr<ScreenProvider, NoScreens>(installed().screens);
}

MotionSetting& motion()
{
    return serviceOr<MotionSetting, NullMotionSetting>(installed().motion);
}

NotificationServer& notifications()
{
    return serviceOr<NotificationServer, NullNotificationServer>(installed().notifications);
}

GlobalKeyGrabber& keyGrabber()
{
    return serviceOr<GlobalKeyGrabber, NullKeyGrabber>(installed().keyGrabber);
}

ActiveWindowSource& windows()
{
    return serviceOr<ActiveWindowSource, NullActiveWindowSource>(installed().windows);
}

IdleSource& idle()
{
    return serviceOr<IdleSource, NullIdleSource>(installed().idle);
}

SleepWatcher& sleepWatcher()
{
    return serviceOr<SleepWatcher, NullSleepWatcher>(installed().sleepWatcher);
}

Pasteboard& pasteboard()
{
    return serviceOr<Pasteboard, NullPasteboard>(installed().pasteboard);
}

PasteKeystroke& pasteKeystroke()
{
    return serviceOr<PasteKeystroke, NullPasteKeystroke>(installed().pasteKeystroke);
}

MediaPlayers& mediaPlayers()
{
    return serviceOr<MediaPlayers, NullMediaPlayers>(installed().mediaPlayers);
}

} // namespace Platform
