#pragma once

class QScrollArea;
class QWidget;

// Puts `content` into `window` inside a plain scroll area: the window is as large as the content, and where
// the screen leaves it less room (its minimum giving way, see WindowPlacement.h) the content scrolls
// rather than being cut.
QScrollArea* scrollingContent(QWidget& window, QWidget* content);
