#include "Wisplet/Tools/Clipboard/ClipboardView.h"

#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Base/SearchField.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Tools/Clipboard/ClipRow.h"
#include "Wisplet/Tools/Clipboard/ClipboardManager.h"
#include "Wisplet/Tools/Clipboard/ClipboardRules.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedLayout>
#include <QTimer>

namespace {

constexpr int captionPixels = 11;
constexpr int ageRefreshMs = 20'000;

QFont pixelFont(QFont font, int pixels, QFont::Weight weight = QFont::Normal)
{
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

QLabel* caption(const QString& text, const QString& colour, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(pixelFont(label->font(), captionPixels));
    label->setStyleSheet(QStringLiteral("color: %1;").arg(colour));
    label->setTextFormat(Qt::PlainText);
    // Wraps rather than widening a narrow panel.
    label->setWordWrap(true);
    return label;
}

} // namespace

ClipboardView::ClipboardView(ClipboardManager& clipboard, Clock& clock, std::function<void()> reconcile,
                             QWidget* parent)
    : QWidget(parent)
    , m_clipboard(clipboard)
    , m_clock(clock)
    , m_reconcile(std::move(reconcile))
    , m_consentHeader(new QWidget(this))
    , m_statusHeader(new QWidget(this))
    , m_pause(new QPushButton(m_statusHeader))
    , m_status(caption(QString(), QStringLiteral("rgba(255, 255, 255, 150)"), m_statusHeader))
    , m_message(caption(QString(), QStringLiteral("rgb(255, 159, 10)"), this))
    , m_count(new QLabel(this))
    , m_clear(new PillButton(QStringLiteral("Clear"), QStringLiteral("trash"), false, this))
    , m_empty(new QLabel(this))
    , m_scroll(new QScrollArea(this))
    , m_rowsLayout(nullptr)
    , m_ageTimer(new QTimer(this))
{
    m_ageTimer->setInterval(ageRefreshMs);
    m_ageTimer->setTimerType(Qt::CoarseTimer);
    connect(m_ageTimer, &QTimer::timeout, this, &ClipboardView::showAges);

    // Header without consent.
    auto* enable = new PillButton(QStringLiteral("Enable clipboard history"), QStringLiteral("doc.on.clipboard"), true,
                                  m_consentHeader);
    auto* consentRow = new QHBoxLayout(m_consentHeader);
    consentRow->setContentsMargins(0, 0, 0, 0);
    consentRow->setSpacing(8);
    consentRow->addWidget(enable);
    consentRow->addWidget(caption(QStringLiteral("Stores copies locally until removed or expired."),
                                  QStringLiteral("rgba(255, 255, 255, 150)"), m_consentHeader),
                          1);
    connect(enable, &QAbstractButton::clicked, this, [this] {
        m_clipboard.setCaptureConsent(true);
        if (m_reconcile)
            m_reconcile();
    });

    // Header with consent.
    m_pause->setFlat(true);
    m_pause->setCursor(Qt::PointingHandCursor);
    m_pause->setFont(pixelFont(m_pause->font(), 12, QFont::DemiBold));
    m_pause->setStyleSheet(QStringLiteral("QPushButton { color: white; border-radius: 6px; padding: 1px 4px; }")
                           + KeyboardPaths::focusRingRules(QStringLiteral("QPushButton")));
    auto* statusRow = new QHBoxLayout(m_statusHeader);
    statusRow->setContentsMargins(0, 0, 0, 0);
    statusRow->setSpacing(8);
    statusRow->addWidget(m_pause);
    statusRow->addWidget(m_status, 1);
    connect(m_pause, &QAbstractButton::clicked, this, [this] { m_clipboard.setPaused(!m_clipboard.paused()); });

    m_message->setWordWrap(true);
    m_message->setMaximumHeight(2 * m_message->fontMetrics().lineSpacing());

    // Search row.
    auto* search = new SearchField(QStringLiteral("Search clipboard"), this);
    m_search = search->lineEdit();
    m_count->setFont(pixelFont(m_count->font(), 13));
    m_count->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 128);"));
    auto* searchRow = new QHBoxLayout;
    searchRow->setSpacing(8);
    searchRow->addWidget(search, 1);
    searchRow->addWidget(m_count);
    searchRow->addWidget(m_clear);
    // Made before the field, Clear would come first on the way round.
    setTabOrder(m_search, m_clear);
    connect(m_search, &QLineEdit::textChanged, this, &ClipboardView::showItems);
    connect(m_clear, &QAbstractButton::clicked, &m_clipboard, &ClipboardManager::clearUnpinned);

    // List.
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setFont(pixelFont(m_empty->font(), 12));
    m_empty->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 128);"));
    auto* rowsHost = new QWidget;
    rowsHost->setAutoFillBackground(false);
    m_rowsLayout = new QVBoxLayout(rowsHost);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(2);
    m_rowsLayout->addStretch();
    m_scroll->setWidget(rowsHost);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    // The rows take the keyboard one by one; the area around them would be a stop that shows nothing.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->setStyleSheet(QStringLiteral(
        "QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"
        "QScrollBar:vertical { width: 6px; margin: 0 0 0 2px; background: transparent; }"
        "QScrollBar::handle:vertical { min-height: 24px; border-radius: 2px; background: rgba(255, 255, 255, 70); }"
        "QScrollBar::add-line, QScrollBar::sub-line, QScrollBar::add-page, QScrollBar::sub-page"
        " { height: 0; background: none; }"));
    m_scroll->viewport()->setAutoFillBackground(false);
    m_listStack = new QStackedLayout;
    m_listStack->addWidget(m_empty);
    m_listStack->addWidget(m_scroll);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(m_consentHeader);
    column->addWidget(m_statusHeader);
    column->addWidget(m_message);
    column->addLayout(searchRow);
    column->addLayout(m_listStack, 1);

    connect(&m_clipboard, &ClipboardManager::captureConsentChanged, this, &ClipboardView::showHeader);
    connect(&m_clipboard, &ClipboardManager::pausedChanged, this, &ClipboardView::showHeader);
    connect(&m_clipboard, &ClipboardManager::messageChanged, this, &ClipboardView::showMessage);
    connect(&m_clipboard, &ClipboardManager::itemsChanged, this, &ClipboardView::showItems);
    showHeader();
    showMessage();
    showItems();
}

QList<ClipRow*> ClipboardView::rows() const
{
    QList<ClipRow*> shown;
    for (int index = 0; index < m_rowsLayout->count(); ++index) {
        if (auto* row = qobject_cast<ClipRow*>(m_rowsLayout->itemAt(index)->widget()))
            shown.append(row);
    }
    return shown;
}

void ClipboardView::showHeader()
{
    const bool consent = m_clipboard.captureConsent();
    const bool paused = m_clipboard.paused();
    m_consentHeader->setVisible(!consent);
    m_statusHeader->setVisible(consent);
    m_pause->setText(paused ? QStringLiteral("Resume capture") : QStringLiteral("Pause capture"));
    m_status->setText(paused ? QStringLiteral("Paused · new copies stay private")
                             : QStringLiteral("Capturing locally"));
}

void ClipboardView::showMessage()
{
    const std::optional<QString> message = m_clipboard.message();
    m_message->setVisible(message.has_value());
    m_message->setText(message.value_or(QString()));
}

void ClipboardView::showItems()
{
    const QList<ClipItem> all = m_clipboard.items();
    const QList<ClipItem> shown = ClipboardRules::filtered(all, m_search->text());
    m_count->setText(QString::number(all.size()));
    m_clear->setVisible(std::any_of(all.cbegin(), all.cend(), [](const ClipItem& item) { return !item.pinned; }));
    m_empty->setText(all.isEmpty() ? QStringLiteral("Copy something and it will show up here.")
                                   : QStringLiteral("No matches."));
    m_listStack->setCurrentWidget(shown.isEmpty() ? static_cast<QWidget*>(m_empty) : m_scroll);

    // Rows are kept by entry, so focus and hover survive a change elsewhere in the list.
    const QDateTime now = m_clock.now();
    QHash<QUuid, ClipRow*> kept;
    QWidget* host = m_scroll->widget();
    while (m_rowsLayout->count() > 0)
        delete m_rowsLayout->takeAt(0);
    for (const ClipItem& item : shown) {
        ClipRow* row = m_rows.take(item.id);
        if (row)
            row->setItem(item, now);
        else
            row = new ClipRow(m_clipboard, item, now, host);
        kept.insert(item.id, row);
        m_rowsLayout->addWidget(row);
    }
    m_rowsLayout->addStretch();
    // A row may be gone from inside its own button's click.
    for (ClipRow* gone : std::as_const(m_rows))
        gone->deleteLater();
    for (ClipRow* gone : std::as_const(m_rows))
        gone->hide();
    m_rows = kept;
}

void ClipboardView::showAges()
{
    const QDateTime now = m_clock.now();
    for (ClipRow* row : std::as_const(m_rows))
        row->setItem(row->item(), now);
}

void ClipboardView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    showAges();
    m_ageTimer->start();
}

void ClipboardView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_ageTimer->stop();
}
