#pragma once

#include "Wisplet/Tools/Business/CancelToken.h"
#include "Wisplet/Tools/Business/IntegrationClient.h"
#include "Wisplet/Tools/Business/IntegrationKind.h"
#include "Wisplet/Tools/Business/IntegrationSnapshot.h"

#include <QHash>

#include <memory>

using SnapshotResult = IntegrationResult<IntegrationSnapshot>;

// Fetches one service's figures with its credentials. The hub calls every service through this, so the
// connectors can be tested apart and the hub over fakes.
class IntegrationConnector
{
public:
    virtual ~IntegrationConnector() = default;

    // Ends with cancelled() soon after the token is cancelled.
    virtual QCoro::Task<SnapshotResult> fetch(IntegrationKind kind, Credentials credentials, CancelToken cancel) = 0;
};

// One connector per kind, as each service's connector registers; a kind without one fails plainly.
class ConnectorTable final : public IntegrationConnector
{
public:
    static ConnectorTable& shared();

    void add(IntegrationKind kind, std::unique_ptr<IntegrationConnector> connector);
    QCoro::Task<SnapshotResult> fetch(IntegrationKind kind, Credentials credentials, CancelToken cancel) override;

private:
    QHash<IntegrationKind, std::shared_ptr<IntegrationConnector>> m_connectors;
};
