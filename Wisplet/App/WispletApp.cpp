#include "Wisplet/App/WispletApp.h"

#include "Wisplet/App/AppDelegate.h"
#include "Wisplet/App/FullscreenMonitor.h"
#include "Wisplet/App/HotKeys.h"
#include "Wisplet/App/IdleMonitor.h"
#include "Wisplet/App/PanelControl.h"
#include "Wisplet/App/ServiceCoordinator.h"
#include "Wisplet/App/ToolPages.h"
#include "Wisplet/App/TrayIcon.h"
#include "Wisplet/App/TrayMenu.h"
#include "Wisplet/App/UpdateAlert.h"
#include "Wisplet/App/Updater.h"
#include "Wisplet/Base/AppEvents.h"
#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/Notifier.h"
#include "Wisplet/Base/QuietControls.h"
#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Companion/CompanionSpriteView.h"
#include "Wisplet/Companion/ExpressionStudio.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/FileDropTarget.h"
#include "Wisplet/Notch/NotchPanel.h"
#include "Wisplet/Notch/NotchRootView.h"
#include "Wisplet/Notch/PeekSources.h"
#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Platform/ScreenChanges.h"
#include "Wisplet/Platform/X11WindowService.h"
#include "Wisplet/Tools/Business/BusinessConnectors.h"
#include "Wisplet/Tools/Business/IntegrationsService.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMessageBox>
#include <QPushButton>

// The delegate's view of the panel.
class WispletApp::Panel final : public PanelControl
{
public:
    explicit Panel(NotchPanel& panel)
        : m_panel(panel)
    { }

    void reposition() override { m_panel.reposition(); }
    void releaseFocus() override { m_panel.releaseFocus(); }
    void orderFront() override { m_panel.show(); }
    void orderOut() override { m_panel.hide(); }
    void openForTool() override { m_panel.openForTool(); }

private:
    NotchPanel& m_panel;
};

namespace {

// Without a tray host, the island's right-click opens the tray menu.
class ContextMenuForwarder final : public QObject
{
public:
    ContextMenuForwarder(TrayIcon& tray, QObject* parent)
        : QObject(parent)
        , m_tray(tray)
    { }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ContextMenu)
            return QObject::eventFilter(watched, event);
        m_tray.popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }

private:
    TrayIcon& m_tray;
};

} // namespace

WispletApp::WispletApp(QObject* parent)
    : QObject(parent)
    , m_focus(std::make_unique<NullFocusPeekSource>())
    , m_calendar(std::make_unique<NullCalendarPeekSource>())
    , m_media(std::make_unique<NullMediaPeekSource>())
    , m_files(std::make_unique<NoFileDropTarget>())
    , m_windows(X11WindowService::forApplication())
    , m_screenChanges(std::make_unique<ScreenChanges>())
{
    buildPanel();
    buildTray();
    buildServices();
    buildDelegate();
}

WispletApp::~WispletApp()
{
    delete m_studio;
}

void WispletApp::buildPanel()
{
    AppSettings& settings = AppSettings::shared();
    WispState& wisp = WispState::shared();
    ToolRegistry& registry = ToolRegistry::shared();
    const std::optional<NotchGeometry> geometry = NotchGeometry::current(settings.displayMode(), Platform::screens());
    m_root = new NotchRootView(geometry.value_or(NotchGeometry{}),
                               {settings,
                                AppEvents::shared(),
                                wisp,
                                registry,
                                *m_focus,
                                *m_calendar,
                                *m_media,
                                *m_files,
                                Platform::clock(),
                                Platform::motion(),
                                AnimationClock::shared(),
                                [](QWidget* face) { return new CompanionSpriteView(face); },
                                createToolPage,
                                {}});
    m_notchPanel = std::make_unique<NotchPanel>(
        m_root, NotchPanel::Services{settings, wisp, registry, Platform::screens(), *m_windows});
    m_panel = std::make_unique<Panel>(*m_notchPanel);
}

void WispletApp::buildTray()
{
    Updater& updater = Updater::shared();
    m_quiet = std::make_unique<QuietControls>(AppSettings::shared(), Platform::clock());
    m_trayMenu = std::make_unique<TrayMenu>(WispState::shared(), AppSettings::shared(), *m_quiet,
                                            TrayMenu::Hooks{
                                                {},
                                                {},
                                                [&updater] { return updater.canCheckForUpdates(); },
                                                [&updater] { updater.checkForUpdates(); },
                                                [this] { openStudio(); },
                                                [] { AppEvents::shared().postOpenSettings(); },
                                                {},
                                                [this] { requestQuit(); },
                                            });
    connect(&updater, &Updater::checkFinished, this, [](const UpdateCheckResult& result) { showUpdateResult(result); });
    m_tray = std::make_unique<TrayIcon>(*m_trayMenu);
    m_root->installEventFilter(new ContextMenuForwarder(*m_tray, this));
}

void WispletApp::buildServices()
{
    addDeveloperAndAnalyticsConnectors(ConnectorTable::shared(), IntegrationClient::shared(), Platform::clock());
    m_business = std::make_unique<IntegrationsService>(IntegrationsHub::shared());
    ServiceCoordinator::shared().registerService(ToolID::business, *m_business);
}

void WispletApp::buildDelegate()
{
    AppSettings& settings = AppSettings::shared();
    WispState& wisp = WispState::shared();
    m_idle = std::make_unique<IdleMonitor>(
        IdleMonitor::Services{wisp, settings, Platform::idle(), Platform::sleepWatcher(), Platform::clock()},
        m_media.get());
    m_fullscreen = std::make_unique<FullscreenMonitor>(settings, Platform::windows(), Platform::screens());
    m_hotKeys = std::make_unique<HotKeys>(
        HotKeys::Services{Platform::keyGrabber(), settings, wisp, ToolRegistry::shared(), AppEvents::shared()});

    AppDelegate::Steps steps{
        [this] { m_idle->start(); },
        [this] { m_idle->stop(); },
        [this](std::function<void(bool)> onChange) {
            m_fullscreen->setOnChange(std::move(onChange));
            m_fullscreen->start();
        },
        [this] { m_fullscreen->stop(); },
        [] { ServiceCoordinator::shared().start(); },
        [] { ServiceCoordinator::shared().stopAll(); },
        [this](bool enabled, const QString& key) { m_hotKeys->registerHotKeys(enabled, key); },
        [] { Notifier::shared(); },
        [] { Updater::shared(); },
        {},
    };
    m_delegate =
        std::make_unique<AppDelegate>(AppDelegate::Parts{wisp, settings, AppEvents::shared(), Platform::scheduler(),
                                                         *m_panel, *m_screenChanges, Notifier::installedBuild()},
                                      std::move(steps));
    // However the program ends (the menu, a signal, the session), the same orderly shutdown runs; the end
    // of the session saves first, without asking.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { m_delegate->shutDown(); });
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { m_delegate->shouldQuit([] { return true; }); });
}

void WispletApp::launch()
{
    m_delegate->launch();
}

void WispletApp::requestQuit()
{
    const bool quit = m_delegate->shouldQuit([] {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Your note could not be saved"),
                        QStringLiteral("Your note could not be saved"));
        box.setInformativeText(QStringLiteral("Keep Wisplet open to copy your text or retry saving."));
        QPushButton* keep = box.addButton(QStringLiteral("Keep Open"), QMessageBox::AcceptRole);
        box.addButton(QStringLiteral("Quit Without Saving"), QMessageBox::DestructiveRole);
        box.setDefaultButton(keep);
        box.exec();
        return box.clickedButton() != keep;
    });
    if (quit)
        QCoreApplication::quit();
}

void WispletApp::openStudio()
{
    if (!m_studio) {
        m_studio = new ExpressionStudio;
        m_studio->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    m_studio->show();
    m_studio->raise();
    m_studio->activateWindow();
}
