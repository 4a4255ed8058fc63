#pragma once

#include "Wisplet/Tools/Business/IntegrationConnector.h"
#include "tests/support/FakeClock.h"
#include "tests/support/RoutedHttpTransport.h"

#include <QCoro/QCoroTask>

// A 200 answer with the body given.
inline HttpResponse ok(const QByteArray& body)
{
    return {HttpResponse::Failure::none, 200, body};
}

// Every service at an address of its own that no request leaves the test for.
const ServiceEndpoints testEndpoints{"https://stripe.test",    "https://polar.test",        "https://live.dodo.test",
                                     "https://test.dodo.test", "https://lemon.test",        "https://df.test",
                                     "https://plausible.test", "https://api.umami.test/v1", "https://gh.test"};

// A connector's collaborators: a routed transport, a client over test addresses and a clock at `now`.
struct ConnectorFixture
{
    explicit ConnectorFixture(const QDateTime& now) { clock.setNow(now); }

    // The values of the card, or the error's text; no-break spaces read as spaces.
    QStringList run(IntegrationConnector& connector, IntegrationKind kind, const Credentials& credentials,
                    CancelToken cancel = {})
    {
        result = QCoro::waitFor(connector.fetch(kind, credentials, std::move(cancel)));
        if (!result.ok())
            return {result.error().description()};
        QStringList values;
        for (const Metric& metric : result.value().metrics)
            values.append(QString(metric.value).replace(QChar(0xa0), ' '));
        return values;
    }

    RoutedHttpTransport transport;
    IntegrationClient client{transport, testEndpoints};
    FakeClock clock;
    SnapshotResult result;
};
