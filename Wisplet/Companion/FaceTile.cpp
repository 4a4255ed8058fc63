#include "Wisplet/Companion/FaceTile.h"

#include "Wisplet/Companion/WispFaceView.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

FaceTile::FaceTile(WispFaceView* face, QSize padding, double radius, QWidget* parent)
    : QWidget(parent)
    , m_face(face)
    , m_padding(padding)
    , m_radius(radius)
{
    face->setParent(this);
    face->setAttribute(Qt::WA_TransparentForMouseEvents);
    place();
}

void FaceTile::setClickAction(std::function<void()> click)
{
    m_click = std::move(click);
    setCursor(m_click ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void FaceTile::place()
{
    const QSizeF frame = m_face->layoutSize();
    setFixedSize(int(std::ceil(frame.width())) + 2 * m_padding.width(),
                 int(std::ceil(frame.height())) + 2 * m_padding.height());
    m_face->move((QPointF(m_padding.width(), m_padding.height()) - m_face->layoutOffset()).toPoint());
}

void FaceTile::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawRoundedRect(QRectF(rect()), m_radius, m_radius);
}

void FaceTile::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_click && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        m_click();
}
