#include "Wisplet/Base/KeyboardPaths.h"

#include "Wisplet/Base/WindowPalette.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QPainter>
#include <QShortcut>
#include <QWidget>

#include <algorithm>

namespace KeyboardPaths {

QColor focusRingColour()
{
    return darkWindowPalette().color(QPalette::Highlight);
}

void paintFocusRing(QPainter& painter, const QRectF& shape, double radius)
{
    constexpr double inset = focusRingWidth / 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(focusRingColour(), focusRingWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(shape.adjusted(inset, inset, -inset, -inset), std::max(0.0, radius - inset),
                            std::max(0.0, radius - inset));
    painter.restore();
}

QString focusRingRules(const QString& selector)
{
    return QStringLiteral("%1 { border: %2px solid transparent; } %1:focus { border-color: %3; }")
        .arg(selector)
        .arg(focusRingWidth)
        .arg(focusRingColour().name());
}

bool activates(const QKeyEvent& event)
{
    return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter || event.key() == Qt::Key_Space;
}

void closeWithKeys(QWidget& window)
{
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::Key_Escape)})
        QObject::connect(new QShortcut(keys, &window), &QShortcut::activated, &window, &QWidget::close);
}

bool closedWithKeyboard(QWidget& window, const std::function<void()>& close)
{
    const bool hadKeyboard = window.isActiveWindow();
    close();
    return hadKeyboard;
}

} // namespace KeyboardPaths
