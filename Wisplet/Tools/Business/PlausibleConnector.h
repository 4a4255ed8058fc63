#pragma once

#include "Wisplet/Tools/Business/IntegrationConnector.h"

class Clock;

// Live visitors, today's visitors and pageviews, and this month's visitors, of one site on the hosted
// service or a self-hosted one.
class PlausibleConnector final : public IntegrationConnector
{
    Q_DISABLE_COPY_MOVE(PlausibleConnector)

public:
    PlausibleConnector(const IntegrationClient& client, const Clock& clock);

    QCoro::Task<SnapshotResult> fetch(IntegrationKind kind, Credentials credentials, CancelToken cancel) override;

private:
    // The "results" object of the period ("day" or "month", which the service resolves).
    QCoro::Task<IntegrationResult<QJsonObject>> aggregate(QString period, QString base, QString siteID,
                                                          HttpHeaders headers, CancelToken cancel) const;

    const IntegrationClient& m_client;
    const Clock& m_clock;
};
