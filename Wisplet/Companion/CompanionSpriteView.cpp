#include "Wisplet/Companion/CompanionSpriteView.h"

#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Companion/CompanionSprites.h"
#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Platform/Scheduler.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Largest look shift as a share of the eye height; the widget keeps a little more room for the spring's
// overshoot and for snapping to whole device pixels.
constexpr double maxShiftX = 0.1;
constexpr double maxShiftY = 0.07;
constexpr double overshootRoom = 1.1;

// Seven frames of a mood at the largest face on a doubled screen, with room for a second size.
constexpr int tintedCacheKiB = 2 * 1024;
constexpr int fallbackSymbolSize = 17; // the symbol's natural size, in logical pixels

double unit(double value)
{
    return std::isfinite(value) ? std::clamp(value, -1.0, 1.0) : 0.0;
}

// The requested mood's gaze wins over the look, reduced motion centres the eyes.
QPointF targetOffset(const CompanionSpriteView::Inputs& inputs)
{
    if (inputs.motionReduced)
        return {};
    const QSizeF v = styleOf(inputs.mood).gaze.value_or(inputs.look);
    return {unit(v.width()) * inputs.eyeHeight * maxShiftX, unit(v.height()) * inputs.eyeHeight * maxShiftY};
}

int margin(double eyeHeight, double maxShift)
{
    return int(std::ceil(eyeHeight * maxShift * overshootRoom)) + 1;
}

QPointF snapped(QPointF point, qreal dpr)
{
    return {std::round(point.x() * dpr) / dpr, std::round(point.y() * dpr) / dpr};
}

} // namespace

CompanionSpriteView::CompanionSpriteView(QWidget* parent)
    : CompanionSpriteView(CompanionSprites::shared(), Platform::scheduler(), AnimationClock::shared(), parent)
{ }

CompanionSpriteView::CompanionSpriteView(const CompanionSprites& sprites, Scheduler& scheduler, AnimationClock& clock,
                                         QWidget* parent)
    : QWidget(parent)
    , m_sprites(sprites)
    , m_scheduler(scheduler)
    , m_offset(new AnimatedValue(clock, {0, 0}, this))
    , m_tinted(tintedCacheKiB)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // The frame moves in whole device pixels, so most steps of a look's spring change nothing on screen:
    // the spring sleeps through them, and the old and new frames alone are drawn again.
    m_offset->setSameOnScreen([this](const QList<double>& a, const QList<double>& b) {
        return frameRectAt({a.value(0), a.value(1)}) == frameRectAt({b.value(0), b.value(1)});
    });
    connect(m_offset, &AnimatedValue::valueChanged, this, [this] {
        if (frameRect() != m_paintedFrame)
            updateFrame();
    });
    resize(sizeHint());
}

CompanionSpriteView::~CompanionSpriteView() = default;

void CompanionSpriteView::setInputs(const Inputs& inputs)
{
    const bool first = !m_hasInputs;
    const Inputs previous = std::exchange(m_inputs, inputs);
    m_hasInputs = true;

    if (first || inputs.eyeHeight != previous.eyeHeight) {
        updateGeometry();
        resize(sizeHint());
    }
    // A hidden face has nobody to move for.
    retargetOffset(!first && !inputs.motionReduced && isVisible());
    if (first || inputs.mood != previous.mood || inputs.blinking != previous.blinking
        || inputs.motionReduced != previous.motionReduced)
        startSequence();
    // The look and the frames draw through the offset and the sequence; only these change every pixel.
    if (first || inputs.eyeHeight != previous.eyeHeight || inputs.tint != previous.tint)
        update();
}

// Closing: 1, 2 (25 ms each), then 3 held. Opening: 4, 5, 6 (30, 40, 45 ms), then 0. A change of mood first
// closes on the old row (1, 2, 3 for 25, 25, 40 ms) and switches rows while the eyes are shut.
std::vector<CompanionSpriteView::Step> CompanionSpriteView::sequence(Mood mood, bool blinking, Mood displayed,
                                                                     int column)
{
    std::vector<Step> steps;
    if (displayed != mood) {
        steps = {{displayed, 1, 25}, {displayed, 2, 25}, {displayed, 3, 40}};
        column = 3;
    }
    if (blinking)
        steps.insert(steps.end(), {{mood, 1, 25}, {mood, 2, 25}, {mood, 3, 0}});
    else if (column != 0)
        steps.insert(steps.end(), {{mood, 4, 30}, {mood, 5, 40}, {mood, 6, 45}, {mood, 0, 0}});
    return steps;
}

// A new sequence cancels the running one and starts from whatever is on screen.
void CompanionSpriteView::startSequence()
{
    m_stepCall.reset();
    m_resumeOnShow = false;
    if (m_inputs.motionReduced) {
        m_steps = {{m_inputs.mood, 0, 0}};
    } else {
        if (!m_displayedMood)
            m_displayedMood = m_inputs.mood;
        m_steps = sequence(m_inputs.mood, m_inputs.blinking, *m_displayedMood, m_column);
    }
    m_nextStep = 0;
    playSteps();
}

void CompanionSpriteView::playSteps()
{
    while (m_nextStep < m_steps.size()) {
        const Step step = m_steps[m_nextStep++];
        showFrame(step.mood, step.column);
        if (step.holdMs > 0) {
            m_stepCall = m_scheduler.callAfter(std::chrono::milliseconds(step.holdMs), [this] { playSteps(); });
            return;
        }
    }
    m_steps.clear();
    m_stepCall.reset();
}

void CompanionSpriteView::showFrame(Mood mood, int column)
{
    if (m_displayedMood == mood && m_column == column)
        return;
    m_displayedMood = mood;
    m_column = column;
    updateFrame();
}

void CompanionSpriteView::retargetOffset(bool animate)
{
    const QPointF target = targetOffset(m_inputs);
    const QList<double> value{target.x(), target.y()};
    if (value == m_offset->target() && (animate || !m_offset->isAnimating()))
        return;
    if (animate)
        m_offset->springTo(value, offsetSpring);
    else
        m_offset->jumpTo(value);
}

QSizeF CompanionSpriteView::boxSize(double eyeHeight)
{
    return {eyeHeight * boxWidthPerEyeHeight, eyeHeight * boxHeightPerEyeHeight};
}

QPointF CompanionSpriteView::offset() const
{
    const QList<double> value = m_offset->value();
    return {value.value(0), value.value(1)};
}

QRectF CompanionSpriteView::boxRect() const
{
    const QSizeF size = boxSize(m_inputs.eyeHeight);
    const QPointF centre = QRectF(rect()).center() + offset();
    return {centre - QPointF(size.width() / 2, size.height() / 2), size};
}

QSize CompanionSpriteView::sizeHint() const
{
    const QSizeF box = boxSize(m_inputs.eyeHeight);
    return {int(std::ceil(box.width())) + 2 * margin(m_inputs.eyeHeight, maxShiftX),
            int(std::ceil(box.height())) + 2 * margin(m_inputs.eyeHeight, maxShiftY)};
}

void CompanionSpriteView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_paintedFrame = frameRect();
    const qreal dpr = devicePixelRatioF();
    const QSize deviceSize = (m_paintedFrame.size() * dpr).toSize();
    const std::optional<QPixmap> pixmap =
        m_sprites.isEmpty() || deviceSize.isEmpty() ? std::nullopt : tintedFrame(shownMood(), m_column, deviceSize);
    if (!pixmap)
        paintFallback(painter, m_paintedFrame);
    else
        painter.drawPixmap(m_paintedFrame, *pixmap, QRectF(pixmap->rect()));
}

QRectF CompanionSpriteView::frameRect() const
{
    return frameRectAt(offset());
}

// Whole device pixels keep the template's edges crisp; the look moves the face a few pixels at most.
QRectF CompanionSpriteView::frameRectAt(QPointF offset) const
{
    const QRectF box = boxRect().translated(offset - this->offset());
    const qreal dpr = devicePixelRatioF();
    const QSizeF size = QSizeF((box.size() * dpr).toSize()) / dpr;
    return {snapped(box.center() - QPointF(size.width() / 2, size.height() / 2), dpr), size};
}

// The frame on screen and where it goes next; the rest of the widget stays clear.
void CompanionSpriteView::updateFrame()
{
    update((m_paintedFrame | frameRect()).toAlignedRect().adjusted(-1, -1, 1, 1));
}

// Only the frame's coverage counts: the scaled coverage keeps the tint where the art is. The atlas is asked
// only on a miss, so a face at rest never has its row decoded again.
std::optional<QPixmap> CompanionSpriteView::tintedFrame(Mood mood, int column, QSize deviceSize)
{
    const TintKey key{int(mood) * CompanionSprites::columns + column, m_inputs.tint.rgba(), deviceSize};
    if (const QPixmap* cached = m_tinted.object(key))
        return *cached;
    const QImage frame = m_sprites.frame(mood, column);
    if (frame.isNull())
        return std::nullopt;

    QImage image = frame.scaled(deviceSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), m_inputs.tint);
    }
    const QPixmap pixmap = QPixmap::fromImage(std::move(image));
    m_tinted.insert(key, new QPixmap(pixmap), int(qint64(deviceSize.width()) * deviceSize.height() * 4 / 1024) + 1);
    return pixmap;
}

// The warning symbol in the text colour, centred in the box and moving with it.
void CompanionSpriteView::paintFallback(QPainter& painter, const QRectF& box)
{
    const qreal dpr = devicePixelRatioF();
    const QSize size(fallbackSymbolSize, fallbackSymbolSize);
    const QPixmap symbol =
        symbolPixmap(QStringLiteral("exclamationmark.triangle"), size, palette().color(QPalette::WindowText), dpr);
    painter.drawPixmap(snapped(box.center() - QPointF(size.width() / 2.0, size.height() / 2.0), dpr), symbol);
}

void CompanionSpriteView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_resumeOnShow)
        startSequence();
}

// A hidden face's look lands where it was going; a sequence cut short by hiding picks up from the frame on
// screen when the face is shown again.
void CompanionSpriteView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (m_offset->isAnimating())
        m_offset->jumpTo(m_offset->target());
    if (m_stepCall && m_stepCall->isPending()) {
        m_stepCall.reset();
        m_steps.clear();
        m_resumeOnShow = true;
    }
}
