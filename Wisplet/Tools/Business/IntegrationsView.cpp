#include "Wisplet/Tools/Business/IntegrationsView.h"

#include "Wisplet/Base/AppEvents.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Base/RelativeAge.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Tools/Business/IntegrationCard.h"
#include "Wisplet/Tools/Business/IntegrationsHub.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QStackedLayout>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int footerPixels = 10;
const QColor footerColour(255, 255, 255, 115);

} // namespace

IntegrationsView::IntegrationsView(IntegrationsHub& hub, Clock& clock, AppEvents& events, QWidget* parent)
    : QWidget(parent)
    , m_hub(hub)
    , m_clock(clock)
    , m_pages(new QStackedLayout(this))
    , m_ticker(new QTimer(this))
{
    m_invitation = buildInvitation(events);
    m_cardsPage = buildCardsPage();
    m_pages->addWidget(m_invitation);
    m_pages->addWidget(m_cardsPage);
    m_ticker->setInterval(1000);
    m_ticker->setTimerType(Qt::CoarseTimer);
    connect(m_ticker, &QTimer::timeout, this, &IntegrationsView::updateFooter);
    connect(&m_hub, &IntegrationsHub::changed, this, &IntegrationsView::updateFromHub);
    updateFromHub();
}

int IntegrationsView::columnCount(int width)
{
    return std::max(1, (width + gridSpacing) / (minimumColumnWidth + gridSpacing));
}

QString IntegrationsView::footerText(const QDateTime& lastRefresh, const QDateTime& now)
{
    if (!lastRefresh.isValid())
        return {};
    return tr("Updated %1 ago").arg(relativeAge(lastRefresh.secsTo(now)));
}

QWidget* IntegrationsView::buildInvitation(AppEvents& events)
{
    auto* page = new QWidget(this);
    auto* headline = toolLabel(tr("Nothing connected yet."), 12, QColor(255, 255, 255, 179), page, QFont::DemiBold);
    auto* hint = toolLabel(tr("Add Stripe, Polar, Plausible, GitHub and more in Settings."), 11,
                           QColor(255, 255, 255, 115), page);
    hint->setWordWrap(true);
    hint->setAlignment(Qt::AlignHCenter);
    auto* open = new PillButton(tr("Open Settings"), QStringLiteral("gearshape"), true, page);
    // The settings window raises itself when it answers the event.
    connect(open, &QAbstractButton::clicked, &events, &AppEvents::postOpenSettings);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addStretch();
    column->addWidget(headline, 0, Qt::AlignHCenter);
    column->addWidget(hint);
    column->addWidget(open, 0, Qt::AlignHCenter);
    column->addStretch();
    return page;
}

QWidget* IntegrationsView::buildCardsPage()
{
    auto* page = new QWidget(this);
    QScrollArea* scroll = toolScrollArea(page);
    m_grid = scroll->widget();
    m_grid->installEventFilter(this);
    m_gridLayout = new QGridLayout;
    m_gridLayout->setSpacing(gridSpacing);
    auto* rows = new QVBoxLayout(m_grid);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addLayout(m_gridLayout);
    rows->addStretch();

    m_footer = toolLabel({}, footerPixels, footerColour, page);
    QToolButton* refresh =
        toolSymbolButton(QStringLiteral("arrow.clockwise"), tr("Refresh"), footerColour, footerPixels + 2, page);
    connect(refresh, &QToolButton::clicked, &m_hub, &IntegrationsHub::refreshAll);
    auto* footer = new QHBoxLayout;
    footer->addWidget(m_footer);
    footer->addStretch();
    footer->addWidget(refresh);

    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(scroll, 1);
    column->addLayout(footer);
    return page;
}

bool IntegrationsView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid && event->type() == QEvent::Resize && columnCount(m_grid->width()) != m_columns)
        placeCards();
    return QWidget::eventFilter(watched, event);
}

void IntegrationsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updateFooter();
    m_ticker->start();
}

void IntegrationsView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_ticker->stop();
}

void IntegrationsView::updateFromHub()
{
    const QList<IntegrationKind> kinds = m_hub.enabledKinds();
    m_pages->setCurrentWidget(kinds.isEmpty() ? m_invitation : m_cardsPage);
    if (kinds != m_kinds) {
        m_kinds = kinds;
        updateCards();
    }
    updateFooter();
}

void IntegrationsView::updateCards()
{
    for (auto card = m_cards.begin(); card != m_cards.end();) {
        if (m_kinds.contains(card.key())) {
            ++card;
            continue;
        }
        delete card.value();
        card = m_cards.erase(card);
    }
    for (IntegrationKind kind : std::as_const(m_kinds)) {
        if (!m_cards.contains(kind))
            m_cards.insert(kind, new IntegrationCard(kind, m_hub, m_grid));
    }
    placeCards();
}

void IntegrationsView::placeCards()
{
    while (QLayoutItem* item = m_gridLayout->takeAt(0))
        delete item;
    for (int column = 0; column < m_columns; ++column) {
        m_gridLayout->setColumnStretch(column, 0);
        m_gridLayout->setColumnMinimumWidth(column, 0);
    }
    m_columns = columnCount(m_grid->width());
    // Every column takes an equal share, also those a short last row leaves empty.
    for (int column = 0; column < m_columns; ++column) {
        m_gridLayout->setColumnStretch(column, 1);
        m_gridLayout->setColumnMinimumWidth(column, 1);
    }
    for (qsizetype i = 0; i < m_kinds.size(); ++i) {
        IntegrationCard* card = m_cards.value(m_kinds.at(i));
        m_gridLayout->addWidget(card, int(i) / m_columns, int(i) % m_columns);
        card->show();
    }
    // A grid layout drops the spacing beside empty columns, which would widen a lone row's cards.
    qDeleteAll(std::exchange(m_fillers, {}));
    for (int column = int(m_kinds.size()); column < m_columns; ++column) {
        auto* filler = new QWidget(m_grid);
        filler->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        m_gridLayout->addWidget(filler, 0, column);
        filler->show();
        m_fillers << filler;
    }
}

void IntegrationsView::updateFooter()
{
    const QString text = footerText(m_hub.lastRefresh(), m_clock.now());
    if (text != m_footer->text())
        m_footer->setText(text);
}
