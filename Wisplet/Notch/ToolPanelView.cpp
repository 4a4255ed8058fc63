#include "Wisplet/Notch/ToolPanelView.h"

#include "Wisplet/Base/Animation.h"
#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/DropDownButton.h"
#include "Wisplet/Base/MenuBuilder.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Notch/HeaderButton.h"
#include "Wisplet/Notch/ToolSwitcherView.h"
#include "Wisplet/Notch/ToolTab.h"
#include "Wisplet/Notch/ToolViews.h"

#include <QAction>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace {

void setOpacity(QWidget* widget, double opacity)
{
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(widget->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(widget);
        widget->setGraphicsEffect(effect);
    }
    effect->setOpacity(opacity);
}

// Hides at once; deleted on a later pass, since it may be the very widget whose event led here.
void discard(QWidget* widget)
{
    if (!widget)
        return;
    widget->hide();
    widget->deleteLater();
}

} // namespace

// Covers the host while the switcher shows: the switcher sits in its middle, and a click anywhere else in
// the host dismisses it. Mouse moves pass through to the host, so hovering the island still counts.
class ToolPanelView::SwitcherOverlay final : public QWidget
{
public:
    SwitcherOverlay(ToolRegistry& registry, QWidget* host)
        : QWidget(host)
        , m_registry(registry)
        , m_switcher(new ToolSwitcherView(registry, this))
    {
        host->installEventFilter(this);
        place();
    }
    Q_DISABLE_COPY_MOVE(SwitcherOverlay)

    ToolSwitcherView* switcher() const { return m_switcher; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == QEvent::Resize)
            place();
        return QWidget::eventFilter(watched, event);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        event->accept();
        if (!m_switcher->geometry().contains(event->position().toPoint()))
            m_registry.setSwitcherPresented(false);
    }

private:
    // The switcher keeps its size where the host allows it, centred; a shorter island gets a shorter one.
    void place()
    {
        const QRect area = parentWidget()->rect();
        setGeometry(area);
        const QSize size = m_switcher->sizeHint().boundedTo(area.size());
        QRect frame(QPoint(0, 0), size);
        frame.moveCenter(area.center());
        m_switcher->setGeometry(frame);
    }

    ToolRegistry& m_registry;
    ToolSwitcherView* m_switcher;
};

ToolPanelView::ToolPanelView(ToolRegistry& registry, AppSettings& settings, AnimationClock& clock,
                             ToolPageMaker makePage, QWidget* parent)
    : QWidget(parent)
    , m_registry(registry)
    , m_makePage(std::move(makePage))
    , m_settings(settings)
    , m_clock(clock)
    , m_fade(new AnimatedValue(clock, {1.0}, this))
    , m_overlayHost(this)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    buildTabBar();
    column->addWidget(m_tabBar);
    m_contentArea = new QWidget(this);
    m_contentStack = new QStackedLayout(m_contentArea);
    m_contentStack->setStackingMode(QStackedLayout::StackAll);
    column->addWidget(m_contentArea, 1);
    buildEmptyState();
    column->addWidget(m_emptyState, 1);
    buildShortcuts();

    connect(m_fade, &AnimatedValue::valueChanged, this, &ToolPanelView::applyFade);
    connect(&m_registry, &ToolRegistry::changed, this, &ToolPanelView::refresh);
    connect(&m_registry, &ToolRegistry::switcherPresentedChanged, this, &ToolPanelView::syncSwitcher);
    connect(&m_settings, &AppSettings::hotkeyEnabledChanged, this, &ToolPanelView::updateShortcuts);
    refresh();
    syncSwitcher();
}

ToolPanelView::~ToolPanelView()
{
    // The overlay may live in another widget, which outlives the panel.
    delete m_overlay;
}

QString ToolPanelView::overflowLabel(ToolID selected, const QList<ToolID>& favourites)
{
    return favourites.contains(selected) ? tr("More") : toolTitle(selected);
}

MenuItems ToolPanelView::overflowItems(const QList<ToolID>& visible)
{
    MenuItems items;
    for (ToolID tool : visible.mid(favouriteCount)) {
        MenuItem item = MenuItem::command(toolTitle(tool), rawValue(tool));
        item.symbol = toolIcon(tool);
        items.push_back(item);
    }
    items.push_back(MenuItem::separator());
    items.push_back(MenuItem::command(tr("Find or enable a tool…"), findActionId));
    return items;
}

std::optional<ToolID> ToolPanelView::steppedTool(const QList<ToolID>& visible, ToolID selected, int delta)
{
    const qsizetype count = visible.size();
    if (count == 0)
        return std::nullopt;
    const qsizetype index = std::max<qsizetype>(visible.indexOf(selected), 0);
    return visible.at(((index + delta) % count + count) % count);
}

void ToolPanelView::step(int delta)
{
    if (const std::optional<ToolID> tool = steppedTool(m_registry.visibleTools(), m_registry.selected(), delta))
        m_registry.setSelected(*tool);
}

void ToolPanelView::buildTabBar()
{
    m_tabBar = new QWidget(this);
    m_tabLayout = new QHBoxLayout(m_tabBar);
    m_tabLayout->setContentsMargins(0, 0, 0, 0);
    m_tabLayout->setSpacing(tabSpacing);

    m_overflow = new DropDownButton(labelPixels, m_tabBar);
    m_overflow->setObjectName(QStringLiteral("overflow"));
    m_overflow->setSymbolName(QStringLiteral("ellipsis"));
    connect(m_overflow->menu(), &QMenu::aboutToShow, this, &ToolPanelView::rebuildOverflowMenu);

    // Of the same family as the header's round symbol buttons.
    m_search = new HeaderButton(QStringLiteral("magnifyingglass"), false, m_tabBar);
    m_search->setObjectName(QStringLiteral("search"));
    m_search->setToolTip(tr("Find tools · Ctrl Alt K"));
    m_search->setAccessibleName(tr("Find tools"));
    connect(m_search, &QAbstractButton::clicked, this, [this] { m_registry.setSwitcherPresented(true); });

    m_tabLayout->addWidget(m_overflow);
    m_tabLayout->addStretch();
    m_tabLayout->addWidget(m_search);
}

void ToolPanelView::buildEmptyState()
{
    m_emptyState = new QWidget(this);
    m_emptyState->setObjectName(QStringLiteral("emptyState"));
    auto* stack = new QVBoxLayout(m_emptyState);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(emptySpacing);
    auto* headline = new QLabel(tr("Choose the tools you want nearby"), m_emptyState);
    headline->setFont(headlineFont(headline->font()));
    QPalette palette = headline->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    headline->setPalette(palette);
    auto* find = new QPushButton(tr("Find or enable a tool…"), m_emptyState);
    connect(find, &QAbstractButton::clicked, this, [this] { m_registry.setSwitcherPresented(true); });
    stack->addStretch();
    stack->addWidget(headline, 0, Qt::AlignHCenter);
    stack->addWidget(find, 0, Qt::AlignHCenter);
    stack->addStretch();
}

void ToolPanelView::buildShortcuts()
{
    const auto addShortcut = [this](const QString& text, const QKeySequence& keys, auto handler) {
        auto* action = new QAction(text, this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, handler);
        addAction(action);
        m_shortcuts.append(action);
    };
    addShortcut(tr("Find a tool"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_K),
                [this] { m_registry.setSwitcherPresented(true); });
    for (int slot = 0; slot < favouriteCount; ++slot) {
        addShortcut(QString(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key(Qt::Key_1 + slot)), [this, slot] {
            if (const QList<ToolID> favourites = m_registry.favourites(); slot < favourites.size())
                m_registry.open(favourites.at(slot));
        });
    }
    addShortcut(tr("Next tool"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_BracketRight), [this] { step(1); });
    addShortcut(tr("Previous tool"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_BracketLeft), [this] { step(-1); });
}

void ToolPanelView::refresh()
{
    const QList<ToolID> favourites = m_registry.favourites();
    const bool empty = favourites.isEmpty();
    m_tabBar->setHidden(empty);
    m_contentArea->setHidden(empty);
    m_emptyState->setVisible(empty);
    updateTabs(favourites);
    m_overflow->setText(overflowLabel(m_registry.selected(), favourites));
    if (empty)
        clearContent();
    else
        showContent(m_registry.selected());
    updateShortcuts();
}

void ToolPanelView::updateTabs(const QList<ToolID>& favourites)
{
    // A tab stays the same widget while its tool stays a favourite, so its hover state survives.
    const bool animate = !m_motionReduced && isVisible();
    QList<ToolTab*> tabs;
    for (ToolID tool : favourites) {
        const auto kept =
            std::find_if(m_tabs.begin(), m_tabs.end(), [tool](ToolTab* tab) { return tab->tool() == tool; });
        ToolTab* tab = kept != m_tabs.end() ? *kept : nullptr;
        const bool selected = m_registry.selected() == tool;
        if (tab) {
            m_tabs.erase(kept);
            tab->setSelected(selected, animate);
        } else {
            tab = new ToolTab(tool, selected, m_clock, m_tabBar);
            tab->setObjectName(rawValue(tool));
            connect(tab, &QAbstractButton::clicked, this, [this, tool] { m_registry.open(tool); });
        }
        if (const int place = int(tabs.size()); m_tabLayout->indexOf(tab) != place) {
            m_tabLayout->removeWidget(tab);
            m_tabLayout->insertWidget(place, tab);
        }
        tabs.append(tab);
        // Tab goes along the tabs as laid out, then to the overflow menu and the search button, whenever
        // each tab was made.
        focusBefore(tab, m_overflow);
    }
    for (ToolTab* gone : std::as_const(m_tabs))
        discard(gone);
    m_tabs = tabs;
}

void ToolPanelView::focusBefore(QWidget* widget, QWidget* next)
{
    // The keyboard's ring of widgets has no insert-before: after the last one before `next` that takes focus.
    QWidget* before = next->previousInFocusChain();
    while (before != next && before->focusPolicy() == Qt::NoFocus)
        before = before->previousInFocusChain();
    if (before != next && before != widget)
        setTabOrder(before, widget);
}

void ToolPanelView::updateShortcuts()
{
    const bool hotkeys = m_settings.hotkeyEnabled();
    const QList<ToolID> favourites = m_registry.favourites();
    m_shortcuts.at(0)->setEnabled(hotkeys);
    for (int slot = 0; slot < favouriteCount; ++slot) {
        QAction* action = m_shortcuts.at(1 + slot);
        const bool present = slot < favourites.size();
        action->setText(present ? toolTitle(favourites.at(slot)) : QString());
        action->setEnabled(hotkeys && present);
    }
}

void ToolPanelView::rebuildOverflowMenu()
{
    MenuBuilder::fill(*m_overflow->menu(), overflowItems(m_registry.visibleTools()), [this](const QString& action) {
        if (action == findActionId)
            m_registry.setSwitcherPresented(true);
        else if (const std::optional<ToolID> tool = toolFromRawValue(action))
            m_registry.open(*tool);
    });
}

void ToolPanelView::showContent(ToolID tool)
{
    // The content is the selected tool's: an equal selection keeps the view and whatever it holds.
    if (m_contentTool == tool)
        return;
    const bool animate = m_content && !m_motionReduced && isVisible();
    retire(m_outgoing);
    // A view still fading in fades out from where it stands.
    m_outgoingFrom = m_fade->value().at(0);
    m_outgoing = m_content;
    m_contentTool = tool;
    m_content = m_makePage(tool, m_contentArea);
    m_contentStack->addWidget(m_content);
    m_contentStack->setCurrentWidget(m_content);
    // The stack hands the keyboard from the page before to this one's first control, or to the page itself
    // when it has none, where it shows nowhere: the selected tab takes it then, as when the panel comes forward.
    if (m_content->hasFocus()) {
        const auto selected =
            std::find_if(m_tabs.cbegin(), m_tabs.cend(), [](ToolTab* tab) { return tab->isSelected(); });
        if (selected != m_tabs.cend())
            (*selected)->setFocus(Qt::OtherFocusReason);
    }
    if (m_outgoing)
        m_outgoing->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (animate) {
        m_fade->jumpTo({0.0});
        applyFade();
        m_fade->easeTo({1.0}, ToolTab::fadeSeconds, Easing::easeOut);
    } else {
        m_fade->jumpTo({1.0});
        finishFade();
    }
}

void ToolPanelView::clearContent()
{
    m_fade->jumpTo({1.0});
    finishFade();
    retire(m_content);
    m_content = nullptr;
    m_contentTool.reset();
}

void ToolPanelView::applyFade()
{
    const double progress = m_fade->value().at(0);
    if (m_content)
        setOpacity(m_content, progress);
    if (m_outgoing)
        setOpacity(m_outgoing, m_outgoingFrom * (1 - progress));
    if (!m_fade->isAnimating() && progress >= 1)
        finishFade();
}

void ToolPanelView::retire(QWidget* view)
{
    if (!view)
        return;
    m_contentStack->removeWidget(view);
    discard(view);
}

void ToolPanelView::finishFade()
{
    retire(m_outgoing);
    m_outgoing = nullptr;
    // Without the effect the view draws straight to the window again.
    if (m_content)
        m_content->setGraphicsEffect(nullptr);
}

void ToolPanelView::setMotionReduced(bool reduced)
{
    m_motionReduced = reduced;
    if (!reduced)
        return;
    m_fade->jumpTo({1.0});
    finishFade();
    for (ToolTab* tab : std::as_const(m_tabs))
        tab->setSelected(tab->isSelected(), false);
}

void ToolPanelView::setOverlayHost(QWidget* host)
{
    m_overlayHost = host ? host : this;
    if (!m_overlay)
        return;
    // A showing switcher moves along, afresh.
    delete m_overlay;
    presentSwitcher();
}

ToolSwitcherView* ToolPanelView::switcher() const
{
    return m_overlay ? m_overlay->switcher() : nullptr;
}

void ToolPanelView::syncSwitcher()
{
    if (m_registry.switcherPresented() && !m_overlay) {
        presentSwitcher();
    } else if (!m_registry.switcherPresented() && m_overlay) {
        discard(m_overlay);
        m_overlay = nullptr;
    }
}

void ToolPanelView::presentSwitcher()
{
    m_overlay = new SwitcherOverlay(m_registry, m_overlayHost);
    m_overlay->raise();
    m_overlay->show();
}
