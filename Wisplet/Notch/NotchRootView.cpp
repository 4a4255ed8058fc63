#include "Wisplet/Notch/NotchRootView.h"

#include "Wisplet/Base/AppEvents.h"
#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/ElidingLabel.h"
#include "Wisplet/Base/QuietControls.h"
#include "Wisplet/Base/QuietControlsButton.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/FileDropTarget.h"
#include "Wisplet/Notch/HeaderButton.h"
#include "Wisplet/Notch/NotchLayout.h"
#include "Wisplet/Notch/PeekLabel.h"
#include "Wisplet/Notch/SpeechBubble.h"
#include "Wisplet/Notch/ToolPanelView.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Platform/MotionSetting.h"
#include "Wisplet/Platform/Scheduler.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCursor>
#include <QDragEnterEvent>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QGraphicsEffect>
#include <QLabel>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QToolButton>

#include <algorithm>
#include <array>
#include <cmath>

using namespace NotchLayout;

namespace {

// Draws its widget moved, scaled and faded without touching the layout: the face's bounce and stretch,
// the contents coming and going. Switched off while it would change nothing, so a still island paints as
// it would without it.
class MotionEffect final : public QGraphicsEffect
{
public:
    using QGraphicsEffect::QGraphicsEffect;

    void set(const QTransform& transform, double opacity)
    {
        opacity = std::clamp(opacity, 0.0, 1.0);
        if (transform == m_transform && opacity == m_opacity)
            return;
        m_transform = transform;
        m_opacity = opacity;
        setEnabled(!transform.isIdentity() || opacity < 1);
        updateBoundingRect();
        update();
    }

    QRectF boundingRectFor(const QRectF& rect) const override { return rect | m_transform.mapRect(rect); }

protected:
    void draw(QPainter* painter) override
    {
        if (m_opacity <= 0)
            return;
        QPoint offset;
        const QPixmap pixmap = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
        painter->save();
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->setOpacity(painter->opacity() * m_opacity);
        painter->setWorldTransform(m_transform, true);
        painter->drawPixmap(offset, pixmap);
        painter->restore();
    }

private:
    QTransform m_transform;
    double m_opacity = 1;
};

MotionEffect* motionEffect(QWidget* widget)
{
    return static_cast<MotionEffect*>(widget->graphicsEffect());
}

QFont systemFont(int pixelSize, QFont::Weight weight)
{
    QFont font;
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

// The island is dark whatever the desktop's scheme: white text, the accent as the highlight.
QPalette islandPalette(const QColor& accent)
{
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::Base, QColor(28, 28, 30));
    palette.setColor(QPalette::AlternateBase, QColor(44, 44, 46));
    palette.setColor(QPalette::Button, QColor(44, 44, 46));
    palette.setColor(QPalette::Light, QColor(99, 99, 102));
    palette.setColor(QPalette::Midlight, QColor(72, 72, 74));
    palette.setColor(QPalette::Mid, QColor(58, 58, 60));
    palette.setColor(QPalette::Dark, QColor(28, 28, 30));
    palette.setColor(QPalette::Shadow, Qt::black);
    for (QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::BrightText}) {
        palette.setColor(role, Qt::white);
        palette.setColor(QPalette::Disabled, role, whiteAt(0.35));
    }
    palette.setColor(QPalette::PlaceholderText, whiteAt(0.4));
    palette.setColor(QPalette::Highlight, accent);
    palette.setColor(QPalette::HighlightedText, Qt::black);
    palette.setColor(QPalette::Link, accent);
    return palette;
}

// Stretch phases: horizontal scale, vertical scale, rotation in degrees, and the seconds of the step into each.
struct StretchPhase
{
    QList<double> values;
    double seconds;
};

const std::array<StretchPhase, 4>& stretchPhases()
{
    static const std::array<StretchPhase, 4> phases{{
        {{1, 1, 0}, 0.3},
        {{1.14, 0.82, 0}, 0.3},
        {{0.88, 1.18, -5}, 0.6},
        {{1, 1, 0}, 0.3},
    }};
    return phases;
}

// Bounce inside stretch, both about the face's centre.
QTransform faceMotion(const QRectF& rect, double bounce, const QList<double>& stretch)
{
    const QPointF centre = rect.center();
    const double scale = 1 + (NotchRootView::bounceScale - 1) * bounce;
    QTransform transform;
    transform.translate(centre.x(), centre.y());
    transform.rotate(stretch.at(2));
    transform.scale(stretch.at(0), stretch.at(1));
    transform.translate(0, -NotchRootView::bounceLift * bounce);
    transform.scale(scale, scale);
    transform.translate(-centre.x(), -centre.y());
    return transform;
}

// The pixels the outline touches at all, so that its soft edge is drawn and only then wiped.
QRegion edgeCovering(const QPainterPath& outline)
{
    const QRegion inner(outline.toFillPolygon().toPolygon());
    return inner.united(inner.translated(1, 0)).united(inner.translated(-1, 0)).united(inner.translated(0, 1));
}

double first(const AnimatedValue* value)
{
    return value->value().constFirst();
}

double firstTarget(const AnimatedValue* value)
{
    return value->target().constFirst();
}

} // namespace

// Lies over the island's contents and wipes whatever they drew outside the outline, with a soft edge: a
// widget mask can only cut along whole pixels.
class NotchRootView::EdgeClip final : public QWidget
{
public:
    explicit EdgeClip(NotchRootView* root)
        : QWidget(root)
        , m_root(root)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const QPainterPath& outline = m_root->m_outline;
        const QRectF dirty = event->rect();
        // Most repaints (a blink, a look) lie well inside and need nothing.
        if (outline.isEmpty() || outline.contains(dirty.adjusted(-1, -1, 1, 1)))
            return;
        QPainterPath outside;
        outside.addRect(dirty.adjusted(-1, -1, 1, 1));
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        painter.fillPath(outside.subtracted(outline), Qt::black);
    }

private:
    NotchRootView* m_root;
};

// The outline and "Drop to keep files handy" over the island while files are dragged over it.
class NotchRootView::DropOverlay final : public QWidget
{
public:
    static constexpr int symbolPixels = 18;
    static constexpr int gap = 6;
    static constexpr int padding = 14;
    static constexpr int margin = 16;

    explicit DropOverlay(NotchRootView* root)
        : QWidget(root)
        , m_root(root)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const QPainterPath& outline = m_root->m_outline;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(accentColor(m_root->m_settings.accent()), dropOutlineWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(10);
        painter.strokePath(outline, pen);

        // The label stays inside the island, which the panel's shape cuts out anyway.
        painter.setClipPath(outline);
        const QString text = NotchRootView::tr("Drop to keep files handy");
        painter.setFont(headlineFont(font()));
        const QFontMetricsF metrics(painter.font());
        const double contentHeight = std::max<double>(symbolPixels, metrics.height());
        QRectF capsule(0, 0, symbolPixels + gap + metrics.horizontalAdvance(text) + 2 * padding,
                       contentHeight + 2 * padding);
        const QRectF island = outline.boundingRect();
        capsule.moveCenter(QPointF(island.center().x(), 0));
        capsule.moveBottom(island.bottom() - margin);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);

        const QRectF content = capsule.adjusted(padding, padding, -padding, -padding);
        painter.drawPixmap(QPointF(content.left(), content.center().y() - symbolPixels / 2.0),
                           symbolPixmap(QStringLiteral("tray.and.arrow.down.fill"), QSize(symbolPixels, symbolPixels),
                                        Qt::white, devicePixelRatioF()));
        painter.setPen(Qt::white);
        painter.drawText(content.adjusted(symbolPixels + gap, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    }

private:
    NotchRootView* m_root;
};

NotchRootView::NotchRootView(const NotchGeometry& geometry, const Services& services, QWidget* parent)
    : IslandSurface(parent)
    , m_geometry(geometry)
    , m_settings(services.settings)
    , m_wisp(services.wisp)
    , m_registry(services.registry)
    , m_focus(services.focus)
    , m_calendar(services.calendar)
    , m_media(services.media)
    , m_files(services.files)
    , m_clock(services.clock)
    , m_scheduler(services.scheduler)
    , m_motion(services.motion)
    , m_animation(services.animation)
    , m_makeSpriteFace(services.makeSpriteFace)
    , m_events(services.events)
    , m_makeToolPage(services.makeToolPage)
    , m_makeBreakCard(services.makeBreakCard)
    , m_quietControls(new QuietControls(services.settings, services.clock, QLocale(), this))
    , m_shape(new AnimatedValue(services.animation, {0, 0, 0}, this))
    , m_expandedIn(new AnimatedValue(services.animation, {0.0}, this))
    , m_collapsedIn(new AnimatedValue(services.animation, {1.0}, this))
    , m_rowLeft(new AnimatedValue(services.animation, {0.0}, this))
    , m_bubbleIn(new AnimatedValue(services.animation, {0.0}, this))
    , m_peekIn(new AnimatedValue(services.animation, {0.0}, this))
    , m_bounce(new AnimatedValue(services.animation, {0.0}, this))
    , m_stretch(new AnimatedValue(services.animation, stretchPhases().front().values, this))
{
    setAcceptDrops(true);
    m_island = new QWidget(this);
    m_island->installEventFilter(this);
    buildCollapsed();
    m_edgeClip = new EdgeClip(this);
    m_overlay = new DropOverlay(this);

    connect(m_shape, &AnimatedValue::valueChanged, this, &NotchRootView::applyIsland);
    for (AnimatedValue* value : {m_expandedIn, m_collapsedIn})
        connect(value, &AnimatedValue::valueChanged, this, &NotchRootView::applyContents);
    for (AnimatedValue* value : {m_rowLeft, m_bubbleIn, m_peekIn})
        connect(value, &AnimatedValue::valueChanged, this, &NotchRootView::applyRow);
    connect(m_bounce, &AnimatedValue::valueChanged, this, [this] {
        applyFaceMotion();
        // Up, then back down.
        if (!m_bounce->isAnimating() && firstTarget(m_bounce) == 1)
            m_bounce->springTo({0.0}, bounceSpring);
    });
    connect(m_stretch, &AnimatedValue::valueChanged, this, [this] {
        applyFaceMotion();
        if (!m_stretch->isAnimating() && m_stretchPhase > 0)
            stepStretch();
    });
    connectStores();

    refresh(false);
    relayout();
    m_built = true;
}

NotchRootView::~NotchRootView()
{
    if (m_watchedPopup)
        m_watchedPopup->removeEventFilter(this);
}

WispFaceView* NotchRootView::makeFace(QWidget* parent)
{
    auto* face = new WispFaceView(m_animation, m_makeSpriteFace, parent);
    face->setGraphicsEffect(new MotionEffect(face));
    face->graphicsEffect()->setEnabled(false);
    face->installEventFilter(this);
    face->setPressAction([this] { m_wisp.poke(); });
    return face;
}

void NotchRootView::buildCollapsed()
{
    m_collapsed = new QWidget(m_island);
    m_collapsed->setGraphicsEffect(new MotionEffect(m_collapsed));
    m_collapsed->graphicsEffect()->setEnabled(false);
    m_collapsedFace = makeFace(m_collapsed);
    m_bubble = new SpeechBubble(m_collapsed);
    m_bubble->hide();
    m_peek = new PeekLabel(m_collapsed);
    m_peek->hide();
    connect(m_peek, &PeekLabel::clicked, this, &NotchRootView::openPeekTool);
}

// The open island is not built before it first opens: the panel starts faster and a day spent collapsed
// never pays for the header, the tool panel and the selected tool's page.
void NotchRootView::ensureExpanded()
{
    if (m_expanded)
        return;
    buildExpanded();
    for (QMenu* menu : {m_quietButton->menu(), m_toolPanel->overflowButton()->menu()})
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { watchPopup(menu); });
    placeStack();
    updateFaces();
    updateHeader(peekInputs());
    placeExpanded();
    applyContents();
    applyFaceMotion();
}

void NotchRootView::buildExpanded()
{
    m_expanded = new QWidget(m_island);
    m_expanded->setGraphicsEffect(new MotionEffect(m_expanded));
    m_expanded->graphicsEffect()->setEnabled(false);
    m_expanded->hide();
    m_stack = new QVBoxLayout(m_expanded);
    m_stack->setSpacing(int(panelSpacing));
    buildHeader(*m_stack);

    m_breakSlot = new QWidget(m_expanded);
    m_breakSlot->setObjectName(QStringLiteral("breakPromptSlot"));
    m_breakSlot->setFixedHeight(breakPromptHeight);
    m_breakSlot->hide();
    if (m_makeBreakCard) {
        auto* slotLayout = new QVBoxLayout(m_breakSlot);
        slotLayout->setContentsMargins(0, 0, 0, 0);
        slotLayout->addWidget(m_makeBreakCard(m_breakSlot));
    }
    m_stack->addWidget(m_breakSlot);

    m_toolPanel = new ToolPanelView(m_registry, m_settings, m_animation, m_makeToolPage, m_expanded);
    m_toolPanel->setOverlayHost(m_expanded);
    m_stack->addWidget(m_toolPanel, 1);
}

QWidget* NotchRootView::expandedContent()
{
    ensureExpanded();
    return m_expanded;
}

WispFaceView* NotchRootView::headerFace()
{
    ensureExpanded();
    return m_headerFace;
}

HeaderButton* NotchRootView::pinButton()
{
    ensureExpanded();
    return m_pin;
}

HeaderButton* NotchRootView::settingsButton()
{
    ensureExpanded();
    return m_settingsButton;
}

QuietControlsButton* NotchRootView::quietButton()
{
    ensureExpanded();
    return m_quietButton;
}

QWidget* NotchRootView::breakPromptSlot()
{
    ensureExpanded();
    return m_breakSlot;
}

ToolPanelView* NotchRootView::toolPanel()
{
    ensureExpanded();
    return m_toolPanel;
}

void NotchRootView::buildHeader(QVBoxLayout& stack)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(headerSpacing);
    stack.addLayout(row);

    // The face is larger than its frame: the slot holds the frame's place and the face is laid over it,
    // beneath its neighbours, so that the room around the frame never takes their clicks.
    m_headerFace = makeFace(m_expanded);
    m_headerFaceSlot = new QWidget(m_expanded);
    m_headerFaceSlot->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_headerFaceSlot->installEventFilter(this);
    row->addWidget(m_headerFaceSlot, 0, Qt::AlignVCenter);

    auto* titleBlock = new QVBoxLayout;
    titleBlock->setSpacing(2);
    auto* title = new ElidingLabel(m_expanded);
    title->setObjectName(QStringLiteral("headerTitle"));
    // Titles come from outside (meetings, tracks): never read as markup.
    title->setTextFormat(Qt::PlainText);
    title->setFont(systemFont(14, QFont::DemiBold));
    m_title = title;
    m_date = new QLabel(m_expanded);
    m_date->setTextFormat(Qt::PlainText);
    m_date->setObjectName(QStringLiteral("headerDate"));
    m_date->setFont(systemFont(12, QFont::Normal));
    QPalette secondary;
    secondary.setColor(QPalette::WindowText, whiteAt(0.55));
    m_date->setPalette(secondary);
    titleBlock->addWidget(m_title);
    titleBlock->addWidget(m_date);
    row->addLayout(titleBlock);
    row->addStretch(1);

    m_quietButton = new QuietControlsButton(*m_quietControls, m_expanded);
    m_quietButton->installEventFilter(this);
    row->addWidget(m_quietButton, 0, Qt::AlignVCenter);
    // The button's own tooltip, "Keep panel open", is the one shown: the innermost widget's tip wins in Qt.
    m_pin = new HeaderButton(QStringLiteral("pin"), false, m_expanded);
    connect(m_pin, &HeaderButton::clicked, &m_wisp, &WispState::togglePinned);
    row->addWidget(m_pin, 0, Qt::AlignVCenter);
    m_settingsButton = new HeaderButton(HeaderButtonLook::settingsIcon, false, m_expanded);
    connect(m_settingsButton, &HeaderButton::clicked, &m_events, &AppEvents::postOpenSettings);
    row->addWidget(m_settingsButton, 0, Qt::AlignVCenter);
}

void NotchRootView::connectStores()
{
    const auto refreshNow = [this] { refresh(); };
    for (auto signal : {&WispState::isHoveringChanged, &WispState::isPinnedOpenChanged})
        connect(&m_wisp, signal, this, refreshNow);
    connect(&m_wisp, &WispState::bubbleChanged, this, refreshNow);
    // Blinks, looks and moods change the faces alone; they come often and must stay cheap.
    for (auto signal : {&WispState::isBlinkingChanged, &WispState::isAsleepChanged})
        connect(&m_wisp, signal, this, &NotchRootView::updateFaces);
    connect(&m_wisp, &WispState::lookChanged, this, &NotchRootView::updateFaces);
    connect(&m_wisp, &WispState::baseMoodChanged, this, &NotchRootView::updateFaces);
    for (auto signal : {&WispState::transientMoodChanged, &WispState::activityMoodChanged})
        connect(&m_wisp, signal, this, &NotchRootView::updateFaces);
    connect(&m_wisp, &WispState::bounceTokenChanged, this, &NotchRootView::bounce);
    connect(&m_wisp, &WispState::stretchTokenChanged, this, &NotchRootView::stretch);

    connect(&m_settings, &AppSettings::changed, this, refreshNow);
    connect(&m_motion, &MotionSetting::reduceMotionChanged, this, refreshNow);
    connect(&m_registry, &ToolRegistry::changed, this, refreshNow);
    for (const PeekSource* source : std::initializer_list<const PeekSource*>{&m_focus, &m_calendar, &m_media})
        connect(source, &PeekSource::peekChanged, this, refreshNow);
}

// --- Reading the stores

bool NotchRootView::isExpanded() const
{
    return m_wisp.isHovering() || m_wisp.isPinnedOpen();
}

PeekInputs NotchRootView::peekInputs() const
{
    return gatherPeekInputs(m_settings, m_registry, m_focus, m_calendar, m_media, m_wisp);
}

QSizeF NotchRootView::collapsedSize() const
{
    return NotchLayout::collapsedSize(m_settings.faceSize(), m_geometry.notchSize, peekWidth(peekInputs()));
}

QSizeF NotchRootView::expandedSize() const
{
    return NotchLayout::expandedSize(m_geometry.screen.frame.width(), m_geometry.notchSize, m_registry.selected(),
                                     m_focus.breakPrompt(), m_settings.quietMode());
}

QString NotchRootView::layoutKey() const
{
    return NotchLayout::layoutKey(isExpanded(), m_settings.faceSize(), peekWidth(peekInputs()), m_registry.selected(),
                                  m_focus.breakPrompt());
}

QRectF NotchRootView::targetIslandRect() const
{
    const QList<double> target = m_shape->target();
    return {islandCentreX() - target.at(0) / 2, 0, target.at(0), target.at(1)};
}

bool NotchRootView::isAnimating() const
{
    for (const AnimatedValue* value :
         {m_shape, m_expandedIn, m_collapsedIn, m_rowLeft, m_bubbleIn, m_peekIn, m_bounce, m_stretch}) {
        if (value->isAnimating())
            return true;
    }
    return false;
}

QString NotchRootView::headerTitleText()
{
    ensureExpanded();
    return static_cast<ElidingLabel*>(m_title)->fullText();
}

QString NotchRootView::headerDateText()
{
    ensureExpanded();
    return m_date->text();
}

bool NotchRootView::motionReduced() const
{
    return m_wisp.reducesMotion();
}

double NotchRootView::islandCentreX() const
{
    return width() / 2.0;
}

bool NotchRootView::isInsideIsland(const QPointF& point) const
{
    return m_outline.contains(point);
}

// --- Following the stores

void NotchRootView::refresh(bool animate)
{
    animate = animate && m_built && !motionReduced();
    const PeekInputs in = peekInputs();
    const bool wasCollapsed = !m_showsExpanded;
    if (in.isHovering || in.isPinnedOpen)
        ensureExpanded();
    updatePalette();
    updateFaces();
    updateContents(in.isHovering || in.isPinnedOpen, animate);
    updateCollapsedRow(in, animate && wasCollapsed);
    updateHeader(in);
    updateIsland(in, animate);
}

void NotchRootView::setNotchGeometry(const NotchGeometry& geometry)
{
    m_geometry = geometry;
    // Built anew for the new screen: a drag in progress starts over.
    setDropTargeted(false);
    refresh(false);
    relayout();
}

void NotchRootView::resizeEvent(QResizeEvent* event)
{
    IslandSurface::resizeEvent(event);
    refresh(false);
    relayout();
}

// Places what hangs from the panel's centre after the panel or the notch changed.
void NotchRootView::relayout()
{
    for (QWidget* layer : {m_island, m_collapsed, static_cast<QWidget*>(m_edgeClip), static_cast<QWidget*>(m_overlay)})
        layer->setGeometry(rect());
    placeStack();
    applyIsland();
    applyContents();
    applyRow();
}

void NotchRootView::placeStack()
{
    if (m_stack)
        m_stack->setContentsMargins(int(panelPadding), int(m_geometry.notchSize.height() + panelPadding),
                                    int(panelPadding), int(panelPadding));
}

void NotchRootView::updatePalette()
{
    const Accent accent = m_settings.accent();
    if (m_hasPalette && accent == m_paletteAccent)
        return;
    m_hasPalette = true;
    m_paletteAccent = accent;
    m_island->setPalette(islandPalette(accentColor(accent)));
}

void NotchRootView::showToday()
{
    const QDateTime now = m_clock.now().toLocalTime();
    m_date->setText(NotchLayout::headerDateText(now.date(), QLocale()));
    m_dateTurn = m_scheduler.callAfter(NotchLayout::untilNextDay(now), [this] { showToday(); });
}

void NotchRootView::updateFaces()
{
    WispFaceView::Inputs inputs;
    inputs.mood = m_wisp.displayMood();
    inputs.blinking = m_wisp.isBlinking();
    inputs.look = m_wisp.look();
    inputs.skin = m_settings.skin();
    inputs.tint = accentColor(m_settings.accent());
    inputs.motionReduced = motionReduced();

    inputs.eyeHeight = faceSizeMetrics(m_settings.faceSize()).eyeHeight;
    m_collapsedFace->setInputs(inputs);
    if (!m_headerFace)
        return;
    inputs.eyeHeight = headerEyeHeight;
    const QSize before = m_headerFace->size();
    m_headerFace->setInputs(inputs);
    const QSizeF frame = m_headerFace->layoutSize();
    const QSize slot(int(std::ceil(frame.width())), int(std::ceil(frame.height())));
    if (m_headerFaceSlot->size() != slot)
        m_headerFaceSlot->setFixedSize(slot); // placed again once the header lays it out
    else if (m_headerFace->size() != before)
        placeHeaderFace();
}

void NotchRootView::updateContents(bool expanded, bool animate)
{
    if (m_built && expanded == m_showsExpanded)
        return;
    m_showsExpanded = expanded;
    // The switcher lives in the open island; it goes, query and all, when the island closes.
    if (!expanded && m_registry.switcherPresented())
        m_registry.setSwitcherPresented(false);
    if (expanded)
        showToday();
    else
        m_dateTurn.reset();
    const QList<double> in{expanded ? 1.0 : 0.0};
    const QList<double> out{expanded ? 0.0 : 1.0};
    if (animate) {
        m_expandedIn->springTo(in, islandSpring);
        m_collapsedIn->springTo(out, islandSpring);
    } else {
        m_expandedIn->jumpTo(in);
        m_collapsedIn->jumpTo(out);
    }
    applyContents();
}

void NotchRootView::updateCollapsedRow(const PeekInputs& in, bool animate)
{
    // While the panel is open the row is gone; what it shows is brought up to date as it comes back.
    if (m_built && (in.isHovering || in.isPinnedOpen))
        return;
    const std::optional<QString> bubble = in.bubble;
    const std::optional<QString> peek = bubble ? std::nullopt : peekText(in);
    const bool bubbleChanged = bubble != m_rowBubble;
    const bool peekChanged = peek.has_value() != m_rowHasPeek;
    m_rowBubble = bubble;
    m_rowHasPeek = peek.has_value();

    // A leaving bubble or peek keeps its last text while it fades.
    if (bubble)
        m_bubble->setText(*bubble);
    if (peek) {
        m_peek->setContent(peekIcon(in), *peek, peekPaused(in), peekKeptEnd(in));
        m_peek->setToolTip(peekTooltip(in));
    }
    m_peek->setAttribute(Qt::WA_TransparentForMouseEvents, !peek);

    const QList<double> bubbleTarget{bubble ? 1.0 : 0.0};
    if (m_bubbleIn->target() != bubbleTarget) {
        if (animate)
            m_bubbleIn->springTo(bubbleTarget, bubbleSpring);
        else
            m_bubbleIn->jumpTo(bubbleTarget);
    }
    const QList<double> peekTarget{peek ? 1.0 : 0.0};
    if (m_peekIn->target() != peekTarget) {
        if (animate)
            m_peekIn->easeTo(peekTarget, peekFadeSeconds, Easing::easeOut);
        else
            m_peekIn->jumpTo(peekTarget);
    }

    // The tail reaches into the spacing before the bubble.
    double wanted = 0;
    if (bubble)
        wanted = m_bubble->sizeHint().width() - SpeechBubble::tailOverhang;
    else if (peek)
        wanted = m_peek->sizeHint().width();
    const double islandWidth =
        NotchLayout::collapsedSize(m_settings.faceSize(), m_geometry.notchSize, peekWidth(in)).width();
    const CollapsedRow row = collapsedRow(islandWidth, m_collapsedFace->layoutSize().width(), wanted);
    if (row.sideWidth > 0)
        m_rowSide = row.sideWidth;
    const QList<double> left{islandCentreX() - islandWidth / 2 + row.faceLeft};
    if (m_rowLeft->target() != left) {
        if (animate && bubbleChanged)
            m_rowLeft->springTo(left, bubbleSpring);
        else if (animate && peekChanged)
            m_rowLeft->easeTo(left, peekFadeSeconds, Easing::easeOut);
        else
            m_rowLeft->jumpTo(left);
    }
    applyRow();
}

void NotchRootView::updateHeader(const PeekInputs& in)
{
    if (!m_expanded)
        return;
    static_cast<ElidingLabel*>(m_title)->setFullText(in.bubble.value_or(tr("Wisp")));
    m_pin->setSymbolName(in.isPinnedOpen ? QStringLiteral("pin.fill") : QStringLiteral("pin"));
    m_pin->setActive(in.isPinnedOpen);
    m_breakSlot->setVisible(in.breakPrompt && !in.quietMode);
    if (m_toolPanelMotionReduced != motionReduced()) {
        m_toolPanelMotionReduced = motionReduced();
        m_toolPanel->setMotionReduced(motionReduced());
    }
}

void NotchRootView::updateIsland(const PeekInputs& in, bool animate)
{
    const bool expanded = in.isHovering || in.isPinnedOpen;
    const double width = peekWidth(in);
    const QSizeF size =
        expanded ? expandedSize() : NotchLayout::collapsedSize(m_settings.faceSize(), m_geometry.notchSize, width);
    const QList<double> target{size.width(), size.height(), cornerRadius(expanded)};
    const QString key =
        NotchLayout::layoutKey(expanded, m_settings.faceSize(), width, m_registry.selected(), in.breakPrompt);
    const bool keyChanged = key != m_layoutKey;
    m_layoutKey = key;
    placeExpanded();
    if (target == m_shape->target())
        return;
    if (animate && keyChanged)
        m_shape->springTo(target, islandSpring);
    else
        m_shape->jumpTo(target);
}

// The open island's content keeps its full size while the outline around it grows and shrinks.
void NotchRootView::placeExpanded()
{
    if (!m_expanded)
        return;
    const QSizeF full = expandedSize();
    m_expanded->setGeometry(QRectF(islandCentreX() - full.width() / 2, 0, full.width(), full.height()).toRect());
}

// --- Drawing what the animations reached

void NotchRootView::applyIsland()
{
    const QList<double> shape = m_shape->value();
    const QRectF before = m_outline.boundingRect();
    const QRectF island(islandCentreX() - shape.at(0) / 2, 0, shape.at(0), shape.at(1));
    m_outline = NotchIslandShape{shape.at(2)}.path(island);
    // An empty mask would mean no mask at all.
    m_island->setVisible(!m_outline.isEmpty());
    if (!m_outline.isEmpty())
        m_island->setMask(edgeCovering(m_outline));
    update((before | m_outline.boundingRect()).toAlignedRect().adjusted(-2, -2, 2, 2));
    if (m_overlay->isVisible())
        m_overlay->update();
    emit islandOutlineChanged();
}

void NotchRootView::applyContents()
{
    if (m_expanded) {
        const double expanded = first(m_expandedIn);
        const double scale = 0.96 + 0.04 * expanded;
        const double anchor = m_expanded->width() / 2.0;
        QTransform grow;
        grow.translate(anchor, 0);
        grow.scale(scale, scale);
        grow.translate(-anchor, 0);
        motionEffect(m_expanded)->set(grow, expanded);
        m_expanded->setVisible(expanded > 0 || firstTarget(m_expandedIn) > 0);
    }

    const double collapsed = first(m_collapsedIn);
    motionEffect(m_collapsed)->set(QTransform(), collapsed);
    m_collapsed->setVisible(collapsed > 0 || firstTarget(m_collapsedIn) > 0);
}

void NotchRootView::applyRow()
{
    const QSizeF face = m_collapsedFace->layoutSize();
    const double centreY = m_geometry.notchSize.height() + faceRowHeight(m_settings.faceSize()) / 2;
    const double left = first(m_rowLeft);
    m_collapsedFace->move((QPointF(left, centreY - face.height() / 2) - m_collapsedFace->layoutOffset()).toPoint());

    // Neither is measured while it stays hidden: measuring text loads the fonts, which the first picture of
    // the island, a face on black, does without.
    const double sideLeft = left + face.width() + collapsedRowSpacing;
    const int side = int(std::floor(m_rowSide));
    const double bubbleIn = first(m_bubbleIn);
    m_bubble->setVisible(bubbleIn > 0 || firstTarget(m_bubbleIn) > 0);
    if (!m_bubble->isHidden()) {
        m_bubble->resize(std::min(m_bubble->sizeHint().width(), side + SpeechBubble::tailOverhang),
                         m_bubble->sizeHint().height());
        m_bubble->move(QPointF(sideLeft - SpeechBubble::tailOverhang, centreY - m_bubble->height() / 2.0).toPoint());
        m_bubble->setAppearance(bubbleIn);
    }

    const double peekIn = first(m_peekIn);
    m_peek->setVisible(peekIn > 0 || firstTarget(m_peekIn) > 0);
    if (!m_peek->isHidden()) {
        m_peek->resize(std::min(m_peek->sizeHint().width(), side), m_peek->sizeHint().height());
        m_peek->move(QPointF(sideLeft, centreY - m_peek->height() / 2.0).toPoint());
        m_peek->setOpacity(peekIn);
    }
}

void NotchRootView::placeHeaderFace()
{
    const QRectF slot = m_headerFaceSlot->geometry();
    const QSizeF frame = m_headerFace->layoutSize();
    const QPointF frameCorner = slot.center() - QPointF(frame.width() / 2, frame.height() / 2);
    m_headerFace->move((frameCorner - m_headerFace->layoutOffset()).toPoint());
}

void NotchRootView::applyFaceMotion()
{
    // Reduced motion stills both; quiet mode stills the stretch only.
    const bool still = motionReduced();
    const double bounce = still ? 0 : first(m_bounce);
    const QList<double> stretch = still || m_settings.quietMode() ? stretchPhases().front().values : m_stretch->value();
    for (WispFaceView* face : {m_collapsedFace, m_headerFace}) {
        if (face)
            motionEffect(face)->set(faceMotion(QRectF(face->rect()), bounce, stretch), 1);
    }
}

void NotchRootView::bounce()
{
    if (!motionReduced())
        m_bounce->springTo({1.0}, bounceSpring);
}

void NotchRootView::stretch()
{
    if (motionReduced() || m_settings.quietMode())
        return;
    m_stretchPhase = 0;
    stepStretch();
}

// Through phases 1, 2 and 3 and back to rest, each step eased in and out.
void NotchRootView::stepStretch()
{
    const auto& phases = stretchPhases();
    while (++m_stretchPhase < int(phases.size())) {
        const StretchPhase& phase = phases.at(std::size_t(m_stretchPhase));
        m_stretch->easeTo(phase.values, phase.seconds, Easing::easeInOut);
        if (m_stretch->isAnimating())
            return;
    }
    m_stretchPhase = 0;
}

void NotchRootView::paintEvent(QPaintEvent* event)
{
    if (m_outline.isEmpty())
        return;
    // Every pixel the outline touches, whole: the edge clip above softens the edge once, for the island
    // and its contents alike.
    QPainter painter(this);
    // The face repaints its own rectangle, well inside the island: that much black, not the whole outline.
    if (m_outline.contains(QRectF(event->rect()))) {
        painter.fillRect(event->rect(), Qt::black);
        return;
    }
    painter.setClipRegion(m_island->mask());
    painter.fillRect(m_outline.boundingRect().toAlignedRect(), Qt::black);
}

// --- The user's gestures

void NotchRootView::openPeekTool()
{
    ::openPeekTool(peekInputs(), m_registry);
}

bool NotchRootView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_island) {
        if (event->type() == QEvent::Enter)
            islandHovered(true);
        else if (event->type() == QEvent::Leave)
            islandHovered(false);
    } else if (watched == m_watchedPopup && event->type() == QEvent::Hide) {
        m_watchedPopup->removeEventFilter(this);
        m_watchedPopup = nullptr;
        m_pointerInside = isInsideIsland(mapFromGlobal(QCursor::pos()));
        m_hoverHeld = m_hoverHeld && m_pointerInside;
        if (const bool hovering = m_pointerInside && !m_hoverHeld; hovering != m_wisp.isHovering())
            m_wisp.setHovering(hovering);
    } else if (watched == m_headerFaceSlot && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        placeHeaderFace();
    } else if (watched == m_collapsedFace || watched == m_headerFace) {
        return faceClicked(static_cast<WispFaceView*>(watched), event);
    } else if (watched == m_quietButton && event->type() == QEvent::FocusIn
               && static_cast<QFocusEvent*>(event)->reason() == Qt::ActiveWindowFocusReason) {
        keyboardPastHeader();
    }
    return IslandSurface::eventFilter(watched, event);
}

// The panel coming forward puts the keyboard on what follows the header (the break prompt or the tabs),
// where the user works; Tab and Shift+Tab still reach the header's controls.
void NotchRootView::keyboardPastHeader()
{
    for (QWidget* next = m_settingsButton->nextInFocusChain(); next != m_quietButton; next = next->nextInFocusChain()) {
        if (next->isWindow() || !m_expanded->isAncestorOf(next))
            return;
        if ((next->focusPolicy() & Qt::TabFocus) && next->isEnabled() && next->isVisibleTo(m_expanded)) {
            next->setFocus(Qt::ActiveWindowFocusReason);
            return;
        }
    }
}

void NotchRootView::islandHovered(bool inside)
{
    m_pointerInside = inside;
    if (inside) {
        if (!m_hoverHeld)
            m_wisp.setHovering(true);
        return;
    }
    m_hoverHeld = false;
    // A drop-down opened from the island takes the pointer away without the user leaving, and the leave
    // comes before the drop-down counts as open: decide on a later pass of the loop.
    QMetaObject::invokeMethod(this, &NotchRootView::pointerLeft, Qt::QueuedConnection);
}

void NotchRootView::stayClosedUntilLeft()
{
    m_hoverHeld = m_pointerInside;
}

void NotchRootView::pointerLeft()
{
    if (m_pointerInside)
        return;
    // The island stays open under a drop-down and looks where the pointer is once it closes.
    if (QWidget* popup = QApplication::activePopupWidget()) {
        watchPopup(popup);
        return;
    }
    m_wisp.setHovering(false);
}

void NotchRootView::watchPopup(QWidget* popup)
{
    if (popup == m_watchedPopup)
        return;
    if (m_watchedPopup)
        m_watchedPopup->removeEventFilter(this);
    m_watchedPopup = popup;
    popup->installEventFilter(this);
}

// The face's frame is what takes the click, not the room around it.
bool NotchRootView::faceClicked(WispFaceView* face, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QRectF frame(face->layoutOffset(), face->layoutSize());
    if (mouse->button() != Qt::LeftButton || !frame.contains(mouse->position()))
        return false;
    if (type != QEvent::MouseButtonRelease) {
        m_pressedFace = face;
        return true;
    }
    if (std::exchange(m_pressedFace, nullptr) == face)
        m_wisp.poke();
    return true;
}

// --- Files dragged onto the island

void NotchRootView::dragEnterEvent(QDragEnterEvent* event)
{
    if (FileDropTarget::localFiles(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    // Taken wherever it enters the panel, so that moves into the island are seen.
    event->acceptProposedAction();
    setDropTargeted(isInsideIsland(event->position()));
}

void NotchRootView::dragMoveEvent(QDragMoveEvent* event)
{
    const bool inside = isInsideIsland(event->position());
    setDropTargeted(inside);
    if (inside)
        event->acceptProposedAction();
    else
        event->ignore();
}

void NotchRootView::dragLeaveEvent(QDragLeaveEvent* event)
{
    setDropTargeted(false);
    event->accept();
}

void NotchRootView::dropEvent(QDropEvent* event)
{
    const bool inside = isInsideIsland(event->position());
    setDropTargeted(false);
    if (inside && handleDrop(FileDropTarget::localFiles(event->mimeData())))
        event->acceptProposedAction();
    else
        event->ignore();
}

bool NotchRootView::handleDrop(const QList<QUrl>& files)
{
    if (files.isEmpty() || !m_registry.enabled().contains(ToolID::files))
        return false;
    return m_files.handleDrop(files);
}

void NotchRootView::setDropTargeted(bool targeted)
{
    if (targeted == m_dropTargeted)
        return;
    m_dropTargeted = targeted;
    m_overlay->setVisible(targeted);
    m_overlay->raise();
    dropTargetChanged(targeted);
}

void NotchRootView::dropTargetChanged(bool targeted)
{
    if (!targeted || !m_registry.enabled().contains(ToolID::files))
        return;
    m_registry.setSelected(ToolID::files);
    m_wisp.setPinnedOpen(true);
    m_wisp.handle(WispEvent::of(WispEvent::Kind::fileDragged));
}
