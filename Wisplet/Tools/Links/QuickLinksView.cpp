#include "Wisplet/Tools/Links/QuickLinksView.h"

#include "Wisplet/Base/Colours.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/NotchLayout.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Links/LinkChip.h"
#include "Wisplet/Tools/Links/LinksStore.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int chipHeight = 30;
constexpr int fontPixels = 13;
constexpr int symbolGap = 6;
constexpr double chipRadius = 9;
constexpr double addFillOpacity = 0.08;
constexpr double addInkOpacity = 0.7;
constexpr int formSpacing = 6;
constexpr int titleFieldWidth = 90;
constexpr int messagePixels = 11;

// The last cell of the grid: shows or hides the form for a new link.
class AddChip final : public QAbstractButton
{
public:
    explicit AddChip(QWidget* parent)
        : QAbstractButton(parent)
    {
        setText(QStringLiteral("Add"));
        QFont chipFont = font();
        chipFont.setPixelSize(fontPixels);
        chipFont.setWeight(QFont::DemiBold);
        setFont(chipFont);
        setCursor(Qt::PointingHandCursor);
        setFixedHeight(chipHeight);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override
    {
        return {fontPixels + symbolGap + fontMetrics().horizontalAdvance(text()), chipHeight};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        NotchLayout::fillRounded(painter, QRectF(rect()), chipRadius, addFillOpacity);
        const QColor ink = NotchLayout::whiteAt(addInkOpacity);
        const int contentWidth = fontPixels + symbolGap + fontMetrics().horizontalAdvance(text());
        const int left = (width() - contentWidth) / 2;
        painter.drawPixmap(
            QPointF(left, (height() - fontPixels) / 2.0),
            symbolPixmap(QStringLiteral("plus"), QSize(fontPixels, fontPixels), ink, devicePixelRatioF()));
        painter.setPen(ink);
        painter.drawText(QRect(left + fontPixels + symbolGap, 0, width(), height()), Qt::AlignLeft | Qt::AlignVCenter,
                         text());
    }
};

} // namespace

QuickLinksView::QuickLinksView(LinksStore& store, WispState& wisp, Opener open, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_wisp(wisp)
    , m_open(std::move(open))
{
    m_message = toolLabel(m_store.message(), messagePixels, warningOrange, this);
    m_message->setWordWrap(true);
    m_message->setVisible(!m_store.message().isEmpty());
    connect(&m_store, &LinksStore::messageChanged, m_message, [this](const QString& message) {
        m_message->setText(message);
        m_message->setVisible(!message.isEmpty());
    });

    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    m_gridHost = new QWidget(scroll);
    m_gridHost->setAutoFillBackground(false);
    m_gridHost->installEventFilter(this);
    m_grid = new QGridLayout(m_gridHost);
    m_grid->setContentsMargins(0, 0, 0, 0);
    m_grid->setSpacing(spacing);
    m_grid->setAlignment(Qt::AlignTop);
    scroll->setWidget(m_gridHost);

    m_addChip = new AddChip(m_gridHost);
    connect(m_addChip, &QAbstractButton::clicked, this, [this] { m_form->setVisible(m_form->isHidden()); });

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    column->addWidget(m_message);
    column->addWidget(scroll, 1);
    column->addWidget(buildForm());

    connect(&m_store, &LinksStore::linksChanged, this, &QuickLinksView::fillGrid);
    fillGrid();
}

int QuickLinksView::columnCount(int width)
{
    return std::max(1, (width + spacing) / (minimumColumnWidth + spacing));
}

QWidget* QuickLinksView::buildForm()
{
    m_form = new QWidget(this);
    auto* row = new QHBoxLayout(m_form);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(formSpacing);
    QFont formFont = font();
    formFont.setPixelSize(fontPixels);
    m_form->setFont(formFont);
    m_title = new QLineEdit(m_form);
    m_title->setPlaceholderText(QStringLiteral("Title"));
    m_title->setFixedWidth(titleFieldWidth);
    m_url = new QLineEdit(m_form);
    m_url->setPlaceholderText(QStringLiteral("URL or /path"));
    m_submit = new PillButton(QStringLiteral("Add"), QStringLiteral("checkmark"), true, m_form);
    connect(m_url, &QLineEdit::returnPressed, this, &QuickLinksView::submit);
    connect(m_submit, &PillButton::clicked, this, &QuickLinksView::submit);
    row->addWidget(m_title);
    row->addWidget(m_url, 1);
    row->addWidget(m_submit, 0, Qt::AlignVCenter);
    m_form->hide();
    return m_form;
}

void QuickLinksView::fillGrid()
{
    // A chip may be the one whose remove button is still delivering its click.
    for (LinkChip* chip : std::as_const(m_chips)) {
        m_grid->removeWidget(chip);
        chip->hide();
        chip->deleteLater();
    }
    m_chips.clear();
    for (const QuickLink& link : m_store.links()) {
        auto* chip = new LinkChip(link, m_gridHost);
        connect(chip, &LinkChip::clicked, this, [this, link] { open(link); });
        connect(chip, &LinkChip::removeRequested, &m_store, &LinksStore::removeLink);
        m_chips.append(chip);
    }
    m_columns = 0;
    placeChips();
}

void QuickLinksView::placeChips()
{
    const int columns = columnCount(m_gridHost->width());
    if (columns == m_columns)
        return;
    for (int column = 0; column < m_grid->columnCount(); ++column) {
        m_grid->setColumnStretch(column, 0);
        m_grid->setColumnMinimumWidth(column, 0);
    }
    m_columns = columns;
    QList<QWidget*> cells(m_chips.begin(), m_chips.end());
    cells.append(m_addChip);
    for (int i = 0; i < cells.size(); ++i) {
        m_grid->removeWidget(cells[i]);
        m_grid->addWidget(cells[i], i / columns, i % columns);
        cells[i]->show();
    }
    // Equal columns: the cells ignore their own widths and share the row by stretch.
    for (int column = 0; column < columns; ++column) {
        m_grid->setColumnStretch(column, 1);
        m_grid->setColumnMinimumWidth(column, minimumColumnWidth);
    }
}

bool QuickLinksView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_gridHost && event->type() == QEvent::Resize)
        placeChips();
    return QWidget::eventFilter(watched, event);
}

void QuickLinksView::submit()
{
    if (LinkRules::trimmed(m_url->text()).isEmpty())
        return;
    m_store.addLink(m_title->text(), m_url->text());
    m_title->clear();
    m_url->clear();
    m_form->hide();
}

void QuickLinksView::open(const QuickLink& link)
{
    const QUrl url(link.url, QUrl::StrictMode);
    if (!url.isValid())
        return;
    m_open(url);
    m_wisp.react(Mood::happy, QStringLiteral("Opening ") + link.title, true, 1, 1.0);
}
