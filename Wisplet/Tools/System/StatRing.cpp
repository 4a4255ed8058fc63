#include "Wisplet/Tools/System/StatRing.h"

#include "Wisplet/Base/Animation.h"
#include "Wisplet/Base/EvenDigits.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr double minimumShare = 0.01;
constexpr int centrePixels = 13;
constexpr int labelPixels = 12;
constexpr int detailPixels = 9;
constexpr double trackOpacity = 0.12;
constexpr double labelOpacity = 0.7;
constexpr double detailOpacity = 0.65;

QFont sized(const QFont& base, int pixels, QFont::Weight weight)
{
    QFont font = base;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

QColor white(double opacity)
{
    QColor color(Qt::white);
    color.setAlphaF(float(opacity));
    return color;
}

} // namespace

StatRing::StatRing(const QString& label, AnimationClock& clock, QWidget* parent)
    : QWidget(parent)
    , m_label(label)
    , m_share(new AnimatedValue(clock, {0}, this))
{
    connect(m_share, &AnimatedValue::valueChanged, this, qOverload<>(&QWidget::update));
}

double StatRing::shownShare() const
{
    return std::clamp(m_share->value().value(0), minimumShare, 1.0);
}

QString StatRing::centreText(double value)
{
    return QString::number(std::trunc(value * 100), 'f', 0);
}

void StatRing::setValue(double value, const QString& detail)
{
    if (value == m_value && detail == m_detail)
        return;
    const bool moved = value != m_value;
    m_value = value;
    m_detail = detail;
    if (moved && isVisible())
        m_share->easeTo({value}, easeSeconds, Easing::easeOut);
    else if (moved)
        m_share->jumpTo({value});
    update();
}

QSize StatRing::sizeHint() const
{
    const int label = QFontMetrics(sized(font(), labelPixels, QFont::DemiBold)).height();
    const int detail = QFontMetrics(sized(font(), detailPixels, QFont::Normal)).height();
    return {ringWidth, gaugeSize + spacing + label + spacing + detail};
}

void StatRing::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    // The stroke stays inside the gauge's square.
    const QRectF gauge((ringWidth - gaugeSize) / 2.0, 0, gaugeSize, gaugeSize);
    const QRectF circle = gauge.adjusted(lineWidth / 2, lineWidth / 2, -lineWidth / 2, -lineWidth / 2);
    painter.setPen(QPen(white(trackOpacity), lineWidth));
    painter.drawEllipse(circle);
    // From the top, clockwise; Qt counts angles anticlockwise from three o'clock.
    QPainterPath arc;
    arc.arcMoveTo(circle, 90);
    arc.arcTo(circle, 90, -360 * shownShare());
    painter.setPen(QPen(Qt::white, lineWidth, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(arc);

    painter.setFont(sized(font(), centrePixels, QFont::DemiBold));
    EvenDigits::draw(painter, gauge, Qt::AlignCenter, centreText(m_value));

    const QFont labelFont = sized(font(), labelPixels, QFont::DemiBold);
    const int labelHeight = QFontMetrics(labelFont).height();
    const QRectF labelRect(0, gaugeSize + spacing, ringWidth, labelHeight);
    painter.setFont(labelFont);
    painter.setPen(white(labelOpacity));
    painter.drawText(labelRect, Qt::AlignHCenter | Qt::AlignTop,
                     QFontMetrics(labelFont).elidedText(m_label, Qt::ElideRight, ringWidth));

    const QFont detailFont = sized(font(), detailPixels, QFont::Normal);
    const QRectF detailRect(0, labelRect.bottom() + spacing, ringWidth, QFontMetrics(detailFont).height());
    painter.setFont(detailFont);
    painter.setPen(white(detailOpacity));
    EvenDigits::draw(painter, detailRect, Qt::AlignHCenter | Qt::AlignTop, m_detail);
}
