#pragma once

#include "Wisplet/Base/Animation.h"
#include "Wisplet/Base/Mood.h"

#include <QCache>
#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QSizeF>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class CompanionSprites;
class ScheduledCall;
class Scheduler;

// The sprite skin's face: one atlas frame filled with the tint, in a 2 : 1 box sized to the eye height and
// nudged towards where Wisp looks. Blinks and mood changes play short frame sequences through the
// scheduler; at rest nothing is pending and only a moving look ticks the shared animation clock. The
// widget is larger than the box by the largest look offset, so the face is never clipped.
class CompanionSpriteView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CompanionSpriteView)

public:
    struct Inputs
    {
        double eyeHeight = 38;
        Mood mood = Mood::happy;
        bool blinking = false;
        QSizeF look{0, 0}; // x −1 (left) … 1 (right), y negative upwards (a default QSizeF is −1 × −1)
        QColor tint = Qt::white;
        bool motionReduced = false;

        bool operator==(const Inputs& other) const = default;
    };

    static constexpr Spring offsetSpring{0.3, 0.85};
    static constexpr double boxWidthPerEyeHeight = 2.55;
    static constexpr double boxHeightPerEyeHeight = 1.275;

    explicit CompanionSpriteView(QWidget* parent = nullptr);
    // The atlas, scheduler and clock must outlive the view.
    CompanionSpriteView(const CompanionSprites& sprites, Scheduler& scheduler, AnimationClock& clock,
                        QWidget* parent = nullptr);
    ~CompanionSpriteView() override;

    const Inputs& inputs() const { return m_inputs; }
    // The first inputs show their mood at rest at once; later ones play a sequence when the mood, the blink
    // or reduced motion changes.
    void setInputs(const Inputs& inputs);

    // The atlas frame on screen: the row's mood and the column.
    Mood shownMood() const { return m_displayedMood.value_or(m_inputs.mood); }
    int shownColumn() const { return m_column; }

    static QSizeF boxSize(double eyeHeight);
    // The look's shift of the box at this moment, mid-spring included.
    QPointF offset() const;
    // Where the box is now, in widget coordinates, and where its frame is drawn: on whole device pixels.
    QRectF boxRect() const;
    QRectF frameRect() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // One frame of a sequence: show it, then wait holdMs before the next (0 ends the sequence).
    struct Step
    {
        Mood mood;
        int column;
        int holdMs;
    };

    struct TintKey
    {
        int frame; // row × columns + column
        QRgb tint;
        QSize deviceSize;

        bool operator==(const TintKey& other) const = default;
        friend size_t qHash(const TintKey& key, size_t seed = 0)
        {
            return qHashMulti(seed, key.frame, key.tint, key.deviceSize.width(), key.deviceSize.height());
        }
    };

    static std::vector<Step> sequence(Mood mood, bool blinking, Mood displayed, int column);
    void startSequence();
    void playSteps();
    void showFrame(Mood mood, int column);
    void retargetOffset(bool animate);
    QRectF frameRectAt(QPointF offset) const;
    void updateFrame();
    std::optional<QPixmap> tintedFrame(Mood mood, int column, QSize deviceSize);
    void paintFallback(QPainter& painter, const QRectF& box);

    const CompanionSprites& m_sprites;
    Scheduler& m_scheduler;
    Inputs m_inputs;
    bool m_hasInputs = false;
    std::optional<Mood> m_displayedMood;
    int m_column = 0;
    std::vector<Step> m_steps;
    std::size_t m_nextStep = 0;
    std::unique_ptr<ScheduledCall> m_stepCall;
    bool m_resumeOnShow = false;
    AnimatedValue* m_offset;
    QRectF m_paintedFrame;
    QCache<TintKey, QPixmap> m_tinted;
};
