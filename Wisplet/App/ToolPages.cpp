#include "Wisplet/App/ToolPages.h"

#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Weather/WeatherTool.h"
#include "Wisplet/Tools/Weather/WeatherView.h"

QWidget* createToolPage(ToolID tool, QWidget* parent)
{
    switch (tool) {
    case ToolID::focus:
    case ToolID::clipboard:
    case ToolID::notes:
    case ToolID::links:
    case ToolID::system:
    case ToolID::media:
    case ToolID::calendar:
    case ToolID::business:
    case ToolID::files:
        break;
    case ToolID::weather:
        return new WeatherView(WeatherTool::shared(), parent);
    }
    return toolTitlePage(tool, parent);
}
