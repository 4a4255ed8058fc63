#pragma once

#include "Wisplet/Onboarding/OnboardingSteps.h"

#include <QPointer>
#include <QWidget>

class AnimationClock;
class OnboardingView;
class QScreen;

// "Welcome to Wisplet": the first-run window around the welcome tour. Closing it only hides it, so the tour
// goes on where it was left; "Done" records onboarding, lets the window go and makes Wisp cheer, and the
// next opening starts over. Escape closes it.
class OnboardingWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OnboardingWindow)

public:
    struct Services
    {
        OnboardingSteps::Services tour;
        AnimationClock& animation;
    };

    explicit OnboardingWindow(const Services& services, QWidget* parent = nullptr);
    ~OnboardingWindow() override;

    // The program's one welcome window, kept in `window`: brought forward and activated when it exists,
    // shown or closed, else built and centred on the screen. Returns it.
    static OnboardingWindow* open(QPointer<OnboardingWindow>& window, const Services& services, QScreen* screen);
    // The same, only while onboarding is not done.
    static void openIfNeeded(QPointer<OnboardingWindow>& window, const Services& services, QScreen* screen);

    OnboardingView& view() { return *m_view; }
    // "Done" was pressed: the window is on its way out and is not shown again.
    bool isFinished() const { return m_finished; }
    void finish();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    AppSettings& m_settings;
    WispState& m_wisp;
    OnboardingView* m_view;
    bool m_finished = false;
};
