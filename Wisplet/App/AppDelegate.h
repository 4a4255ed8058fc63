#pragma once

#include <QDeadlineTimer>
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
    // What the user's quit gives the work under way before it says what could not be saved.
    static constexpr int questionWaitMs = 1'000;

    struct Steps
    {
        std::function<void()> startIdleMonitor;
        std::function<void()> stopIdleMonitor;
        // Starts the full-screen monitor with the handler for its changes.
        std::function<void(std::function<void(bool)> onChange)> startFullscreenMonitor;
        std::function<void()> stopFullscreenMonitor;
        std::function<void()> startServices;
        // For good, at quit: what a tool still waits for gets until the quit's deadline.
        std::function<void(QDeadlineTimer deadline)> stopAllServices;
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
    // ("your links"): saved when the user quits, and at shutdown both before and after its waits. Each
    // answers whether it succeeded, without waiting for anything.
    void addSaveBeforeQuit(const QString& what, std::function<bool()> save);
    // Work under way that quitting lets finish until a deadline and no longer (a reminder's write, an image
    // copy); what it leaves undone must already be recorded somewhere the saves take to the disk.
    void addWaitAtQuit(std::function<void(QDeadlineTimer deadline)> wait);
    // Asked when the user quits: the work under way gets questionWaitMs, every store saves, and true when
    // nothing is left unsaved or the user chose to quit anyway. The question itself comes from the caller (a
    // message box in the program), given what could not be saved.
    bool shouldQuit(const std::function<bool(const QStringList& unsaved)>& userAgreesToQuitWithoutSaving);
    // The orderly shutdown, run once whatever ended the program (the menu, a signal, the session): the
    // shutdown steps and every save first, then the tools' and the other waits, all until the one deadline,
    // then the saves again; what could still not be saved is said on standard error.
    void shutDown(QDeadlineTimer deadline);
    // Work that must happen at shutdown before anything is saved, in order (the focus session).
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
    void waitAll(QDeadlineTimer deadline) const;

    std::vector<Save> m_saveBeforeQuit;
    std::vector<std::function<void(QDeadlineTimer)>> m_waitsAtQuit;
    std::vector<std::function<void()>> m_shutdownSteps;
    std::unique_ptr<ScheduledCall> m_onboarding;
    bool m_openOrPinned = false;
    bool m_launched = false;
    bool m_shutDown = false;
};
