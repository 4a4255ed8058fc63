#pragma once

#include "Wisplet/Base/Mood.h"
#include "Wisplet/Companion/WispFaceView.h"

#include <QAbstractButton>
#include <QWidget>

#include <memory>
#include <vector>

class AppSettings;
class MotionSetting;
class QComboBox;
class QCheckBox;
class ScheduledCall;
class Scheduler;
class WispState;

// One mood of the studio's grid: a live face and the mood's name on a dark card. Clicking it plays the
// mood on the companion.
class MoodTile final : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MoodTile)

public:
    static constexpr int contentHeight = 128;
    static constexpr double eyeHeight = 38;

    explicit MoodTile(Mood mood, QWidget* parent = nullptr);

    Mood mood() const { return m_mood; }
    WispFaceView& face() const { return *m_face; }
    void setFaceInputs(const WispFaceView::Inputs& inputs);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeContent();

    Mood m_mood;
    WispFaceView* m_face;
    QWidget* m_caption;
};

// The "Wisp Expressions" window: all twelve moods as live faces, the look and reduce-motion choices, a
// blink for every face at once, and a tap that tries a mood on the companion itself.
class ExpressionStudio final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExpressionStudio)

public:
    static constexpr int contentWidth = 740;
    static constexpr int blinkMs = 100;

    ExpressionStudio(AppSettings& settings, WispState& state, MotionSetting& motion, Scheduler& scheduler,
                     QWidget* parent = nullptr);
    explicit ExpressionStudio(QWidget* parent = nullptr);
    ~ExpressionStudio() override;

    // The mood's name as the studio shows it: "happy" reads Happy.
    static QString displayName(Mood mood);

    const std::vector<MoodTile*>& tiles() const { return m_tiles; }
    bool isBlinking() const { return m_blink; }
    void blink();

private:
    void buildHeader(QLayout& column);
    void buildGrid(QLayout& column);
    void buildFooter(QLayout& column);
    void refreshFaces();

    AppSettings& m_settings;
    WispState& m_state;
    MotionSetting& m_motion;
    Scheduler& m_scheduler;
    std::vector<MoodTile*> m_tiles;
    QComboBox* m_look = nullptr;
    QCheckBox* m_reduceMotion = nullptr;
    bool m_blink = false;
    std::unique_ptr<ScheduledCall> m_blinkReset;
};
