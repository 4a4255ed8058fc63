#pragma once

class Clock;
class ConnectorTable;
class IntegrationClient;

// Adds the connectors of the developer and analytics services to the table.
void addDeveloperAndAnalyticsConnectors(ConnectorTable& table, const IntegrationClient& client, const Clock& clock);
