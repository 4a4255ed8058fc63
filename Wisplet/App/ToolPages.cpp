#include "Wisplet/App/ToolPages.h"

#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Links/LinksStore.h"
#include "Wisplet/Tools/Links/QuickLinksView.h"
#include "Wisplet/Tools/Notes/NotesStore.h"
#include "Wisplet/Tools/Notes/NotesView.h"

#include <QDesktopServices>

QWidget* createToolPage(ToolID tool, QWidget* parent)
{
    switch (tool) {
    case ToolID::notes:
        return new NotesView(NotesStore::shared(), WispState::shared(), parent);
    case ToolID::links:
        return new QuickLinksView(LinksStore::shared(), WispState::shared(), QDesktopServices::openUrl, parent);
    case ToolID::focus:
    case ToolID::clipboard:
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
