#pragma once

#include "Wisplet/Base/ToolService.h"
#include "Wisplet/Tools/Business/IntegrationsHub.h"

// The business tool's background work, as the service coordinator starts and stops it.
class IntegrationsService final : public ToolService
{
public:
    explicit IntegrationsService(IntegrationsHub& hub)
        : m_hub(hub)
    { }

    // A running hub is left alone.
    void start() override { m_hub.start(); }
    void stop() override { m_hub.stop(); }

private:
    IntegrationsHub& m_hub;
};
