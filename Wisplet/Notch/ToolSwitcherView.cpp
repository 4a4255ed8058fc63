#include "Wisplet/Notch/ToolSwitcherView.h"

#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Notch/ToolSwitcher.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

constexpr int rowSymbolSize = 15;
constexpr int captionPixels = 10;
constexpr double cornerRadius = 12;
constexpr int secondaryAlpha = 140;

// The popover's own colours: it paints its background, so it owns its text colours too.
QPalette switcherPalette()
{
    QPalette palette;
    const QColor background(0x26, 0x26, 0x28);
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Base, QColor(0x36, 0x36, 0x39));
    palette.setColor(QPalette::Text, Qt::white);
    palette.setColor(QPalette::Button, background);
    palette.setColor(QPalette::ButtonText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(255, 255, 255, 110));
    palette.setColor(QPalette::Highlight, QColor(0x3d, 0x7e, 0xf0));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    return palette;
}

void makeSecondary(QLabel& label)
{
    QPalette palette = label.palette();
    QColor colour = palette.color(QPalette::WindowText);
    colour.setAlpha(secondaryAlpha);
    palette.setColor(QPalette::WindowText, colour);
    label.setPalette(palette);
}

bool isEscape(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier;
}

} // namespace

ToolSwitcherRow::ToolSwitcherRow(ToolID tool, QWidget* parent)
    : QAbstractButton(parent)
    , m_tool(tool)
    , m_symbol(new QLabel(this))
    , m_enable(new QLabel(tr("Enable"), this))
{
    const QString title = toolTitle(tool);
    setText(title);
    setAccessibleName(title);
    setCursor(Qt::PointingHandCursor);
    // Rows are reached by typing and by the pointer; the keyboard never walks through them.
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    auto* titleLabel = new QLabel(title, this);
    titleLabel->setTextFormat(Qt::PlainText);
    makeSecondary(*m_enable);
    m_symbol->setFixedSize(rowSymbolSize, rowSymbolSize);
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(padding, padding, padding, padding);
    line->addWidget(m_symbol);
    line->addWidget(titleLabel);
    line->addStretch();
    line->addWidget(m_enable);
    // The labels only show; the row takes every click, the empty middle included.
    for (QLabel* label : {m_symbol, titleLabel, m_enable})
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    updateSymbol();
}

bool ToolSwitcherRow::showsEnable() const
{
    return !m_enable->isHidden();
}

void ToolSwitcherRow::setEnabledTool(bool enabled)
{
    m_enable->setHidden(enabled);
}

void ToolSwitcherRow::updateSymbol()
{
    m_symbol->setPixmap(
        symbolPixmap(toolIcon(m_tool), m_symbol->size(), palette().color(QPalette::WindowText), devicePixelRatioF()));
}

void ToolSwitcherRow::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        updateSymbol();
}

ToolSwitcherView::ToolSwitcherView(ToolRegistry& registry, QWidget* parent)
    : QWidget(parent)
    , m_registry(registry)
    , m_search(new QLineEdit(this))
{
    setPalette(switcherPalette());

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(spacing);

    m_search->setPlaceholderText(tr("Find a tool"));
    m_search->setAccessibleName(tr("Find a tool"));
    connect(m_search, &QLineEdit::textChanged, this, &ToolSwitcherView::updateRows);
    connect(m_search, &QLineEdit::returnPressed, this, &ToolSwitcherView::openFirstMatch);
    column->addWidget(m_search);

    buildList(*column);

    auto* hint = new QLabel(tr("Ctrl+Alt+1–4 opens your favourites. Reorder them in Settings → Tools."), this);
    hint->setWordWrap(true);
    QFont caption = hint->font();
    caption.setPixelSize(captionPixels);
    hint->setFont(caption);
    makeSecondary(*hint);
    column->addWidget(hint);

    connect(&m_registry, &ToolRegistry::enabledChanged, this, &ToolSwitcherView::updateRows);
    updateRows();
    setFocusProxy(m_search);
}

void ToolSwitcherView::buildList(QLayout& column)
{
    auto* list = new QWidget;
    auto* rows = new QVBoxLayout(list);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(rowSpacing);
    for (ToolID tool : allTools) {
        auto* row = new ToolSwitcherRow(tool, list);
        connect(row, &QAbstractButton::clicked, this, [this, tool] { m_registry.open(tool); });
        rows->addWidget(row);
        m_rows.append(row);
    }
    m_noMatches = new QLabel(tr("No matching tools"), list);
    m_noMatches->setContentsMargins(padding, padding, padding, padding);
    makeSecondary(*m_noMatches);
    rows->addWidget(m_noMatches, 0, Qt::AlignHCenter);
    rows->addStretch();

    auto* scroll = new QScrollArea;
    scroll->setWidget(list);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Thin and dark like the island, not the desktop theme's bar.
    scroll->verticalScrollBar()->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical { width: 6px; background: transparent; margin: 0; }"
        "QScrollBar::handle:vertical { background: rgba(255, 255, 255, 70); border-radius: 3px; min-height: 24px; }"
        "QScrollBar::handle:vertical:hover { background: rgba(255, 255, 255, 110); }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }"));
    scroll->viewport()->setAutoFillBackground(false);
    list->setAutoFillBackground(false);
    column.addWidget(scroll);
}

QList<ToolID> ToolSwitcherView::matches() const
{
    return ToolSwitcher::matches(m_search->text());
}

bool ToolSwitcherView::showsNoMatches() const
{
    return !m_noMatches->isHidden();
}

QSize ToolSwitcherView::sizeHint() const
{
    return {preferredWidth, preferredHeight};
}

void ToolSwitcherView::updateRows()
{
    const QList<ToolID> shown = matches();
    const QSet<ToolID> enabled = m_registry.enabled();
    for (ToolSwitcherRow* row : std::as_const(m_rows)) {
        row->setHidden(!shown.contains(row->tool()));
        row->setEnabledTool(enabled.contains(row->tool()));
    }
    m_noMatches->setHidden(!shown.isEmpty());
}

void ToolSwitcherView::openFirstMatch()
{
    if (const QList<ToolID> shown = matches(); !shown.isEmpty())
        m_registry.open(shown.first());
}

bool ToolSwitcherView::event(QEvent* event)
{
    // Escape belongs to the switcher while it shows: claim it before any shortcut of the window sees it.
    if (event->type() == QEvent::ShortcutOverride && isEscape(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void ToolSwitcherView::keyPressEvent(QKeyEvent* event)
{
    if (isEscape(event)) {
        m_registry.setSwitcherPresented(false);
        return;
    }
    QWidget::keyPressEvent(event);
}

bool ToolSwitcherView::focusNextPrevChild(bool)
{
    // Tab stays in the search field: there is nothing else in the switcher to move to.
    return true;
}

void ToolSwitcherView::mousePressEvent(QMouseEvent* event)
{
    // A click on the switcher's own background is inside it, not a dismissal.
    event->accept();
}

void ToolSwitcherView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 31), 1));
    painter.setBrush(palette().color(QPalette::Window));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
}

void ToolSwitcherView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_search->setFocus(Qt::PopupFocusReason);
}
