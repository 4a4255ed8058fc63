#pragma once

class QScreen;
class QWidget;

// Places a new window's content in the middle of the screen's available area; the window manager's frame
// goes around it.
void centreOnScreen(QWidget& window, const QScreen& screen);
// Shows the window, raises it and activates it, so it comes in front of the application the user was in.
void bringToFront(QWidget& window);
