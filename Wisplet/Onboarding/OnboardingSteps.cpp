#include "Wisplet/Onboarding/OnboardingSteps.h"

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/FileDropTarget.h"
#include "Wisplet/Tools/Focus/FocusEngine.h"

#include <algorithm>

OnboardingSteps::OnboardingSteps(const Services& services, std::function<void()> finish, QObject* parent)
    : QObject(parent)
    , m_services(services)
    , m_finish(std::move(finish))
{ }

bool OnboardingSteps::canStartPracticeTimer() const
{
    return m_triedTimer || m_services.focus.phase() == FocusPhase::idle;
}

void OnboardingSteps::advanceStep()
{
    if (m_step == lastStep) {
        if (m_finish)
            m_finish();
        return;
    }
    ++m_step;
    emit stepChanged(m_step);
    emit changed();
    if (m_step == lastStep) {
        m_services.settings.setOnboarded(true);
        if (m_services.startTools)
            m_services.startTools();
    }
}

void OnboardingSteps::goBack()
{
    if (m_step == 0)
        return;
    --m_step;
    emit stepChanged(m_step);
    emit changed();
}

void OnboardingSteps::cyclePreviewMood()
{
    const auto found = std::find(moodCycle.begin(), moodCycle.end(), m_previewMood);
    const std::size_t index = found == moodCycle.end() ? 0 : std::size_t(found - moodCycle.begin());
    m_previewMood = moodCycle[(index + 1) % moodCycle.size()];
    emit previewMoodChanged(m_previewMood);
    emit changed();
}

void OnboardingSteps::previewTick()
{
    if (!m_services.wisp.reducesMotion())
        cyclePreviewMood();
}

void OnboardingSteps::openPanel()
{
    const QList<ToolID> favourites = m_services.registry.favourites();
    m_services.registry.open(favourites.isEmpty() ? ToolID::focus : favourites.first());
    setFlag(m_openedPanel, true);
}

void OnboardingSteps::startPracticeTimer()
{
    m_services.registry.open(ToolID::focus);
    FocusEngine& focus = m_services.focus;
    if (focus.phase() != FocusPhase::idle)
        return;
    focus.startCustom(practiceSeconds);
    m_practiceEnd = focus.endDate();
    setFlag(m_triedTimer, true);
}

void OnboardingSteps::stopPracticeTimer()
{
    FocusEngine& focus = m_services.focus;
    // Only the countdown started here: once it ran out or was replaced, the running phase is the user's own.
    if (m_practiceEnd && focus.phase() == FocusPhase::countdown && focus.endDate() == m_practiceEnd)
        focus.reset();
    m_practiceEnd.reset();
    setFlag(m_triedTimer, false);
}

bool OnboardingSteps::dropFiles(const QList<QUrl>& files)
{
    if (files.isEmpty() || !m_services.shelf.handleDrop(files))
        return false;
    m_services.registry.open(ToolID::files);
    setFlag(m_droppedFile, true);
    return true;
}

void OnboardingSteps::setFlag(bool& flag, bool value)
{
    if (flag == value)
        return;
    flag = value;
    emit changed();
}
