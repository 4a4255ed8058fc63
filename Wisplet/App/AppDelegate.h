#pragma once

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class AppEvents;
class AppSettings;
class PanelControl;
class ScheduledCall;
class Scheduler;
class ScreenChanges;
class WispState;

// Wires the long-lived parts together at launch, in a fixed order, and takes them down in order at quit.
// The parts it only starts and stops come in as steps, so the order is the delegate's alone.
class AppDelegate final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppDelegate)

public:
    static constexpr int onboardingDelayMs = 600;

    struct Steps
    {
        std::function<void()> startIdleMonitor;
        std::function<void()> stopIdleMonitor;
        // Starts the full-screen monitor with the handler for its changes.
        std::function<void(std::function<void(bool)> onChange)> startFullscreenMonitor;
        std::function<void()> stopFullscreenMonitor;
        std::function<void()> startServices;
        std::function<void()> stopAllServices;
        std::function<void(bool enabled, const QString& key)> registerHotKeys;
        // Run only when the program runs from an installed build.
        std::function<void()> installNotificationHandler;
        std::function<void()> createUpdater;
        std::function<void()> showOnboardingIfNeeded;
    };

    struct Parts
    {
        WispState& wisp;
        AppSettings& settings;
        AppEvents& events;
        Scheduler& scheduler;
        PanelControl& panel;
        ScreenChanges& screens;
        bool installedBuild;
    };

    AppDelegate(const Parts& parts, Steps steps, QObject* parent = nullptr);
    ~AppDelegate() override;

    void launch();
    // Wisplet was started again: out of presentation mode, the companion pinned open and the panel
    // forward with the focus (unless hidden for full screen).
    void comeForward();

    // The question asked when something could not be saved at quit.
    struct UnsavedQuestion
    {
        QString title;
        QString text;
    };

    // What the notes are saved under: when they alone could not be saved, the question keeps their words.
    static QString notesName();
    // The question for what could not be saved, named in the order given.
    static UnsavedQuestion unsavedQuestion(const QStringList& unsaved);

    // A store whose changes must reach the disk before the program ends, named for the question at quit
    // ("your links"): saved when the user quits, and once more at shutdown. Each answers whether it succeeded.
    void addSaveBeforeQuit(const QString& what, std::function<bool()> save);
    // Asked when the user quits: every store saves, and true when nothing is left unsaved or the user chose
    // to quit anyway. The question itself comes from the caller (a message box in the program), given what
    // could not be saved.
    bool shouldQuit(const std::function<bool(const QStringList& unsaved)>& userAgreesToQuitWithoutSaving);
    // The orderly shutdown, run once whatever ended the program (the menu, a signal, the session): the
    // shutdown steps, then the saves; what could still not be saved is said on standard error.
    void shutDown();
    // Work that must happen at shutdown after the tools stop, in order (the focus session).
    void addShutdownStep(std::function<void()> step);

private:
    void connectPointerAndPin();
    void connectFullscreen();
    void connectPresentation();
    void connectHotKeys();

    Parts m_parts;
    Steps m_steps;
    struct Save
    {
        QString what;
        std::function<bool()> save;
    };

    // What could not be saved, in order.
    QStringList saveAll() const;

    std::vector<Save> m_saveBeforeQuit;
    std::vector<std::function<void()>> m_shutdownSteps;
    std::unique_ptr<ScheduledCall> m_onboarding;
    bool m_openOrPinned = false;
    bool m_launched = false;
    bool m_shutDown = false;
};
