#pragma once

#include "Wisplet/Tools/Business/IntegrationConnector.h"
#include "tests/support/FakeClock.h"
#include "tests/support/RoutedHttpTransport.h"

#include <QCoro/QCoroTask>

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

    static HttpResponse ok(const QByteArray& body) { return {HttpResponse::Failure::none, 200, body}; }

    RoutedHttpTransport transport;
    IntegrationClient client{transport,
                             {{},
                              {},
                              {},
                              {},
                              {},
                              "https://df.test",
                              "https://plausible.test",
                              "https://api.umami.test/v1",
                              "https://gh.test"}};
    FakeClock clock;
    SnapshotResult result;
};
