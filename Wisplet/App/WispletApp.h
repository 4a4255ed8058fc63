#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class AppDelegate;
class BusConnector;
class ExpressionStudio;
class FocusService;
class FullscreenMonitor;
class HotKeys;
class IdleMonitor;
class IntegrationsService;
class NotchPanel;
class NotchRootView;
class OnboardingWindow;
class QuietControls;
class ScreenChanges;
class SettingsWindow;
class TrayIcon;
class TrayMenu;
class WeatherService;
class WindowService;

// The program itself: builds the panel, the tray menu and the monitors over the shared stores, and
// hands them to the delegate, which starts and stops them in order.
class WispletApp final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WispletApp)

public:
    explicit WispletApp(BusConnector& sessionBus, QObject* parent = nullptr);
    ~WispletApp() override;

    void launch();
    // Wisplet was started again while this one runs.
    void comeForward();

private:
    class Panel;

    void buildPanel();
    void buildTray(BusConnector& sessionBus);
    void buildTools();
    void buildDelegate();
    void requestQuit();
    void openStudio();
    void openOnboarding(bool onlyIfNeeded);
    void openSettings();

    std::unique_ptr<FocusService> m_focus;
    std::unique_ptr<WindowService> m_windows;
    std::unique_ptr<ScreenChanges> m_screenChanges;
    NotchRootView* m_root = nullptr;
    std::unique_ptr<NotchPanel> m_notchPanel;
    std::unique_ptr<Panel> m_panel;
    std::unique_ptr<IdleMonitor> m_idle;
    std::unique_ptr<FullscreenMonitor> m_fullscreen;
    std::unique_ptr<HotKeys> m_hotKeys;
    std::unique_ptr<IntegrationsService> m_business;
    std::unique_ptr<WeatherService> m_weather;
    std::unique_ptr<QuietControls> m_quiet;
    std::unique_ptr<TrayMenu> m_trayMenu;
    std::unique_ptr<TrayIcon> m_tray;
    QPointer<ExpressionStudio> m_studio;
    QPointer<OnboardingWindow> m_onboarding;
    QPointer<SettingsWindow> m_settingsWindow;
    std::unique_ptr<AppDelegate> m_delegate;
};
