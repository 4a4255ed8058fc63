#include "Wisplet/App/ToolPages.h"

#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Media/NowPlayingView.h"

QWidget* createToolPage(ToolID tool, QWidget* parent)
{
    switch (tool) {
    case ToolID::focus:
    case ToolID::clipboard:
    case ToolID::notes:
    case ToolID::links:
    case ToolID::media:
        return new NowPlayingView(NowPlaying::shared(), parent);
    case ToolID::system:
    case ToolID::calendar:
    case ToolID::weather:
    case ToolID::business:
    case ToolID::files:
        break;
    }
    return toolTitlePage(tool, parent);
}
