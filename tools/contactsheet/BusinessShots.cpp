#include "BusinessShots.h"

#include "ToolArea.h"

#include "Wisplet/Tools/Business/IntegrationsView.h"
#include "tests/support/HubFixture.h"

#include <QDir>

bool businessShots(const QDir& folder)
{
    HubFixture hub;
    ToolArea frame({680, 260});
    frame.setPage(new IntegrationsView(*hub.hub, hub.clock, hub.events));
    bool ok = frame.shoot(folder, QStringLiteral("business-empty.png"));

    const QList<IntegrationKind> kinds{IntegrationKind::stripe, IntegrationKind::polar, IntegrationKind::plausible,
                                       IntegrationKind::github, IntegrationKind::claudeCode};
    for (IntegrationKind kind : kinds)
        hub.hub->setEnabled(kind, true);
    hub.hub->start();
    ok = frame.shoot(folder, QStringLiteral("business-loading.png")) && ok;

    const QDateTime now = hub.clock.now();
    hub.connector.finish(
        0,
        IntegrationSnapshot{
            {{"Today", "$1,204.50"}, {"This month", "$18,930.00"}, {"Orders today", "14"}}, 14, 1204.5, "USD", now});
    hub.connector.finish(1, IntegrationSnapshot{{{"Today", "€96.00"}, {"Orders today", "3"}}, 3, 96, "EUR", now});
    hub.connector.finish(2,
                         IntegrationError::http(401,
                                                "Invalid API key. Check the key in Settings and that it "
                                                "may read stats for this site."));
    hub.connector.finish(
        4,
        IntegrationSnapshot{
            {{"Tokens today", "1.2M"}, {"Sessions", "7"}, {"Billing", "See provider; token counts only"}},
            {},
            {},
            {},
            now});
    // The footer reads the clock when the hub changes.
    hub.clock.advance(5000);
    hub.hub->refresh(IntegrationKind::polar);
    return frame.shoot(folder, QStringLiteral("business-cards.png")) && ok;
}
