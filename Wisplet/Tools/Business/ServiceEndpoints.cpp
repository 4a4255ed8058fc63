#include "Wisplet/Tools/Business/ServiceEndpoints.h"

ServiceEndpoints ServiceEndpoints::hosted()
{
    return {
        QStringLiteral(WISPLET_STRIPE_API),       QStringLiteral(WISPLET_POLAR_API),
        QStringLiteral(WISPLET_DODO_LIVE_API),    QStringLiteral(WISPLET_DODO_TEST_API),
        QStringLiteral(WISPLET_LEMONSQUEEZY_API), QStringLiteral(WISPLET_DATAFAST_API),
        QStringLiteral(WISPLET_PLAUSIBLE_API),    QStringLiteral(WISPLET_UMAMI_API),
        QStringLiteral(WISPLET_GITHUB_API),
    };
}
