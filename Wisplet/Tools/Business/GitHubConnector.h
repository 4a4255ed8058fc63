#pragma once

#include "Wisplet/Tools/Business/IntegrationConnector.h"

class Clock;

// The code-hosting service: unread notifications, the user's open pull requests and the reviews asked of them.
class GitHubConnector final : public IntegrationConnector
{
    Q_DISABLE_COPY_MOVE(GitHubConnector)

public:
    GitHubConnector(const IntegrationClient& client, const Clock& clock);

    QCoro::Task<SnapshotResult> fetch(IntegrationKind kind, Credentials credentials, CancelToken cancel) override;

private:
    // The search's total_count; 0 when it has none.
    QCoro::Task<IntegrationResult<qint64>> searchCount(QString query, HttpHeaders headers, CancelToken cancel) const;

    const IntegrationClient& m_client;
    const Clock& m_clock;
};
