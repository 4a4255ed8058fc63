#include "Wisplet/Base/SearchField.h"

#include "Wisplet/Base/SymbolIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int glassPixels = 12;
constexpr int textPixels = 12;
constexpr int sidePadding = 10;
constexpr int glassGap = 6;
const QColor fill(255, 255, 255, 26);
const QColor glassInk(255, 255, 255, 128);
const QColor placeholderInk(255, 255, 255, 110);

} // namespace

SearchField::SearchField(const QString& placeholder, QWidget* parent)
    : QWidget(parent)
    , m_edit(new QLineEdit(this))
    , m_row(new QHBoxLayout(this))
{
    setFixedHeight(fixedHeight);
    m_edit->setPlaceholderText(placeholder);
    m_edit->setFrame(false);
    QFont font = m_edit->font();
    font.setPixelSize(textPixels);
    m_edit->setFont(font);
    // Transparent over the capsule whatever the style draws for a line edit's base.
    m_edit->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; color: white; }"));
    QPalette palette = m_edit->palette();
    palette.setColor(QPalette::PlaceholderText, placeholderInk);
    m_edit->setPalette(palette);

    auto* glass = new QLabel(this);
    glass->setPixmap(symbolPixmap(QStringLiteral("magnifyingglass"), QSize(glassPixels, glassPixels), glassInk,
                                  devicePixelRatioF()));
    m_row->setContentsMargins(sidePadding, 0, sidePadding, 0);
    m_row->setSpacing(glassGap);
    m_row->addWidget(glass);
    m_row->addWidget(m_edit, 1);
    setFocusProxy(m_edit);
}

void SearchField::addTrailingWidget(QWidget* widget)
{
    widget->setParent(this);
    m_row->addWidget(widget);
}

void SearchField::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath capsule;
    capsule.addRoundedRect(QRectF(rect()), height() / 2.0, height() / 2.0);
    painter.fillPath(capsule, fill);
}
