#include "Wisplet/Platform/Platform.h"

#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/LoginItem.h"
#include "Wisplet/Platform/Scheduler.h"
#include "Wisplet/Platform/SecretStore.h"

namespace Platform {
namespace {

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
}

Clock& clock()
{
    return serviceOr<Clock, SystemClock>(installed().clock);
}

Scheduler& scheduler()
{
    return serviceOr<Scheduler, QtScheduler>(installed().scheduler);
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

} // namespace Platform
