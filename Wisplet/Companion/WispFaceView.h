#pragma once

#include "Wisplet/Base/Animation.h"
#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Companion/FaceGeometry.h"

#include <QColor>
#include <QSizeF>
#include <QWidget>

#include <functional>

class CompanionSpriteView;

// Wisp's face wherever it is shown. The widget is as large as anything the face can draw at its eye
// height (decorations, a wide mouth, a parent's bounce), with the face's layout frame centred in it;
// parents place it by that frame. It is still between changes: only the shared animation clock ticks, and
// only while something moves.
class WispFaceView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WispFaceView)

public:
    struct Inputs
    {
        double eyeHeight = 38;
        Mood mood = Mood::happy;
        bool blinking = false;
        QSizeF look{0, 0};
        Skin skin = Skin::classic;
        QColor tint = Qt::white;
        bool motionReduced = false; // the user's setting or the desktop's, resolved by the caller

        bool operator==(const Inputs& other) const = default;
    };

    static constexpr Spring styleSpring{0.42, 0.76};
    static constexpr Spring lookSpring{0.28, 0.82};
    static constexpr double blinkClosingSeconds = 0.065;
    static constexpr double blinkOpeningSeconds = 0.16;

    // Builds the sprite face the companion skin shows, as a child of the given face.
    using SpriteFaceMaker = std::function<CompanionSpriteView*(QWidget* parent)>;

    // With the program's shared clock, atlas and scheduler.
    explicit WispFaceView(QWidget* parent = nullptr);
    WispFaceView(AnimationClock& clock, SpriteFaceMaker makeSpriteFace, QWidget* parent = nullptr);

    const Inputs& inputs() const { return m_inputs; }
    void setInputs(const Inputs& inputs);

    // The face's frame: the vector face's layout frame, or the sprite face's box.
    QSizeF layoutSize() const;
    // Where the layout frame's top-left corner lies in the widget.
    QPointF layoutOffset() const;
    // Where the face draws at rest in its mood, at any look, in the widget: the layout frame widened on the
    // side of its decoration.
    QRectF restingFrame() const;
    QSize sizeHint() const override;

    // The vector face as it is drawn at this moment, mid-animation included.
    FaceGeometry currentGeometry() const;
    bool isDecorationAnimating() const { return m_loop->isAnimating(); }
    double decorationPhase() const { return m_loop->phase(); }

    // Where the face can be pressed: assistive technology then sees a button whose press runs this.
    void setPressAction(std::function<void()> press) { m_press = std::move(press); }
    const std::function<void()>& pressAction() const { return m_press; }

    // Paints a face centred on the painter's origin.
    static void paintFace(QPainter& painter, const FaceGeometry& face, const QColor& tint, double decorationPhase);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool drawsSprite() const;
    void feedSpriteFace();
    void setVisibleSteps();
    void retarget(const Inputs& previous, bool first);
    void updateSize();
    void syncDecoration();
    void settle();
    QRect decorationRect() const;

    SpriteFaceMaker m_makeSpriteFace;
    std::function<void()> m_press;
    CompanionSpriteView* m_spriteFace = nullptr; // owned as a child while the companion skin shows
    Inputs m_inputs;
    bool m_hasInputs = false;
    bool m_onScreen = false;
    FaceExtra m_decoration = FaceExtra::none;
    AnimatedValue* m_style;
    AnimatedValue* m_gaze;
    AnimatedValue* m_closed;
    LoopAnimation* m_loop;
};
