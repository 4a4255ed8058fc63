#include "Wisplet/Companion/WispFaceView.h"

#include "Wisplet/Base/RawValue.h"
#include "Wisplet/Companion/CompanionSpriteView.h"
#include "Wisplet/Companion/FaceDecorations.h"

#include <QAccessibleWidget>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// The face is one element for assistive technology, whatever it is drawn with; a face that can be
// pressed is a button.
class FaceAccessible final : public QAccessibleWidget
{
public:
    explicit FaceAccessible(WispFaceView* face)
        : QAccessibleWidget(face, QAccessible::Graphic)
        , m_face(face)
    { }

    // Asked each time: the interface may be made before the press action is given.
    QAccessible::Role role() const override
    {
        return m_face->pressAction() ? QAccessible::Button : QAccessible::Graphic;
    }

    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QStringList actionNames() const override
    {
        return m_face->pressAction() ? QStringList{pressAction()} : QStringList{};
    }
    void doAction(const QString& name) override
    {
        if (name == pressAction() && m_face->pressAction())
            m_face->pressAction()();
    }

private:
    WispFaceView* m_face;
};

QAccessibleInterface* faceAccessibleFactory(const QString&, QObject* object)
{
    if (auto* face = qobject_cast<WispFaceView*>(object))
        return new FaceAccessible(face);
    return nullptr;
}

void installAccessibleFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(faceAccessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

QString accessibleNameOf(Mood mood)
{
    return WispFaceView::tr("Wisp, %1").arg(capitalised(rawValue(mood)));
}

// The pose split into what animates together: the style's values, the eye shift, the blink.
QList<double> styleValues(const FacePose& pose)
{
    return {pose.eyeScaleX,      pose.eyeScaleY,         pose.leftEyeScaleY,     pose.eyeTilt,
            pose.mouthCurvature, pose.mouthSize.width(), pose.mouthSize.height()};
}

QList<double> gazeValues(const FacePose& pose)
{
    return {pose.gaze.x(), pose.gaze.y()};
}

FacePose poseOf(const QList<double>& style, const QList<double>& gaze, const QList<double>& closed)
{
    FacePose pose;
    pose.eyeScaleX = style.at(0);
    pose.eyeScaleY = style.at(1);
    pose.leftEyeScaleY = style.at(2);
    pose.eyeTilt = style.at(3);
    pose.mouthCurvature = style.at(4);
    pose.mouthSize = QSizeF(style.at(5), style.at(6));
    pose.gaze = QPointF(gaze.at(0), gaze.at(1));
    pose.closed = closed.at(0);
    return pose;
}

double usableEyeHeight(double eyeHeight)
{
    return std::isfinite(eyeHeight) && eyeHeight > 0 ? eyeHeight : 0;
}

} // namespace

WispFaceView::WispFaceView(QWidget* parent)
    : WispFaceView(
        AnimationClock::shared(), [](QWidget* face) { return new CompanionSpriteView(face); }, parent)
{ }

WispFaceView::WispFaceView(AnimationClock& clock, SpriteFaceMaker makeSpriteFace, QWidget* parent)
    : QWidget(parent)
    , m_makeSpriteFace(std::move(makeSpriteFace))
    , m_style(new AnimatedValue(clock, styleValues(FacePose()), this))
    , m_gaze(new AnimatedValue(clock, gazeValues(FacePose()), this))
    , m_closed(new AnimatedValue(clock, {0.0}, this))
    , m_loop(new LoopAnimation(clock, this))
{
    installAccessibleFactory();
    for (AnimatedValue* value : {m_style, m_gaze, m_closed})
        connect(value, &AnimatedValue::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_loop, &LoopAnimation::phaseChanged, this, [this] { update(decorationRect()); });
    setInputs(Inputs());
    m_hasInputs = false; // the caller's first inputs show at once too
}

void WispFaceView::setInputs(const Inputs& inputs)
{
    Inputs next = inputs;
    next.eyeHeight = usableEyeHeight(next.eyeHeight);
    if (m_hasInputs && next == m_inputs)
        return;
    const bool first = !m_hasInputs;
    const Inputs previous = std::exchange(m_inputs, next);
    m_hasInputs = true;

    if (first || previous.mood != next.mood)
        setAccessibleName(accessibleNameOf(next.mood));
    if (first || previous.eyeHeight != next.eyeHeight)
        setVisibleSteps();
    retarget(previous, first);
    feedSpriteFace();
    if (first || previous.eyeHeight != next.eyeHeight || previous.skin != next.skin)
        updateSize();
    syncDecoration();
    // The pose redraws through its animated values and the sprite face draws itself: only what neither
    // covers repaints here.
    const bool drawn = previous.mood != next.mood || previous.tint != next.tint || previous.eyeHeight != next.eyeHeight;
    if (first || previous.skin != next.skin || (drawn && !drawsSprite()))
        update();
}

// The pose's numbers are all in eye heights, tilt aside; a change under a sixteenth of a device pixel
// draws nothing new, so the animations sleep through it.
void WispFaceView::setVisibleSteps()
{
    const double h = std::max(m_inputs.eyeHeight, 1.0) * devicePixelRatioF();
    const double step = 1 / (16 * h);
    const double tiltStep = step * 2 * 180 / std::numbers::pi; // degrees that turn an eye's edge that far
    m_style->setSameOnScreen(AnimatedValue::withinSteps({step, step, step, tiltStep, step, step, step}));
    m_gaze->setSameOnScreen(AnimatedValue::withinSteps({step, step}));
    m_closed->setSameOnScreen(AnimatedValue::withinSteps({step}));
}

void WispFaceView::retarget(const Inputs& previous, bool first)
{
    const MoodStyle style = styleOf(m_inputs.mood);
    const FacePose target =
        FacePose::of(m_inputs.skin, style, m_inputs.blinking, m_inputs.look, m_inputs.motionReduced);
    // A hidden face, or one the sprite face stands in for, has nobody to animate for.
    const bool animate = !first && m_onScreen && !m_inputs.motionReduced && !drawsSprite();
    const bool styleChanged = styleOf(previous.mood) != style;
    if (m_inputs.motionReduced && !previous.motionReduced)
        settle(); // what is still moving stops where it was going

    if (m_inputs.blinking != previous.blinking && animate) {
        m_closed->easeTo({target.closed}, m_inputs.blinking ? blinkClosingSeconds : blinkOpeningSeconds,
                         Easing::easeInOut);
    } else if (m_closed->target() != QList<double>{target.closed}) {
        m_closed->jumpTo({target.closed});
    }

    // A change of skin only rescales the mouth; it is not a change of expression.
    const QList<double> styleTarget = styleValues(target);
    if (styleChanged && animate)
        m_style->springTo(styleTarget, styleSpring);
    else if (m_style->target() != styleTarget)
        m_style->jumpTo(styleTarget);

    // The eyes' shift moves with whichever input moved it: a new mood's gaze or the look.
    const QList<double> gazeTarget = gazeValues(target);
    if (m_gaze->target() == gazeTarget)
        return;
    if (styleChanged && animate)
        m_gaze->springTo(gazeTarget, styleSpring);
    else if (m_inputs.look != previous.look && animate)
        m_gaze->springTo(gazeTarget, lookSpring);
    else
        m_gaze->jumpTo(gazeTarget);
}

void WispFaceView::updateSize()
{
    if (m_spriteFace) {
        setFixedSize(m_spriteFace->size());
    } else {
        const QRectF bounds = FaceGeometry::paintBounds(m_inputs.eyeHeight, m_inputs.skin);
        setFixedSize(int(std::ceil(bounds.width())), int(std::ceil(bounds.height())));
    }
    updateGeometry();
}

QSizeF WispFaceView::layoutSize() const
{
    if (drawsSprite())
        return CompanionSpriteView::boxSize(m_inputs.eyeHeight);
    return FaceGeometry::layoutSizeFor(m_inputs.eyeHeight, m_inputs.skin);
}

QPointF WispFaceView::layoutOffset() const
{
    const QSizeF layout = layoutSize();
    return {(width() - layout.width()) / 2, (height() - layout.height()) / 2};
}

QRectF WispFaceView::restingFrame() const
{
    if (drawsSprite())
        return {layoutOffset(), layoutSize()};
    return FaceGeometry::restingBounds(m_inputs.eyeHeight, m_inputs.skin, m_inputs.mood).translated(QRectF(rect()).center());
}

QSize WispFaceView::sizeHint() const
{
    return size();
}

FaceGeometry WispFaceView::currentGeometry() const
{
    const MoodStyle style = styleOf(m_inputs.mood);
    return FaceGeometry::of(m_inputs.eyeHeight, m_inputs.skin,
                            poseOf(m_style->value(), m_gaze->value(), m_closed->value()), style.mouth.shape,
                            style.extra);
}

void WispFaceView::paintFace(QPainter& painter, const FaceGeometry& face, const QColor& tint, double decorationPhase)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint);
    painter.drawPath(face.leftEye.path(face.eyeShape));
    painter.drawPath(face.rightEye.path(face.eyeShape));

    QPen mouthPen(tint, face.mouth.lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
    mouthPen.setMiterLimit(10);
    painter.setPen(mouthPen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(face.mouth.path());

    paintDecoration(painter, face.decoration, decorationPhase, tint);
    painter.restore();
}

void WispFaceView::paintEvent(QPaintEvent*)
{
    if (drawsSprite())
        return;
    QPainter painter(this);
    painter.translate(QRectF(rect()).center());
    paintFace(painter, currentGeometry(), m_inputs.tint, m_loop->phase());
}

void WispFaceView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_onScreen = true;
    syncDecoration();
}

void WispFaceView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_onScreen = false;
    settle();
    syncDecoration();
}

void WispFaceView::settle()
{
    for (AnimatedValue* value : {m_style, m_gaze, m_closed}) {
        if (value->isAnimating())
            value->jumpTo(value->target());
    }
}

// A decoration starts its loop when it comes on screen and loses it when it leaves; one that comes on
// screen while motion is reduced stays at rest while it is shown, and a running one is not stopped when
// motion becomes reduced.
void WispFaceView::syncDecoration()
{
    const FaceExtra shown = m_onScreen && !drawsSprite() ? styleOf(m_inputs.mood).extra : FaceExtra::none;
    if (shown == m_decoration)
        return;
    m_decoration = shown;
    m_loop->stop();
    if (shown != FaceExtra::none && !m_inputs.motionReduced) {
        const DecorationLoop loop = decorationLoop(shown);
        m_loop->start(loop.seconds, loop.easing, loop.reverses);
    }
}

QRect WispFaceView::decorationRect() const
{
    const DecorationGeometry decoration = currentGeometry().decoration;
    const QRectF bounds =
        Decoration::bounds(decoration.kind, decoration.size).translated(decoration.centre + QRectF(rect()).center());
    return bounds.toAlignedRect().adjusted(-2, -2, 2, 2);
}

// --- The companion skin

bool WispFaceView::drawsSprite() const
{
    return m_inputs.skin == Skin::companion;
}

// The one place that creates, feeds and drops the sprite face. It fills this widget, which takes its size,
// so its box is centred like the vector face's frame.
void WispFaceView::feedSpriteFace()
{
    if (!drawsSprite()) {
        delete m_spriteFace;
        m_spriteFace = nullptr;
        return;
    }
    if (!m_spriteFace) {
        m_spriteFace = m_makeSpriteFace(this);
        m_spriteFace->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_spriteFace->show();
    }
    m_spriteFace->setInputs(
        {m_inputs.eyeHeight, m_inputs.mood, m_inputs.blinking, m_inputs.look, m_inputs.tint, m_inputs.motionReduced});
    m_spriteFace->move(0, 0);
}
