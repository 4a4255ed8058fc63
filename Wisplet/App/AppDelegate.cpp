#include "Wisplet/App/AppDelegate.h"

#include "Wisplet/App/PanelControl.h"
#include "Wisplet/Base/AppEvents.h"
#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/ProblemReport.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Platform/Scheduler.h"
#include "Wisplet/Platform/ScreenChanges.h"

namespace {

void run(const std::function<void()>& step)
{
    if (step)
        step();
}

} // namespace

AppDelegate::AppDelegate(const Parts& parts, Steps steps, QObject* parent)
    : QObject(parent)
    , m_parts(parts)
    , m_steps(std::move(steps))
{ }

AppDelegate::~AppDelegate() = default;

void AppDelegate::launch()
{
    if (m_launched)
        return;
    m_launched = true;
    PanelControl& panel = m_parts.panel;

    // The panel was made by the caller; it comes forward without taking the focus.
    panel.orderFront();
    connect(&m_parts.screens, &ScreenChanges::changed, this, [&panel] { panel.reposition(); });
    connect(&m_parts.events, &AppEvents::screenChanged, this, [&panel] { panel.reposition(); });

    m_parts.wisp.start();
    run(m_steps.startIdleMonitor);

    connect(&m_parts.events, &AppEvents::openTool, this, [this, &panel] {
        if (!m_parts.wisp.isHiddenForFullscreen())
            panel.openForTool();
    });
    run(m_steps.startServices);
    if (m_parts.installedBuild)
        run(m_steps.installNotificationHandler);
    run(m_steps.createUpdater);
    m_onboarding = m_parts.scheduler.callAfter(std::chrono::milliseconds(onboardingDelayMs),
                                               [this] { run(m_steps.showOnboardingIfNeeded); });

    connectPointerAndPin();
    connectFullscreen();
    connect(&m_parts.events, &AppEvents::releaseFocus, this, [&panel] { panel.releaseFocus(); });
    connectPresentation();
    connectHotKeys();
}

void AppDelegate::comeForward()
{
    // Turning it off when already off would still announce a change, which collapses the companion.
    if (m_parts.settings.presentationMode())
        m_parts.settings.setPresentationMode(false);
    m_parts.wisp.setPinnedOpen(true);
    if (!m_parts.wisp.isHiddenForFullscreen())
        m_parts.panel.openForTool();
}

void AppDelegate::connectPointerAndPin()
{
    // Whenever Wisp is neither hovered nor pinned, the panel gives the focus back; repeated falses are
    // dropped. The current value counts at once, so this runs once during launch.
    m_openOrPinned = true;
    const auto update = [this] {
        const bool openOrPinned = m_parts.wisp.isHovering() || m_parts.wisp.isPinnedOpen();
        if (openOrPinned == m_openOrPinned)
            return;
        m_openOrPinned = openOrPinned;
        if (!openOrPinned)
            m_parts.panel.releaseFocus();
    };
    connect(&m_parts.wisp, &WispState::isHoveringChanged, this, update);
    connect(&m_parts.wisp, &WispState::isPinnedOpenChanged, this, update);
    update();
}

void AppDelegate::connectFullscreen()
{
    if (!m_steps.startFullscreenMonitor)
        return;
    m_steps.startFullscreenMonitor([this](bool fullscreen) {
        m_parts.wisp.setHiddenForFullscreen(fullscreen);
        if (!fullscreen && !m_parts.settings.presentationMode())
            m_parts.panel.orderFront();
        else
            m_parts.panel.orderOut();
    });
}

void AppDelegate::connectPresentation()
{
    // Only later changes count: presentation mode is always off at launch.
    connect(&m_parts.settings, &AppSettings::presentationModeChanged, this, [this](bool presenting) {
        m_parts.wisp.collapse();
        if (presenting)
            m_parts.panel.orderOut();
        else if (!m_parts.wisp.isHiddenForFullscreen())
            m_parts.panel.orderFront();
    });
}

void AppDelegate::connectHotKeys()
{
    if (!m_steps.registerHotKeys)
        return;
    // Every assignment of either setting registers the keys anew, also of an equal value.
    const auto registerKeys = [this] {
        m_steps.registerHotKeys(m_parts.settings.hotkeyEnabled(), m_parts.settings.shortcutKey());
    };
    connect(&m_parts.settings, &AppSettings::hotkeyEnabledChanged, this, registerKeys);
    connect(&m_parts.settings, &AppSettings::shortcutKeyChanged, this, registerKeys);
    registerKeys();
}

QString AppDelegate::notesName()
{
    return QStringLiteral("your note");
}

AppDelegate::UnsavedQuestion AppDelegate::unsavedQuestion(const QStringList& unsaved)
{
    if (unsaved == QStringList{notesName()})
        return {QStringLiteral("Your note could not be saved"),
                QStringLiteral("Keep Wisplet open to copy your text or retry saving.")};
    QString named = unsaved.value(0);
    for (qsizetype i = 1; i < unsaved.size(); ++i)
        named += (i + 1 < unsaved.size() ? QStringLiteral(", ") : QStringLiteral(" and ")) + unsaved[i];
    return {QStringLiteral("Your changes could not be saved"),
            QStringLiteral("Wisplet could not save %1. Keep Wisplet open to retry saving.").arg(named)};
}

void AppDelegate::addSaveBeforeQuit(const QString& what, std::function<bool()> save)
{
    m_saveBeforeQuit.push_back({what, std::move(save)});
}

QStringList AppDelegate::saveAll() const
{
    QStringList unsaved;
    for (const Save& save : m_saveBeforeQuit) {
        if (!save.save())
            unsaved.append(save.what);
    }
    return unsaved;
}

void AppDelegate::addWaitAtQuit(std::function<void(QDeadlineTimer)> wait)
{
    m_waitsAtQuit.push_back(std::move(wait));
}

void AppDelegate::waitAll(QDeadlineTimer deadline) const
{
    for (const auto& wait : m_waitsAtQuit)
        wait(deadline);
}

bool AppDelegate::shouldQuit(const std::function<bool(const QStringList&)>& userAgreesToQuitWithoutSaving)
{
    // A write still under way is not yet a failure to ask about.
    waitAll(QDeadlineTimer(questionWaitMs, Qt::PreciseTimer));
    const QStringList unsaved = saveAll();
    return unsaved.isEmpty() || userAgreesToQuitWithoutSaving(unsaved);
}

void AppDelegate::addShutdownStep(std::function<void()> step)
{
    m_shutdownSteps.push_back(std::move(step));
}

void AppDelegate::shutDown(QDeadlineTimer deadline)
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_onboarding.reset();
    m_parts.wisp.stop();
    run(m_steps.stopIdleMonitor);
    run(m_steps.stopFullscreenMonitor);
    for (const auto& step : m_shutdownSteps)
        step();
    // Everything is on the disk before anything is waited for, so that a wait the deadline cuts short (or
    // the watchdog's end, if the main thread is held) loses at most what that wait was for.
    saveAll();
    if (m_steps.stopAllServices)
        m_steps.stopAllServices(deadline);
    waitAll(deadline);
    // What the waits brought is saved too (a copy taken at the last look, a reminder written or kept). Nobody
    // can be asked any more (a signal, the session's end, or the user chose to quit): the journal hears what
    // is lost.
    if (const QStringList unsaved = saveAll(); !unsaved.isEmpty())
        reportProblem(QStringLiteral("Wisplet: quit without saving %1.").arg(unsaved.join(QStringLiteral(", "))));
}
