#pragma once

#include "Wisplet/Companion/WispFaceView.h"

#include <QWidget>

#include <functional>
#include <vector>

class AnimationClock;
class AppSettings;
class MotionSetting;
class QCheckBox;
class QComboBox;
class SettingsForm;
class Stepper;
class WispState;

// The settings window's page for Wisp itself: its look with a row of preview faces, the mood it rests in,
// its eyes and bubbles, which events it reacts to, and what it does while the user is away. Every control
// shows its store's current value, follows changes made elsewhere, and writes only on the user's own edit.
class WispSettingsView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WispSettingsView)

public:
    static constexpr double previewEyeHeight = 16;
    static constexpr int previewCount = 5;

    // What the preview faces are drawn with.
    struct Services
    {
        MotionSetting& motion;
        AnimationClock& animation;
        WispFaceView::SpriteFaceMaker makeSpriteFace;
    };

    // openStudio shows the one expression studio window (bringing it forward when it is open).
    WispSettingsView(AppSettings& settings, WispState& wisp, std::function<void()> openStudio, const Services& services,
                     QWidget* parent = nullptr);
    ~WispSettingsView() override;

    const std::vector<WispFaceView*>& previewFaces() const { return m_faces; }

private:
    class PreviewRow;

    void buildLook(SettingsForm& form, const Services& services);
    void buildReactions(SettingsForm& form);
    void buildAway(SettingsForm& form);

    void refresh();
    void refreshFaces();

    AppSettings& m_settings;
    WispState& m_wisp;
    MotionSetting& m_motion;
    std::function<void()> m_openStudio;

    QComboBox* m_faceSize = nullptr;
    QComboBox* m_skin = nullptr;
    QComboBox* m_accent = nullptr;
    QComboBox* m_mood = nullptr;
    QCheckBox* m_eyeTracking = nullptr;
    QCheckBox* m_bubbles = nullptr;
    std::vector<QCheckBox*> m_reactions; // in the order of AppSettings::reactionGroupNames()
    QCheckBox* m_idle = nullptr;
    Stepper* m_yawn = nullptr;
    Stepper* m_sleep = nullptr;
    PreviewRow* m_preview = nullptr;
    std::vector<WispFaceView*> m_faces;
};
