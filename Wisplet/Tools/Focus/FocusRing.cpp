#include "Wisplet/Tools/Focus/FocusRing.h"

#include "Wisplet/Base/Animation.h"
#include "Wisplet/Base/EvenDigits.h"
#include "Wisplet/Notch/NotchLayout.h"

#include <QPainter>

#include <algorithm>

using NotchLayout::whiteAt;

FocusRing::FocusRing(AnimationClock& clock, QWidget* parent)
    : QWidget(parent)
    , m_progress(new AnimatedValue(clock, {0}, this))
{
    setFixedSize(side, side);
    QFont font = this->font();
    font.setPixelSize(timePixels);
    font.setWeight(QFont::DemiBold);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
    connect(m_progress, &AnimatedValue::valueChanged, this, qOverload<>(&QWidget::update));
}

void FocusRing::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
}

double FocusRing::progress() const
{
    return m_progress->target().value(0);
}

void FocusRing::setProgress(double progress, bool animate)
{
    if (progress == this->progress() && (animate || !m_progress->isAnimating()))
        return;
    if (animate)
        m_progress->easeTo({progress}, progressSeconds, Easing::linear);
    else
        m_progress->jumpTo({progress});
}

void FocusRing::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double inset = lineWidth / 2;
    const QRectF circle = QRectF(rect()).adjusted(inset, inset, -inset, -inset);

    painter.setPen(QPen(whiteAt(0.12), lineWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.drawEllipse(circle);

    const double fraction = std::clamp(m_progress->value().value(0), 0.0, 1.0);
    if (fraction > 0) {
        painter.setPen(QPen(Qt::white, lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        // Qt's angles run counter-clockwise from three o'clock, in sixteenths of a degree.
        painter.drawArc(circle, 90 * 16, -qRound(fraction * 360 * 16));
    }

    painter.setPen(Qt::white);
    EvenDigits::draw(painter, QRectF(rect()), Qt::AlignCenter, m_text);
}
