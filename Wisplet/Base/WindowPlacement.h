#pragma once

#include <QEvent>

class QScreen;
class QWidget;

// Places a new window's content in the middle of the screen's available area; the window manager's frame
// goes around it.
void centreOnScreen(QWidget& window, const QScreen& screen);
// Shows the window, raises it and activates it, so it comes in front of the application the user was in.
// First the window is sent a comingForwardEvent(), which whatever floats above the program's windows
// watches for, to make way even when the window was already shown.
void bringToFront(QWidget& window);
QEvent::Type comingForwardEvent();
