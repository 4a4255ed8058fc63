#include "Wisplet/App/SettingsPages.h"

#include "Wisplet/App/HotKeys.h"
#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/Notifier.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Settings/AboutView.h"
#include "Wisplet/Settings/GeneralSettingsView.h"
#include "Wisplet/Settings/SettingsWindow.h"

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

QWidget* createSettingsPage(SettingsSection section, QWidget* parent)
{
    switch (section) {
    case SettingsSection::general:
        return new GeneralSettingsView(
            {AppSettings::shared(), Notifier::shared(), WispState::shared(), Platform::clock()}, HotKey::keyNames(),
            parent);
    case SettingsSection::about:
        return new AboutView(aboutInfo(), QDesktopServices::openUrl, parent);
    case SettingsSection::wisp:
    case SettingsSection::tools:
    case SettingsSection::integrations:
        break;
    }
    return settingsTitlePage(section, parent);
}
