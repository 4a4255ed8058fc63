#pragma once

#include "Wisplet/Onboarding/OnboardingSteps.h"

#include <QWidget>

#include <functional>
#include <vector>

class AnimatedValue;
class AnimationClock;
class PillButton;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QGraphicsOpacityEffect;
class QLabel;
class QScrollArea;
class QStackedWidget;
class QTimer;
class WispFaceView;

// The welcome window's content, 480 × 560 where the screen has room: Wisp's face cycling through a few
// moods, the current step, and the step dots with "Back" and "Next" ("Done" on the last step). Return presses "Next" or
// "Done" from anywhere in it. Controls show the stores' values and write only on the user's own choice.
class OnboardingView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OnboardingView)

public:
    static constexpr int fixedWidth = 480;
    static constexpr int fixedHeight = 560;
    static constexpr int previewIntervalMs = 2'500;
    static constexpr double faceEyeHeight = 44;

    OnboardingView(const OnboardingSteps::Services& services, AnimationClock& animation, std::function<void()> finish,
                   QWidget* parent = nullptr);
    ~OnboardingView() override;

    OnboardingSteps& steps() { return m_steps; }
    const WispFaceView& face() const { return *m_face; }
    bool isPreviewTimerActive() const;
    QWidget* currentPage() const;
    // The drop zone of the try-out step.
    QWidget* dropZone() const { return m_dropZone; }
    // What scrolls on a short screen: the face and the step, not the buttons.
    QScrollArea* scrollArea() const { return m_scroll; }
    PillButton* nextButton() const { return m_next; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* buildPreview();
    QWidget* buildBottomBar();
    QWidget* buildMeetStep();
    QWidget* buildLookStep();
    QWidget* buildToolsStep();
    QWidget* buildTryStep();
    QButtonGroup* addPicker(QLayout& column, const QString& label, const QStringList& options);

    void refreshFace();
    void refreshLook();
    void refreshTools();
    void refreshTryOut();
    void refreshBar();
    void showStep(int step);

    OnboardingSteps m_steps;
    AppSettings& m_settings;
    ToolRegistry& m_registry;
    QTimer* m_previewTimer;
    AnimatedValue* m_fade;
    QGraphicsOpacityEffect* m_fadeEffect = nullptr;

    WispFaceView* m_face = nullptr;
    QStackedWidget* m_pages = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_dots = nullptr;
    PillButton* m_back = nullptr;
    PillButton* m_next = nullptr;

    QButtonGroup* m_sizes = nullptr;
    QButtonGroup* m_skins = nullptr;
    std::vector<QAbstractButton*> m_swatches;
    std::vector<QCheckBox*> m_tools;
    QCheckBox* m_launchAtLogin = nullptr;

    PillButton* m_openPanel = nullptr;
    PillButton* m_practice = nullptr;
    PillButton* m_stopPractice = nullptr;
    QWidget* m_dropZone = nullptr;
    QLabel* m_dropIcon = nullptr;
    QLabel* m_dropText = nullptr;
};
