#include "Wisplet/Base/WindowPlacement.h"

#include "Wisplet/Platform/FrameExtents.h"
#include "Wisplet/Platform/ScreenChanges.h"

#include <QApplication>
#include <QDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QScreen>
#include <QSpacerItem>
#include <QStyle>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace {

qint64 sharedArea(const QRect& a, const QRect& b)
{
    const QRect shared = a & b;
    return shared.isEmpty() ? 0 : qint64(shared.width()) * shared.height();
}

// The screen's available area, in logical pixels that surely map inside it. Where Qt scales, the area is the
// device one divided and rounded (up to half a logical pixel past it), a window's place and size are each
// rounded to device pixels again (a device pixel more), and so is the frame (half a logical pixel): at most
// 1 + 1/ratio logical pixels past an edge in all, which is what stays clear of each.
QRect usableArea(const QScreen& screen)
{
    const qreal ratio = screen.devicePixelRatio();
    const int inset = qFuzzyCompare(ratio, 1.0) ? 0 : int(std::ceil(1 + 1 / ratio));
    return screen.availableGeometry().marginsRemoved(QMargins(inset, inset, inset, inset));
}

void apply(QWidget& window, const QScreen& home, const std::optional<QPoint>& frameTopLeft, const QMargins& frame)
{
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.append(usableArea(*screen));
    WindowFit fit{areas, usableArea(home), frame, window.size(), window.minimumSize(), frameTopLeft, keptClearArea()};
    FittedWindow fitted = fitWindow(fit);
    // Cut in height, the window scrolls: it takes the scroll bar's width more, where it may and the screen has it.
    if (fitted.content.height() < fit.size.height() && fit.size.width() < window.maximumWidth()) {
        fit.size.setWidth(std::min(window.maximumWidth(),
                                   fit.size.width() + window.style()->pixelMetric(QStyle::PM_ScrollBarExtent)));
        fitted = fitWindow(fit);
    }
    // A window of a fixed size stays so: its maximum gives way with its minimum.
    const bool fixed = window.minimumSize() == window.maximumSize();
    if (fitted.minimum != window.minimumSize())
        window.setMinimumSize(fitted.minimum);
    if (fixed && window.maximumSize() != fitted.minimum)
        window.setMaximumSize(fitted.minimum);
    if (fitted.content != window.geometry())
        window.setGeometry(fitted.content);
}

// How far a window of ours keeps from the island's outline, so that its edge does not touch it.
constexpr int islandClearance = 8;

qint64 areaOf(const QSize& size)
{
    return qint64(size.width()) * size.height();
}

// The window in one area: no larger than it, the minimum giving way, and where its corner stands (else
// centred), moved only as far as it must to lie wholly inside.
FittedWindow fitInto(const QRect& area, const WindowFit& fit, const std::optional<QPoint>& corner)
{
    const QMargins& frame = fit.frame;
    const QSize framing(frame.left() + frame.right(), frame.top() + frame.bottom());
    const QSize room = (area.size() - framing).expandedTo(QSize(0, 0));
    const QSize minimum = fit.minimum.boundedTo(room);
    const QSize size = fit.size.boundedTo(room).expandedTo(minimum);
    const QSize outer = size + framing;
    QPoint at = corner.value_or(area.topLeft()
                                + QPoint((area.width() - outer.width()) / 2, (area.height() - outer.height()) / 2));
    // Left and top last: where the frame is larger than the area, the title bar is what stays on it.
    at.setX(std::max(area.left(), std::min(at.x(), area.left() + area.width() - outer.width())));
    at.setY(std::max(area.top(), std::min(at.y(), area.top() + area.height() - outer.height())));
    return {QRect(at + QPoint(frame.left(), frame.top()), size), minimum};
}

// The place that keeps more of the window, or as much of it and nearer to where it was.
bool betterPlace(const FittedWindow& candidate, const FittedWindow& than, const QPoint& from)
{
    const qint64 kept = areaOf(candidate.content.size());
    const qint64 keptBefore = areaOf(than.content.size());
    if (kept != keptBefore)
        return kept > keptBefore;
    return (candidate.content.topLeft() - from).manhattanLength() < (than.content.topLeft() - from).manhattanLength();
}

bool isProgramWindow(const QObject* object)
{
    if (!object->isWidgetType())
        return false;
    const auto* widget = static_cast<const QWidget*>(object);
    const Qt::WindowType type = widget->windowType();
    return widget->isWindow() && (type == Qt::Window || type == Qt::Dialog)
        && !widget->windowFlags().testFlag(Qt::FramelessWindowHint);
}

// A message box sizes itself in its show event, from its layout and a guess at the title's width that
// falls short of a window manager's bold title and buttons; a spacer across its layout makes room.
void widenForTitle(QMessageBox& box)
{
    static const char* const widened = "wispletWidenedForTitle";
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid || box.property(widened).toBool())
        return;
    box.setProperty(widened, true);
    QFont font = box.font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int barHeight = std::max(windowFrame(box).top(), 2 * metrics.height());
    // The title and the window manager's buttons beside it: an icon, minimise, maximise and close.
    constexpr int buttons = 5;
    const int width = metrics.horizontalAdvance(box.windowTitle()) + buttons * barHeight;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

} // namespace

FittedWindow fitWindow(const WindowFit& fit)
{
    const QMargins& frame = fit.frame;
    QRect area = fit.home;
    std::optional<QPoint> corner = fit.frameTopLeft;
    if (corner) {
        const QRect standing(*corner, fit.size.grownBy(frame));
        qint64 most = 0;
        for (const QRect& screen : fit.screens) {
            if (const qint64 shared = sharedArea(standing, screen); shared > most) {
                most = shared;
                area = screen;
            }
        }
        if (most == 0)
            corner.reset();
    }
    const FittedWindow whole = fitInto(area, fit, corner);
    if (fit.island.isEmpty())
        return whole;
    const QRect island = fit.island.adjusted(-islandClearance, -islandClearance, islandClearance, islandClearance);
    if (!whole.content.marginsAdded(frame).intersects(island))
        return whole;
    // The rooms below the island and on either side of it, each as tall or as wide as the area allows.
    QRect below = area;
    below.setTop(island.bottom() + 1);
    QRect left = area;
    left.setRight(island.left() - 1);
    QRect right = area;
    right.setLeft(island.right() + 1);
    std::optional<FittedWindow> best;
    for (const QRect& room : {below, left, right}) {
        if (room.width() <= frame.left() + frame.right() || room.height() <= frame.top() + frame.bottom())
            continue;
        const FittedWindow fitted = fitInto(room, fit, corner);
        if (!best || betterPlace(fitted, *best, whole.content.topLeft()))
            best = fitted;
    }
    return best.value_or(whole);
}

QRect keptClearArea()
{
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (const auto* floating = dynamic_cast<const FloatsAbove*>(window); floating && window->isVisible())
            return floating->keptClear();
    }
    return {};
}

QMargins windowFrame(QWidget& window)
{
    // The native window is made now, so the window manager can be asked before the window is mapped.
    window.winId();
    QWindow* handle = window.windowHandle();
    if (!handle)
        return {};
    return frameExtents(*handle).value_or(handle->frameMargins());
}

void placeOnScreen(QWidget& window, const QScreen& screen, std::optional<QPoint> frameTopLeft)
{
    apply(window, screen, frameTopLeft, windowFrame(window));
}

void keepOnScreen(QWidget& window)
{
    const QScreen* home = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!home || window.isMaximized() || window.isFullScreen())
        return;
    const QMargins frame = windowFrame(window);
    apply(window, *home, window.geometry().topLeft() - QPoint(frame.left(), frame.top()), frame);
}

void bringToFront(QWidget& window)
{
    QEvent comingForward(comingForwardEvent());
    QCoreApplication::sendEvent(&window, &comingForward);
    // A minimised window is shown again as it was; showing alone leaves it minimised.
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    // It may have been left on a screen that has gone since.
    keepOnScreen(window);
    window.show();
    window.raise();
    window.activateWindow();
}

QEvent::Type comingForwardEvent()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

WindowFitting::WindowFitting(QObject* parent)
    : QObject(parent)
{
    qApp->installEventFilter(this);
    // Queued: while a screen goes, it is still among the application's screens.
    connect(new ScreenChanges(true, this), &ScreenChanges::changed, this, &WindowFitting::keepAllOnScreen,
            Qt::QueuedConnection);
}

bool WindowFitting::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::Show && type != QEvent::ShowToParent) || !isProgramWindow(watched))
        return false;
    auto* window = static_cast<QWidget*>(watched);
    const bool dialog = qobject_cast<QDialog*>(window);
    // Before the window is mapped; a dialog once more after its show event has sized and placed it.
    if (type == QEvent::Show) {
        if (auto* box = qobject_cast<QMessageBox*>(window))
            widenForTitle(*box);
        // Qt centres a dialog no one has placed in that show event, unless it was moved before: it would
        // stay in the screen's corner where it was made.
        if (!dialog || window->testAttribute(Qt::WA_Moved))
            keepOnScreen(*window);
    } else if (dialog) {
        keepOnScreen(*window);
    }
    return false;
}

void WindowFitting::keepAllOnScreen()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && isProgramWindow(window))
            keepOnScreen(*window);
    }
}
