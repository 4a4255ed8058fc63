#pragma once

#include "Wisplet/Base/Mood.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QUrl>

#include <array>
#include <functional>
#include <optional>

class AppSettings;
class FileDropTarget;
class FocusEngine;
class ToolRegistry;
class WispState;

// What the welcome window walks through: meeting Wisp, its look, the tools, and a try-out of the real
// panel. It keeps only the tour's own state (the step, the preview's mood, what was tried); every choice
// goes straight to the stores, which save it. Reaching the last step counts as onboarded and starts the
// tools at once, so the try-out works with running tools. Main thread only.
class OnboardingSteps final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OnboardingSteps)

public:
    static constexpr int stepCount = 4;
    static constexpr int lastStep = stepCount - 1;
    static constexpr double practiceSeconds = 60;
    static constexpr std::array moodCycle{Mood::happy, Mood::surprised, Mood::proud, Mood::focused, Mood::sleepy};

    struct Services
    {
        AppSettings& settings;
        ToolRegistry& registry;
        WispState& wisp;
        FocusEngine& focus;
        FileDropTarget& shelf;
        // Runs the enabled tools' background work now; the program's coordinator would otherwise only
        // notice the onboarded setting on a later pass of the event loop.
        std::function<void()> startTools;
    };

    // finish is called by "Done" on the last step.
    OnboardingSteps(const Services& services, std::function<void()> finish, QObject* parent = nullptr);

    int step() const { return m_step; }
    Mood previewMood() const { return m_previewMood; }
    bool triedTimer() const { return m_triedTimer; }
    bool droppedFile() const { return m_droppedFile; }
    bool openedPanel() const { return m_openedPanel; }
    // False while a timer the user started elsewhere runs; the practice timer started here does not count.
    bool canStartPracticeTimer() const;

    void advanceStep();
    void goBack();
    void cyclePreviewMood();
    // The preview timer's tick: the mood moves on unless motion is reduced.
    void previewTick();
    void openPanel();
    void startPracticeTimer();
    void stopPracticeTimer();
    // Files dropped on the try-out: whether the shelf took any.
    bool dropFiles(const QList<QUrl>& files);

    const Services& services() const { return m_services; }

signals:
    void stepChanged(int step);
    void previewMoodChanged(Mood mood);
    // Any of the above, or one of the three flags.
    void changed();

private:
    void setFlag(bool& flag, bool value);

    Services m_services;
    std::function<void()> m_finish;
    int m_step = 0;
    Mood m_previewMood = Mood::happy;
    bool m_triedTimer = false;
    bool m_droppedFile = false;
    bool m_openedPanel = false;
    // The end of the countdown this tour started; a later session of the user's is never stopped from here.
    std::optional<QDateTime> m_practiceEnd;
};
