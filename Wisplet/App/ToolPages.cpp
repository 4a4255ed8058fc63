#include "Wisplet/App/ToolPages.h"

#include "Wisplet/App/ServiceCoordinator.h"
#include "Wisplet/Base/Animation.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Tools/Clipboard/ClipboardManager.h"
#include "Wisplet/Tools/Clipboard/ClipboardView.h"
#include "Wisplet/Tools/Focus/FocusEngine.h"
#include "Wisplet/Tools/Focus/FocusView.h"

QWidget* createToolPage(ToolID tool, QWidget* parent)
{
    switch (tool) {
    case ToolID::focus:
        return new FocusView(FocusEngine::shared(), AnimationClock::shared(), parent);
    case ToolID::clipboard:
        return new ClipboardView(
            ClipboardManager::shared(), Platform::clock(), [] { ServiceCoordinator::shared().reconcile(); }, parent);
    case ToolID::notes:
    case ToolID::links:
    case ToolID::system:
    case ToolID::media:
    case ToolID::calendar:
    case ToolID::weather:
    case ToolID::business:
    case ToolID::files:
        break;
    }
    return toolTitlePage(tool, parent);
}
