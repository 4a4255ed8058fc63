#include "Wisplet/App/WispletApp.h"

#include "Wisplet/App/AppDelegate.h"
#include "Wisplet/App/FullscreenMonitor.h"
#include "Wisplet/App/HeapTrim.h"
#include "Wisplet/App/HotKeys.h"
#include "Wisplet/App/IdleMonitor.h"
#include "Wisplet/App/PanelControl.h"
#include "Wisplet/App/ServiceCoordinator.h"
#include "Wisplet/App/SettingsPages.h"
#include "Wisplet/App/ToolPages.h"
#include "Wisplet/App/TrayIcon.h"
#include "Wisplet/App/TrayMenu.h"
#include "Wisplet/App/UpdateAlert.h"
#include "Wisplet/App/Updater.h"
#include "Wisplet/Base/AppEvents.h"
#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/AppSupport.h"
#include "Wisplet/Base/Notifier.h"
#include "Wisplet/Base/QuietControls.h"
#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Base/WindowPalette.h"
#include "Wisplet/Base/WindowPlacement.h"
#include "Wisplet/Companion/CompanionSpriteView.h"
#include "Wisplet/Companion/ExpressionStudio.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/NotchPanel.h"
#include "Wisplet/Notch/NotchRootView.h"
#include "Wisplet/Notch/PeekSources.h"
#include "Wisplet/Onboarding/OnboardingWindow.h"
#include "Wisplet/Platform/BusConnector.h"
#include "Wisplet/Platform/ChosenWrites.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Platform/PrivateFiles.h"
#include "Wisplet/Platform/ScreenChanges.h"
#include "Wisplet/Platform/TerminationSignals.h"
#include "Wisplet/Platform/X11WindowService.h"
#include "Wisplet/Settings/SettingsWindow.h"
#include "Wisplet/Tools/Business/BusinessConnectors.h"
#include "Wisplet/Tools/Business/IntegrationsService.h"
#include "Wisplet/Tools/Business/PaymentConnector.h"
#include "Wisplet/Tools/Calendar/CalendarTool.h"
#include "Wisplet/Tools/Calendar/ReminderStore.h"
#include "Wisplet/Tools/Clipboard/ClipboardManager.h"
#include "Wisplet/Tools/Files/ConvertImage.h"
#include "Wisplet/Tools/Files/FileShelf.h"
#include "Wisplet/Tools/Focus/BreakPromptView.h"
#include "Wisplet/Tools/Focus/FocusEngine.h"
#include "Wisplet/Tools/Focus/FocusService.h"
#include "Wisplet/Tools/Links/LinksStore.h"
#include "Wisplet/Tools/Media/NowPlaying.h"
#include "Wisplet/Tools/Notes/NotesStore.h"
#include "Wisplet/Tools/System/SystemStats.h"
#include "Wisplet/Tools/Weather/WeatherService.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

// The delegate's view of the panel.
class WispletApp::Panel final : public PanelControl
{
public:
    explicit Panel(NotchPanel& panel)
        : m_panel(panel)
    { }

    void reposition() override { m_panel.reposition(); }
    void releaseFocus() override { m_panel.releaseFocus(); }
    void orderFront() override { m_panel.orderFront(); }
    void orderOut() override { m_panel.orderOut(); }
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

WispletApp::WispletApp(BusConnector& sessionBus, QObject* parent)
    : QObject(parent)
    , m_windows(X11WindowService::forApplication())
    , m_screenChanges(std::make_unique<ScreenChanges>())
{
    // Every menu, dialog and window of ours is dark like the island, whatever the desktop's theme.
    useDarkWindowPalette();
    // And every window of ours stays on screen, whatever its size and wherever its screen went.
    new WindowFitting(this);
    buildTools();
    buildPanel();
    buildTray(sessionBus);
    buildDelegate();
    // The tray's "Settings…", the island's gear and the business page all post this.
    connect(&AppEvents::shared(), &AppEvents::openSettings, this, &WispletApp::openSettings);
}

WispletApp::~WispletApp()
{
    // The shared clipboard store outlives the window service it was lent.
    ClipboardManager::shared().setWindowActivation({});
    delete m_studio;
    delete m_onboarding;
    delete m_settingsWindow;
}

// The tools' background work, started and stopped by the service coordinator.
void WispletApp::buildTools()
{
    // The notes and the links are read when their pages first open; what a kill left beside their files
    // goes at start all the same, and so does what it left of an export or an image copy in the user's folders.
    for (const QString& path : {NotesStore::pathIn(appSupportDirectory()), LinksStore::pathIn(appSupportDirectory())})
        PrivateFiles::removeLeftoverTemporaries(path);
    ChosenWrites::track(QDir(appSupportDirectory()).filePath(QStringLiteral("chosen-writes")));

    ServiceCoordinator& coordinator = ServiceCoordinator::shared();
    m_focus = std::make_unique<FocusService>(FocusEngine::shared());
    coordinator.registerService(ToolID::focus, *m_focus);

    ClipboardManager& clipboard = ClipboardManager::shared();
    clipboard.setWindowActivation([windows = m_windows.get()](quint32 window) { windows->focusWindow(window); });
    coordinator.registerService(ToolID::clipboard, clipboard);
    coordinator.setClipboardConsent([&clipboard] { return clipboard.captureConsent(); });
    coordinator.watch(&clipboard, &ClipboardManager::changed);

    coordinator.registerService(ToolID::system, SystemStats::shared());

    PaymentConnector::addTo(ConnectorTable::shared(), IntegrationClient::shared(), Platform::clock());
    addDeveloperAndAnalyticsConnectors(ConnectorTable::shared(), IntegrationClient::shared(), Platform::clock());
    m_business = std::make_unique<IntegrationsService>(IntegrationsHub::shared());
    coordinator.registerService(ToolID::business, *m_business);

    coordinator.registerService(ToolID::media, NowPlaying::shared());
    coordinator.registerService(ToolID::calendar, CalendarTool::shared());

    m_weather = std::make_unique<WeatherService>(WeatherTool::shared());
    coordinator.registerService(ToolID::weather, *m_weather);
}

void WispletApp::buildPanel()
{
    AppSettings& settings = AppSettings::shared();
    WispState& wisp = WispState::shared();
    ToolRegistry& registry = ToolRegistry::shared();
    const std::optional<NotchGeometry> geometry = NotchGeometry::current(settings.displayMode(), Platform::screens());
    m_root = new NotchRootView(geometry.value_or(NotchGeometry{}),
                               {settings, AppEvents::shared(), wisp, registry, FocusEngine::shared(),
                                CalendarTool::shared(), NowPlaying::shared(), FileShelf::shared(), Platform::clock(),
                                Platform::scheduler(), Platform::motion(), AnimationClock::shared(),
                                [](QWidget* face) { return new CompanionSpriteView(face); }, createToolPage,
                                [](QWidget* parent) { return new BreakPromptView(FocusEngine::shared(), parent); }});
    m_notchPanel = std::make_unique<NotchPanel>(
        m_root, NotchPanel::Services{settings, wisp, registry, Platform::screens(), *m_windows});
    m_panel = std::make_unique<Panel>(*m_notchPanel);
    new HeapTrim(wisp, Platform::scheduler(), {}, this);
}

void WispletApp::buildTray(BusConnector& sessionBus)
{
    Updater& updater = Updater::shared();
    m_quiet = std::make_unique<QuietControls>(AppSettings::shared(), Platform::clock());
    m_trayMenu = std::make_unique<TrayMenu>(WispState::shared(), AppSettings::shared(), *m_quiet,
                                            TrayMenu::Hooks{
                                                [] { return ClipboardManager::shared().paused(); },
                                                [] {
                                                    ClipboardManager& clipboard = ClipboardManager::shared();
                                                    clipboard.setPaused(!clipboard.paused());
                                                },
                                                [&updater] { return updater.canCheckForUpdates(); },
                                                [&updater] { updater.checkForUpdates(); },
                                                [this] { openStudio(); },
                                                [] { AppEvents::shared().postOpenSettings(); },
                                                [this] { openOnboarding(false); },
                                                [this] { requestQuit(); },
                                            });
    connect(&updater, &Updater::checkFinished, this, [](const UpdateCheckResult& result) { showUpdateResult(result); });
    m_tray = std::make_unique<TrayIcon>(*m_trayMenu);
    // Qt's tray goes through the bus only where its own session connection works, as ours then does.
    if (sessionBus.qtDefaultRefused()) {
        m_tray->show();
    } else {
        sessionBus.whenDone(m_tray.get(), [tray = m_tray.get()](const QDBusConnection& bus) {
            if (bus.isConnected())
                tray->showOnceTrayWatcherAnswers(bus);
            else
                tray->show();
        });
    }
    m_tray->addShortcutsTo(*m_notchPanel);
    connect(&m_tray->menu(), &QMenu::aboutToShow, m_root, [this] { m_root->watchPopup(&m_tray->menu()); });
    m_root->installEventFilter(new ContextMenuForwarder(*m_tray, this));
}

void WispletApp::buildDelegate()
{
    AppSettings& settings = AppSettings::shared();
    WispState& wisp = WispState::shared();
    m_idle = std::make_unique<IdleMonitor>(
        IdleMonitor::Services{wisp, settings, Platform::idle(), Platform::sleepWatcher(), Platform::clock()},
        &NowPlaying::shared());
    m_fullscreen = std::make_unique<FullscreenMonitor>(settings, Platform::windows(), Platform::screens());
    m_hotKeys = std::make_unique<HotKeys>(
        HotKeys::Services{Platform::keyGrabber(), settings, wisp, ToolRegistry::shared(), AppEvents::shared(),
                          [this] { m_notchPanel->setAttribute(Qt::WA_KeyboardFocusChange); }});

    AppDelegate::Steps steps{
        [this] { m_idle->start(); },
        [this] { m_idle->stop(); },
        [this](std::function<void(bool)> onChange) {
            m_fullscreen->setOnChange(std::move(onChange));
            m_fullscreen->start();
        },
        [this] { m_fullscreen->stop(); },
        [] { ServiceCoordinator::shared().start(); },
        [](QDeadlineTimer deadline) { ServiceCoordinator::shared().stopAll(deadline); },
        [this](bool enabled, const QString& key) { m_hotKeys->registerHotKeys(enabled, key); },
        [] { Notifier::shared(); },
        [] { Updater::shared(); },
        [this] { openOnboarding(true); },
    };
    m_delegate =
        std::make_unique<AppDelegate>(AppDelegate::Parts{wisp, settings, AppEvents::shared(), Platform::scheduler(),
                                                         *m_panel, *m_screenChanges, Notifier::installedBuild()},
                                      std::move(steps));
    // Asked of each at the user's quit, and tried once more at shutdown; a links page never opened has
    // nothing to save.
    m_delegate->addSaveBeforeQuit(AppDelegate::notesName(), [] { return NotesStore::shared().save(); });
    m_delegate->addSaveBeforeQuit(QStringLiteral("your links"), [] {
        LinksStore* links = LinksStore::sharedIfMade();
        return !links || links->save();
    });
    m_delegate->addSaveBeforeQuit(QStringLiteral("the shelf"), [] { return FileShelf::shared().save(); });
    // The history's save under way is waited for, and what is still unsaved written.
    m_delegate->addSaveBeforeQuit(QStringLiteral("the clipboard history"),
                                  [] { return ClipboardManager::shared().finishSaving(); });
    // Reminders not written yet are kept in the settings, saved after them, for the next start.
    m_delegate->addSaveBeforeQuit(QStringLiteral("your reminders"),
                                  [] { return ReminderStore::shared().unwritten().isEmpty(); });
    m_delegate->addSaveBeforeQuit(QStringLiteral("your settings"), [] { return Platform::defaults().flush(); });
    // The focus session is saved as it stands, running or not, so a restart resumes it; the settings'
    // save after the steps takes it to the disk.
    m_delegate->addShutdownStep([] { FocusEngine::shared().saveSession(); });
    // Reminder writes under way (and those that failed, tried again) and image copies the user asked for get
    // what is left of the quit's time.
    m_delegate->addWaitAtQuit([](QDeadlineTimer deadline) { ReminderStore::shared().finishWrites(deadline); });
    m_delegate->addWaitAtQuit([](QDeadlineTimer deadline) { finishImageConversions(deadline); });
    // However the program ends (the menu, a signal, the session), the same orderly shutdown runs; the end
    // of the session saves first, without asking.
    connect(qApp, &QCoreApplication::aboutToQuit, this,
            [this] { m_delegate->shutDown(TerminationSignals::quitDeadline()); });
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this] { m_delegate->shouldQuit([](const QStringList&) { return true; }); });
}

void WispletApp::launch()
{
    m_delegate->launch();
}

void WispletApp::comeForward()
{
    // Someone half-way through the welcome gets it back, in front of the panel.
    if (m_onboarding && m_onboarding->isVisible() && !m_onboarding->isFinished()) {
        openOnboarding(false);
        return;
    }
    m_delegate->comeForward();
}

void WispletApp::requestQuit()
{
    const bool quit = m_delegate->shouldQuit([](const QStringList& unsaved) {
        const AppDelegate::UnsavedQuestion question = AppDelegate::unsavedQuestion(unsaved);
        QMessageBox box(QMessageBox::Warning, question.title, question.title);
        box.setInformativeText(question.text);
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
    // On the island's screen, clear of the island, which collapses as the studio comes forward.
    if (!m_studio->isVisible())
        placeOnScreen(*m_studio, *m_notchPanel->screen());
    bringToFront(*m_studio);
}

void WispletApp::openOnboarding(bool onlyIfNeeded)
{
    const OnboardingWindow::Services services{
        {AppSettings::shared(), ToolRegistry::shared(), WispState::shared(), FocusEngine::shared(), FileShelf::shared(),
         // At once: the welcome's last step works with the tools running.
         [] { ServiceCoordinator::shared().reconcile(); }},
        AnimationClock::shared(),
    };
    QScreen* screen = m_notchPanel->screen();
    if (onlyIfNeeded)
        OnboardingWindow::openIfNeeded(m_onboarding, services, screen);
    else
        OnboardingWindow::open(m_onboarding, services, screen);
}

void WispletApp::openSettings()
{
    const auto makePage = [this](SettingsSection section, QWidget* parent) {
        return createSettingsPage(
            section, [this] { openStudio(); }, parent);
    };
    SettingsWindow::open(m_settingsWindow, Platform::defaults(), makePage, m_notchPanel->screen());
}
