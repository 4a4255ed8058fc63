#include "Wisplet/Tools/Business/IntegrationCard.h"

#include "Wisplet/Base/Colours.h"
#include "Wisplet/Base/ElidingLabel.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Business/IntegrationsHub.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QTextLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int padding = 10;
constexpr int spacing = 6;
constexpr int cornerRadius = 12;
constexpr int symbolPixels = 10;
constexpr int metricPixels = 11;
const QColor headerColour(255, 255, 255, 179);

// A service's error, wrapped and cut to a few lines for the width it is given. Often the server's own words:
// styled as a tool label before they arrive, so they are never read as markup.
class LinesLabel final : public QLabel
{
public:
    LinesLabel(const QString& text, int lines, QWidget* parent)
        : QLabel(parent)
        , m_full(text)
        , m_lines(lines)
    {
        styleToolLabel(this, 10, warningOrange);
        setWordWrap(true);
        setText(text);
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        setText(IntegrationCard::elidedLines(m_full, font(), contentsRect().width(), m_lines));
    }

private:
    QString m_full;
    int m_lines;
};

// A metric's label and value side by side, or, when both do not fit, the value on a line of its own below
// the label: the value is always shown whole (wrapped at its spaces if need be), and the label is cut only
// where it alone is wider than the card.
class MetricRow final : public QWidget
{
public:
    MetricRow(const Metric& metric, QWidget* parent)
        : QWidget(parent)
        , m_label(new ElidingLabel(this))
        , m_value(new QLabel(this))
    {
        styleToolLabel(m_label, metricPixels, QColor(255, 255, 255, 128));
        m_label->setFullText(metric.label);
        // Figures are the default font's digits, which are of one width already.
        styleToolLabel(m_value, metricPixels, Qt::white);
        m_value->setText(metric.value);
        m_value->setWordWrap(true);
        m_value->setAlignment(Qt::AlignRight | Qt::AlignTop);
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }

    bool hasHeightForWidth() const override { return true; }

    int heightForWidth(int width) const override
    {
        const int line = lineHeight();
        return fitsOnOneLine(width) ? line : line + m_value->heightForWidth(width);
    }

    QSize sizeHint() const override { return {m_label->sizeHint().width() + spacing + valueWidth(), lineHeight()}; }

    QSize minimumSizeHint() const override { return {0, lineHeight()}; }

protected:
    void resizeEvent(QResizeEvent*) override
    {
        const int w = width();
        const int line = lineHeight();
        if (fitsOnOneLine(w)) {
            const int value = valueWidth();
            m_label->setGeometry(0, 0, w - value - spacing, line);
            m_value->setGeometry(w - value, 0, value, line);
        } else {
            m_label->setGeometry(0, 0, w, line);
            m_value->setGeometry(0, line, w, m_value->heightForWidth(w));
        }
    }

private:
    int lineHeight() const { return std::max(m_label->sizeHint().height(), m_value->fontMetrics().height()); }

    // Rounded up, so the room asked for never cuts the last character.
    int valueWidth() const { return int(std::ceil(QFontMetricsF(m_value->font()).horizontalAdvance(m_value->text()))); }

    bool fitsOnOneLine(int width) const { return m_label->sizeHint().width() + spacing + valueWidth() <= width; }

    ElidingLabel* m_label;
    QLabel* m_value;
};

ElidingLabel* elidingLabel(const QString& text, int pixels, const QColor& colour, QWidget* parent,
                           QFont::Weight weight = QFont::Normal)
{
    auto* label = new ElidingLabel(parent);
    styleToolLabel(label, pixels, colour, weight);
    label->setFullText(text);
    return label;
}

} // namespace

IntegrationCard::IntegrationCard(IntegrationKind kind, IntegrationsHub& hub, QWidget* parent)
    : QWidget(parent)
    , m_kind(kind)
    , m_hub(hub)
    , m_busy(toolBusyIndicator(this, 24))
    , m_body(new QWidget(this))
    , m_bodyLayout(new QVBoxLayout(m_body))
{
    auto* symbol = new QLabel(this);
    symbol->setFixedSize(symbolPixels, symbolPixels);
    symbol->setPixmap(
        symbolPixmap(symbolName(kind), QSize(symbolPixels, symbolPixels), headerColour, devicePixelRatioF()));
    auto* header = new QHBoxLayout;
    header->setSpacing(spacing);
    header->addWidget(symbol);
    header->addWidget(elidingLabel(title(kind), 11, headerColour, this, QFont::DemiBold), 1);
    header->addWidget(m_busy);

    m_body->setObjectName(QStringLiteral("body"));
    m_bodyLayout->setContentsMargins(0, 0, 0, 0);
    m_bodyLayout->setSpacing(spacing);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(spacing);
    column->addLayout(header);
    column->addWidget(m_body);
    column->addStretch();
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    connect(&m_hub, &IntegrationsHub::changed, this, &IntegrationCard::updateFromHub);
    updateFromHub();
}

QString IntegrationCard::elidedLines(const QString& text, const QFont& font, int width, int lines)
{
    if (width <= 0 || lines < 1)
        return text;
    QString flowing = text;
    flowing.replace(u'\n', QChar::LineSeparator);
    QTextLayout layout(flowing, font);
    QList<QTextLine> made;
    layout.beginLayout();
    // One line more than allowed tells whether anything is left out.
    while (made.size() <= lines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        made << line;
    }
    layout.endLayout();
    if (made.size() <= lines)
        return text;
    QStringList shown;
    for (int i = 0; i < lines - 1; ++i)
        shown << flowing.mid(made[i].textStart(), made[i].textLength()).trimmed();
    const QString rest = flowing.mid(made[lines - 1].textStart()).simplified();
    shown << QFontMetrics(font).elidedText(rest, Qt::ElideRight, width);
    return shown.join(u'\n');
}

void IntegrationCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 18));
    painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
}

void IntegrationCard::updateFromHub()
{
    m_busy->setVisible(m_hub.refreshing().contains(m_kind));
    Body body;
    const auto errors = m_hub.errors();
    const auto snapshots = m_hub.snapshots();
    if (const auto error = errors.constFind(m_kind); error != errors.cend())
        body.error = *error;
    else if (const auto snapshot = snapshots.constFind(m_kind); snapshot != snapshots.cend())
        body.metrics = snapshot->metrics;
    // The hub signals every change of any service; most leave this card as it is.
    if (body != m_shown) {
        m_shown = body;
        fillBody(body);
    }
}

void IntegrationCard::fillBody(const Body& body)
{
    while (QLayoutItem* item = m_bodyLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (body.error) {
        m_bodyLayout->addWidget(new LinesLabel(*body.error, maxErrorLines, m_body));
    } else if (body.metrics) {
        for (const Metric& metric : *body.metrics)
            m_bodyLayout->addWidget(new MetricRow(metric, m_body));
    } else {
        m_bodyLayout->addWidget(toolLabel(tr("Loading…"), 10, QColor(255, 255, 255, 102), m_body));
    }
    m_body->setVisible(m_bodyLayout->count() > 0);
}
