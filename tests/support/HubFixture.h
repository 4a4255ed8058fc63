#pragma once

#include "Wisplet/Base/Keychain.h"
#include "Wisplet/Tools/Business/IntegrationsHub.h"
#include "tests/support/FakeConnector.h"
#include "tests/support/FakeSecretStore.h"
#include "tests/support/Fixtures.h"

#include <memory>

// An integrations hub over fakes: an in-memory keyring, a connector whose fetches wait for the test, and
// "today" in Auckland.
struct HubFixture : CompanionFixture
{
    HubFixture() { hub = create(); }

    std::unique_ptr<IntegrationsHub> create()
    {
        return std::make_unique<IntegrationsHub>(
            IntegrationsHub::Services{defaults, keychain, clock, scheduler, *wisp, connector},
            QTimeZone("Pacific/Auckland"));
    }

    // A running hub with the kind switched on and its first fetch waiting.
    void startWith(IntegrationKind kind)
    {
        hub->setEnabled(kind, true);
        hub->start();
    }

    IntegrationSnapshot orders(qint64 count, std::optional<double> revenue = {}) const
    {
        return {{{"Orders", QString::number(count)}}, count, revenue, QStringLiteral("USD"), clock.now()};
    }

    FakeSecretStore secrets;
    Keychain keychain{secrets};
    FakeConnector connector;
    std::unique_ptr<IntegrationsHub> hub;
};
