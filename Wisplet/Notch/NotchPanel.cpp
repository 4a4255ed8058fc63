#include "Wisplet/Notch/NotchPanel.h"

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Base/WindowPlacement.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/IslandSurface.h"
#include "Wisplet/Notch/NotchLayout.h"
#include "Wisplet/Notch/ToolViews.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <functional>

namespace {

constexpr int hideFallbackMs = 500;

// Whether a press on `pressed` gives the keyboard focus to a control that takes keys (a text field, a list,
// a row), following the way Qt chooses the widget a click focuses. Plain buttons take focus too, but a
// click on one is all they need.
bool takesKeys(QWidget* pressed)
{
    for (QWidget* widget = pressed; widget && !widget->isWindow(); widget = widget->parentWidget()) {
        QWidget* target = widget;
        while (target->focusProxy())
            target = target->focusProxy();
        if (widget->isEnabled() && (target->focusPolicy() & Qt::ClickFocus))
            return !qobject_cast<QAbstractButton*>(target);
    }
    return false;
}

// Tells the panel when one of the program's own windows (settings, welcome, studio, an alert) opens or is
// brought forward. Menus, tooltips and the dialogs of a tool, which belong to the panel, are not such windows.
class OwnWindowWatcher final : public QObject
{
public:
    OwnWindowWatcher(QWidget& panel, std::function<void()> comingForward)
        : QObject(&panel)
        , m_panel(panel)
        , m_comingForward(std::move(comingForward))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show && event->type() != comingForwardEvent())
            return false;
        if (!watched->isWidgetType() || watched == &m_panel)
            return false;
        const auto* widget = static_cast<const QWidget*>(watched);
        const Qt::WindowType type = widget->windowType();
        if (widget->isWindow() && !widget->parentWidget() && (type == Qt::Window || type == Qt::Dialog))
            m_comingForward();
        return false;
    }

private:
    QWidget& m_panel;
    std::function<void()> m_comingForward;
};

// Escape with Shift or nothing held, or whatever the platform calls cancel.
bool isCancel(const QKeyEvent& event)
{
    constexpr Qt::KeyboardModifiers held = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (event.key() == Qt::Key_Escape)
        return !(event.modifiers() & held);
    return event.matches(QKeySequence::Cancel);
}

// Controls inside sit on the dark island, whatever the desktop's theme.
QPalette darkPalette()
{
    QPalette palette(QColor(0x3a, 0x3a, 0x3c), QColor(0x1c, 0x1c, 0x1e));
    palette.setColor(QPalette::Base, QColor(0x2c, 0x2c, 0x2e));
    palette.setColor(QPalette::AlternateBase, QColor(0x3a, 0x3a, 0x3c));
    return palette;
}

} // namespace

// Later changes of the flags go through the QWindow: QWidget::setWindowFlags hides a shown window.
NotchPanel::NotchPanel(IslandSurface* surface, const Services& services)
    : QWidget(nullptr,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
                  | Qt::NoDropShadowWindowHint)
    , m_surface(surface)
    , m_settings(services.settings)
    , m_wisp(services.wisp)
    , m_screens(services.screens)
    , m_windows(services.windows)
    , m_tools(services.tools)
    , m_hideWhenInactive(new QTimer(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Opened by hovering, the panel does not have the focus; its icon-only buttons still explain themselves.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFixedSize(panelSize);
    setPalette(darkPalette());
    // Should the focus have nowhere to go, the panel hides all the same after a moment.
    m_hideWhenInactive->setSingleShot(true);
    m_hideWhenInactive->setInterval(hideFallbackMs);
    connect(m_hideWhenInactive, &QTimer::timeout, this, &QWidget::hide);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(surface);

    // The native window exists from the start, so that it can be shaped before it is first shown.
    winId();
    windowHandle()->installEventFilter(this);
    connect(surface, &IslandSurface::islandOutlineChanged, this, [this] { updateShape(false); });
    connect(&m_windows, &WindowService::compositingChanged, this, [this] { updateShape(true); });
    // The panel floats above everything, so it makes way for a window of ours before it shows.
    new OwnWindowWatcher(*this, [this] { stepAside(); });
    connect(&services.tools, &ToolRegistry::switcherPresentedChanged, this, [this](bool presented) {
        if (presented)
            takeFocus();
    });
    reposition();
}

void NotchPanel::reposition()
{
    const std::optional<NotchGeometry> chosen = NotchGeometry::current(m_settings.displayMode(), m_screens);
    if (!chosen)
        return;
    m_geometry = chosen;
    m_surface->setNotchGeometry(*chosen);
    const QRect frame = NotchLayout::panelFrame(chosen->screen.frame, panelSize);
    setFixedSize(frame.size());
    move(frame.topLeft());
}

QRect NotchPanel::keptClear() const
{
    if (!m_geometry)
        return {};
    const QRectF island = NotchLayout::widestCollapsedIsland(width(), m_settings.faceSize(), m_geometry->notchSize);
    return island.toAlignedRect().translated(pos());
}

void NotchPanel::takeFocus()
{
    if (!isVisible())
        return;
    m_hideWhenInactive->stop();
    if (isActiveWindow())
        return;
    if (const WindowService::WindowId active = m_windows.activeWindow(); active != winId())
        m_focusBefore = active;
    windowHandle()->setFlag(Qt::WindowDoesNotAcceptFocus, false);
    // A window not mapped yet is asked for once it is.
    m_activateWhenExposed = !windowHandle()->isExposed();
    if (!m_activateWhenExposed)
        m_windows.activate(*windowHandle());
}

void NotchPanel::releaseFocus()
{
    if (!isActiveWindow())
        return;
    dropFocus();
    // Kept until the focus has really gone, so that a second release asks for the same window.
    m_windows.focusWindow(m_focusBefore);
}

void NotchPanel::stepAside()
{
    m_surface->stayClosedUntilLeft();
    m_wisp.collapse();
    // The window coming forward takes the focus; handing it back to the window before would race with it.
    if (isActiveWindow())
        dropFocus();
}

void NotchPanel::dropFocus()
{
    if (QWidget* focused = focusWidget())
        focused->clearFocus();
    windowHandle()->setFlag(Qt::WindowDoesNotAcceptFocus, true);
    // Hidden only once the focus has gone: a window manager that sees the focused window unmapped hands
    // the focus to a window of its own choosing, or to none, whatever was asked before.
    if (m_settings.presentationMode() || m_wisp.isHiddenForFullscreen())
        m_hideWhenInactive->start();
}

void NotchPanel::openForTool()
{
    if (m_wisp.isHiddenForFullscreen())
        return;
    show();
    raise();
    takeFocus();
}

void NotchPanel::orderFront()
{
    m_hideWhenInactive->stop();
    show();
}

void NotchPanel::orderOut()
{
    m_activateWhenExposed = false;
    if (!isActiveWindow()) {
        m_hideWhenInactive->stop();
        hide();
        return;
    }
    releaseFocus();
    // However presentation mode and full-screen hiding stand, the caller asked for the panel to go.
    if (!m_hideWhenInactive->isActive())
        m_hideWhenInactive->start();
}

bool NotchPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != windowHandle())
        return false;
    switch (event->type()) {
    case QEvent::Expose:
        if (m_floatWhenExposed && windowHandle()->isExposed()) {
            m_floatWhenExposed = false;
            m_windows.prepareFloating(*windowHandle());
        }
        if (m_activateWhenExposed && windowHandle()->isExposed()) {
            m_activateWhenExposed = false;
            m_windows.activate(*windowHandle());
        }
        return false;
    case QEvent::MouseButtonPress:
        if (takesKeys(childAt(static_cast<QMouseEvent*>(event)->position().toPoint())))
            takeFocus();
        return false;
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
        return handleKey(static_cast<QKeyEvent&>(*event));
    default:
        return false;
    }
}

bool NotchPanel::handleKey(QKeyEvent& event)
{
    if (!isCancel(event))
        return false;
    // Claimed before any shortcut inside can take it; the key press that follows acts.
    if (event.type() == QEvent::ShortcutOverride) {
        event.accept();
        return true;
    }
    // An open switcher is what the user is looking at: it goes first, wherever the keyboard focus is.
    if (m_tools.switcherPresented()) {
        m_tools.setSwitcherPresented(false);
        return true;
    }
    m_wisp.collapse();
    releaseFocus();
    return true;
}

bool NotchPanel::event(QEvent* event)
{
    if (event->type() != keyboardWantedEvent())
        return QWidget::event(event);
    takeFocus();
    return true;
}

void NotchPanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_windows.prepareFloating(*windowHandle());
    m_floatWhenExposed = true;
    updateShape(true);
}

void NotchPanel::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // A move can land on a screen of another scale.
    updateShape(false);
}

void NotchPanel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow()) {
        m_wisp.setPinnedOpen(true);
        return;
    }
    m_focusBefore = 0;
    // Whatever was typed into the switcher is stale once the user has gone elsewhere.
    if (m_tools.switcherPresented())
        m_tools.setSwitcherPresented(false);
    if (m_hideWhenInactive->isActive()) {
        m_hideWhenInactive->stop();
        hide();
    }
    if (!windowHandle()->flags().testFlag(Qt::WindowDoesNotAcceptFocus))
        windowHandle()->setFlag(Qt::WindowDoesNotAcceptFocus, true);
}

void NotchPanel::updateShape(bool force)
{
    const QPainterPath outline = m_surface->islandOutline().translated(m_surface->pos());
    const qreal ratio = windowHandle()->devicePixelRatio();
    if (!force && outline == m_shape && ratio == m_shapeRatio)
        return;
    m_shape = outline;
    m_shapeRatio = ratio;
    m_windows.setShape(*windowHandle(), outline);
}
