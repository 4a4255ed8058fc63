#include "Wisplet/Tools/Business/BusinessConnectors.h"

#include "Wisplet/Tools/Business/ClaudeCodeUsageReader.h"
#include "Wisplet/Tools/Business/DataFastConnector.h"
#include "Wisplet/Tools/Business/GitHubConnector.h"
#include "Wisplet/Tools/Business/PlausibleConnector.h"
#include "Wisplet/Tools/Business/UmamiConnector.h"

void addDeveloperAndAnalyticsConnectors(ConnectorTable& table, const IntegrationClient& client, const Clock& clock)
{
    table.add(IntegrationKind::dataFast, std::make_unique<DataFastConnector>(client, clock));
    table.add(IntegrationKind::plausible, std::make_unique<PlausibleConnector>(client, clock));
    table.add(IntegrationKind::umami, std::make_unique<UmamiConnector>(client, clock));
    table.add(IntegrationKind::github, std::make_unique<GitHubConnector>(client, clock));
    table.add(IntegrationKind::claudeCode,
              std::make_unique<ClaudeCodeUsageReader>(ClaudeCodeUsageReader::defaultRoot(), clock));
}
