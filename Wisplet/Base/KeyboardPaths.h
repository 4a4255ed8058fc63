#pragma once

#include <QColor>

class QPainter;
class QRectF;
class QWidget;

// What the keyboard finds in the program's own windows and controls, as GNOME and KDE users expect.
namespace KeyboardPaths {

inline constexpr double focusRingWidth = 2;

// The windows' highlight blue: it reads on a white pill as well as on the dark island.
QColor focusRingColour();
// The ring a control of our own drawing shows while it has the keyboard focus, just inside its shape, a
// rectangle rounded by the radius.
void paintFocusRing(QPainter& painter, const QRectF& shape, double radius);
// Escape and Ctrl+W close the window, wherever its focus is.
void closeWithKeys(QWidget& window);

} // namespace KeyboardPaths
