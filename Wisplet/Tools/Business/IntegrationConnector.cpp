#include "Wisplet/Tools/Business/IntegrationConnector.h"

ConnectorTable& ConnectorTable::shared()
{
    static auto* table = new ConnectorTable;
    return *table;
}

void ConnectorTable::add(IntegrationKind kind, std::unique_ptr<IntegrationConnector> connector)
{
    m_connectors.insert(kind, std::move(connector));
}

QCoro::Task<SnapshotResult> ConnectorTable::fetch(IntegrationKind kind, Credentials credentials, CancelToken cancel)
{
    // Held by the coroutine, so replacing a connector never pulls it from under a running fetch.
    const std::shared_ptr<IntegrationConnector> connector = m_connectors.value(kind);
    if (!connector)
        co_return IntegrationError::system(QStringLiteral("This service is not supported yet."));
    co_return co_await connector->fetch(kind, std::move(credentials), std::move(cancel));
}
