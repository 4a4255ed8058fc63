#pragma once

#include "Wisplet/Tools/Business/IntegrationConnector.h"

#include <QTimeZone>

class Clock;

// Visitors, pageviews and revenue of today and this month.
class DataFastConnector final : public IntegrationConnector
{
    Q_DISABLE_COPY_MOVE(DataFastConnector)

public:
    DataFastConnector(const IntegrationClient& client, const Clock& clock,
                      QTimeZone zone = QTimeZone::systemTimeZone());

    QCoro::Task<SnapshotResult> fetch(IntegrationKind kind, Credentials credentials, CancelToken cancel) override;

private:
    // The first overview object of the span from start to now.
    QCoro::Task<IntegrationResult<QJsonObject>> overview(QDateTime start, HttpHeaders headers,
                                                         CancelToken cancel) const;

    const IntegrationClient& m_client;
    const Clock& m_clock;
    QTimeZone m_zone;
};
