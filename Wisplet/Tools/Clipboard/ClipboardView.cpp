#include "Wisplet/Tools/Clipboard/ClipboardView.h"

#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Base/SearchField.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Tools/Clipboard/ClipList.h"
#include "Wisplet/Tools/Clipboard/ClipListModel.h"
#include "Wisplet/Tools/Clipboard/ClipboardManager.h"
#include "Wisplet/Tools/Clipboard/ClipboardRules.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
    , m_list(new ClipList(clipboard.folder(), this))
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
    // Made before the field, Clear and the list would come first on the way round.
    setTabOrder(m_search, m_clear);
    setTabOrder(m_clear, m_list);
    connect(m_search, &QLineEdit::textChanged, this, &ClipboardView::showItems);
    connect(m_clear, &QAbstractButton::clicked, &m_clipboard, &ClipboardManager::clearUnpinned);

    // List.
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setFont(pixelFont(m_empty->font(), 12));
    m_empty->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 128);"));
    connect(m_list, &ClipList::partActivated, this, [this](const ClipItem& item, ClipRow::Part part) {
        switch (part) {
        case ClipRow::Part::row:
            m_clipboard.copyBack(item);
            break;
        case ClipRow::Part::pin:
            m_clipboard.togglePin(item);
            break;
        case ClipRow::Part::remove:
            m_clipboard.remove(item);
            break;
        }
    });
    m_listStack = new QStackedLayout;
    m_listStack->addWidget(m_empty);
    m_listStack->addWidget(m_list);

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
    connect(&m_clipboard, &ClipboardManager::itemsChanged, this, &ClipboardView::itemsChanged);
    showHeader();
    showMessage();
    showItems();
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

void ClipboardView::itemsChanged()
{
    // Shown once for the changes of one pass (a copy at the limit is one change, and the oldest entry's
    // removal another), after the work that made them, and not at all while the page is hidden.
    if (std::exchange(m_itemsChanged, true) || !isVisible())
        return;
    QMetaObject::invokeMethod(this, &ClipboardView::showItems, Qt::QueuedConnection);
}

void ClipboardView::showItems()
{
    m_itemsChanged = false;
    const QList<ClipItem> all = m_clipboard.items();
    const QList<ClipItem> shown = ClipboardRules::filtered(all, m_search->text());
    m_count->setText(QString::number(all.size()));
    m_clear->setVisible(std::any_of(all.cbegin(), all.cend(), [](const ClipItem& item) { return !item.pinned; }));
    m_empty->setText(all.isEmpty() ? QStringLiteral("Copy something and it will show up here.")
                                   : QStringLiteral("No matches."));
    m_listStack->setCurrentWidget(shown.isEmpty() ? static_cast<QWidget*>(m_empty) : m_list);
    m_list->entries().setNow(m_clock.now());
    m_list->setEntries(shown);
}

void ClipboardView::showAges()
{
    m_list->entries().setNow(m_clock.now());
}

void ClipboardView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_itemsChanged)
        showItems();
    showAges();
    m_ageTimer->start();
}

void ClipboardView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_ageTimer->stop();
}
