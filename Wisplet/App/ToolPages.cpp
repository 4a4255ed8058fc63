#include "Wisplet/App/ToolPages.h"

#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Calendar/CalendarAgendaView.h"
#include "Wisplet/Tools/Calendar/CalendarTool.h"
#include "Wisplet/Tools/Files/FileShelf.h"
#include "Wisplet/Tools/Files/FileShelfView.h"

QWidget* createToolPage(ToolID tool, QWidget* parent)
{
    switch (tool) {
    case ToolID::focus:
    case ToolID::clipboard:
    case ToolID::notes:
    case ToolID::links:
    case ToolID::system:
    case ToolID::media:
    case ToolID::weather:
    case ToolID::business:
        break;
    case ToolID::calendar:
        return new CalendarAgendaView(CalendarTool::shared(), WispState::shared(), parent);
    case ToolID::files:
        return new FileShelfView(FileShelf::shared(), WispState::shared(), parent);
    }
    return toolTitlePage(tool, parent);
}
