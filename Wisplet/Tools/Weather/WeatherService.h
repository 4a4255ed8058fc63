#pragma once

#include "Wisplet/Base/ToolService.h"
#include "Wisplet/Tools/Weather/WeatherTool.h"

// The weather tool's background work, as the service coordinator starts and stops it.
class WeatherService final : public ToolService
{
public:
    explicit WeatherService(WeatherTool& tool)
        : m_tool(tool)
    { }

    // A running tool is left alone.
    void start() override { m_tool.start(); }
    void stop() override { m_tool.stop(); }

private:
    WeatherTool& m_tool;
};
