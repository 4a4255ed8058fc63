#pragma once

#include "Wisplet/Tools/Business/IntegrationConnector.h"

#include <QTimeZone>

class Clock;

// Active visitors, today's visitors and pageviews, and this month's visitors, of one website on the hosted
// API or a self-hosted server.
class UmamiConnector final : public IntegrationConnector
{
    Q_DISABLE_COPY_MOVE(UmamiConnector)

public:
    UmamiConnector(const IntegrationClient& client, const Clock& clock, QTimeZone zone = QTimeZone::systemTimeZone());

    QCoro::Task<SnapshotResult> fetch(IntegrationKind kind, Credentials credentials, CancelToken cancel) override;

private:
    struct Stats
    {
        qint64 visitors = 0;
        qint64 pageviews = 0;
    };

    // The span from start to now, from the website's stats address.
    QCoro::Task<IntegrationResult<Stats>> stats(QDateTime start, QString address, HttpHeaders headers,
                                                CancelToken cancel) const;

    const IntegrationClient& m_client;
    const Clock& m_clock;
    QTimeZone m_zone;
};
