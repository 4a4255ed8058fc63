#include "Wisplet/App/ToolPages.h"

#include "Wisplet/Base/Animation.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/System/SystemStats.h"
#include "Wisplet/Tools/System/SystemView.h"

QWidget* createToolPage(ToolID tool, QWidget* parent)
{
    switch (tool) {
    case ToolID::focus:
    case ToolID::clipboard:
    case ToolID::notes:
    case ToolID::links:
        break;
    case ToolID::system:
        return new SystemView(SystemStats::shared(), AnimationClock::shared(), parent);
    case ToolID::media:
    case ToolID::calendar:
    case ToolID::weather:
    case ToolID::business:
    case ToolID::files:
        break;
    }
    return toolTitlePage(tool, parent);
}
