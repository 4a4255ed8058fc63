#include "Wisplet/App/ToolPages.h"

#include "Wisplet/App/ServiceCoordinator.h"
#include "Wisplet/Base/Animation.h"
#include "Wisplet/Base/AppEvents.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Tools/Business/IntegrationsHub.h"
#include "Wisplet/Tools/Business/IntegrationsView.h"
#include "Wisplet/Tools/Calendar/CalendarTool.h"
#include "Wisplet/Tools/Calendar/CalendarView.h"
#include "Wisplet/Tools/Calendar/ReminderStore.h"
#include "Wisplet/Tools/Clipboard/ClipboardManager.h"
#include "Wisplet/Tools/Clipboard/ClipboardView.h"
#include "Wisplet/Tools/Files/FileShelf.h"
#include "Wisplet/Tools/Files/FileShelfView.h"
#include "Wisplet/Tools/Focus/FocusEngine.h"
#include "Wisplet/Tools/Focus/FocusView.h"
#include "Wisplet/Tools/Links/LinksStore.h"
#include "Wisplet/Tools/Links/QuickLinksView.h"
#include "Wisplet/Tools/Media/NowPlayingView.h"
#include "Wisplet/Tools/Notes/NotesStore.h"
#include "Wisplet/Tools/Notes/NotesView.h"
#include "Wisplet/Tools/System/SystemStats.h"
#include "Wisplet/Tools/System/SystemView.h"
#include "Wisplet/Tools/Weather/WeatherTool.h"
#include "Wisplet/Tools/Weather/WeatherView.h"

#include <QUrl>

QWidget* createToolPage(ToolID tool, QWidget* parent)
{
    switch (tool) {
    case ToolID::focus:
        return new FocusView(FocusEngine::shared(), AnimationClock::shared(), parent);
    case ToolID::clipboard:
        return new ClipboardView(
            ClipboardManager::shared(), Platform::clock(), [] { ServiceCoordinator::shared().reconcile(); }, parent);
    case ToolID::notes:
        return new NotesView(NotesStore::shared(), WispState::shared(), parent);
    case ToolID::links:
        return new QuickLinksView(
            LinksStore::shared(), WispState::shared(),
            [](const QUrl& url, DesktopOpener::Failed failed) { DesktopOpener::shared().open(url, std::move(failed)); },
            parent);
    case ToolID::system:
        return new SystemView(SystemStats::shared(), AnimationClock::shared(), parent);
    case ToolID::media:
        return new NowPlayingView(NowPlaying::shared(), parent);
    case ToolID::files:
        return new FileShelfView(FileShelf::shared(), WispState::shared(), parent);
    case ToolID::calendar:
        return new CalendarView(CalendarTool::shared(), ReminderStore::shared(), WispState::shared(), parent);
    case ToolID::weather:
        return new WeatherView(WeatherTool::shared(), parent);
    case ToolID::business:
        return new IntegrationsView(IntegrationsHub::shared(), Platform::clock(), AppEvents::shared(), parent);
    }
    return toolTitlePage(tool, parent);
}
