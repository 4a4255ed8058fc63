#include "Wisplet/App/SettingsPages.h"

#include "Wisplet/App/HotKeys.h"
#include "Wisplet/Base/Animation.h"
#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/Notifier.h"
#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Companion/CompanionSpriteView.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Platform/PasteKeystroke.h"
#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Settings/AboutView.h"
#include "Wisplet/Settings/GeneralSettingsView.h"
#include "Wisplet/Settings/IntegrationsSettingsView.h"
#include "Wisplet/Settings/SettingsWindow.h"
#include "Wisplet/Settings/ToolsSettingsView.h"
#include "Wisplet/Settings/WispSettingsView.h"
#include "Wisplet/Tools/Business/IntegrationsHub.h"
#include "Wisplet/Tools/Clipboard/ClipboardManager.h"
#include "Wisplet/Tools/Focus/FocusEngine.h"
#include "Wisplet/Tools/Media/NowPlaying.h"
#include "Wisplet/Tools/Weather/WeatherTool.h"

#include <QDesktopServices>

namespace {

AboutView::Info aboutInfo()
{
    return {
        .version = QStringLiteral(WISPLET_VERSION),
        .build = QStringLiteral(WISPLET_BUILD_NUMBER),
        .siteHost = QStringLiteral(WISPLET_SITE_HOST),
        .siteAddress = QUrl(QStringLiteral(WISPLET_SITE_URL)),
        .motionReduced = WispState::shared().reducesMotion(),
    };
}

} // namespace

QWidget* createSettingsPage(SettingsSection section, const std::function<void()>& openStudio, QWidget* parent)
{
    switch (section) {
    case SettingsSection::general:
        return new GeneralSettingsView(
            {AppSettings::shared(), Notifier::shared(), WispState::shared(), Platform::clock()}, HotKey::keyNames(),
            parent);
    case SettingsSection::about:
        return new AboutView(aboutInfo(), QDesktopServices::openUrl, parent);
    case SettingsSection::wisp:
        return new WispSettingsView(
            AppSettings::shared(), WispState::shared(), openStudio,
            {Platform::motion(), AnimationClock::shared(), [](QWidget* face) { return new CompanionSpriteView(face); }},
            parent);
    case SettingsSection::tools:
        return new ToolsSettingsView(
            ToolRegistry::shared(), FocusEngine::shared(), ClipboardManager::shared(), WeatherTool::shared(),
            [] { return Platform::pasteKeystroke().isPermitted(); }, parent);
    case SettingsSection::integrations:
        return new IntegrationsSettingsView(IntegrationsHub::shared(), NowPlaying::shared(), WeatherTool::shared(),
                                            parent);
    }
    Q_UNREACHABLE();
    return nullptr;
}
