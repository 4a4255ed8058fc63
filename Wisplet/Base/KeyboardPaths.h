#pragma once

#include <QColor>

#include <functional>

class QKeyEvent;
class QPainter;
class QRectF;
class QString;
class QWidget;

// What the keyboard finds in the program's own windows and controls, as GNOME and KDE users expect.
namespace KeyboardPaths {

inline constexpr double focusRingWidth = 2;

// The windows' highlight blue: it reads on a white pill as well as on the dark island.
QColor focusRingColour();
// The ring a control of our own drawing shows while it has the keyboard focus, just inside its shape, a
// rectangle rounded by the radius.
void paintFocusRing(QPainter& painter, const QRectF& shape, double radius);
// The same ring for a button drawn by a style sheet (`selector` names it, "QPushButton" say): a clear border
// of the ring's width that takes the ring's colour with the focus, so the button keeps its size. Placed after
// the button's own rules, it takes the place of any border they give.
QString focusRingRules(const QString& selector);
// Return, Enter or Space: what acts on the row or cell a list's keyboard is on, as on a focused button.
bool activates(const QKeyEvent& event);
// Escape and Ctrl+W close the window, wherever its focus is.
void closeWithKeys(QWidget& window);
// Runs `close` (a dialog's done()) and says whether the window had the keyboard as it closed, when the window
// manager may hand the keyboard to any window, so the opener should take it back. Asked before the window
// hides: a hidden window is no longer the active one.
bool closedWithKeyboard(QWidget& window, const std::function<void()>& close);

} // namespace KeyboardPaths
