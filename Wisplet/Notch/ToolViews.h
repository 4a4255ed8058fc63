#pragma once

#include "Wisplet/Base/ToolID.h"

#include <QEvent>
#include <QFont>
#include <QString>

#include <functional>

class QColor;
class QLabel;
class QProgressBar;
class QScrollArea;
class QToolButton;
class QString;
class QWidget;

// Makes a fresh view of a tool to fill the tool area it is given; the caller owns it through the parent.
// The program supplies the one table where each tool plugs in.
using ToolPageMaker = std::function<QWidget*(ToolID tool, QWidget* parent)>;

// Stands in for a tool that has no view of its own: its title alone.
QWidget* toolTitlePage(ToolID tool, QWidget* parent);

// The panel's headline text: 13 points, semibold.
QFont headlineFont(const QFont& base);

// A line of a tool page: text at a pixel size in one colour (the pages draw white at some opacity). Tool pages
// show text from calendars, players, files and servers, so it is plain text, never markup.
QLabel* toolLabel(const QString& text, int pixels, const QColor& colour, QWidget* parent,
                  QFont::Weight weight = QFont::Normal);

// Gives an existing label (an eliding one, say) the look of toolLabel, plain text included.
void styleToolLabel(QLabel* label, int pixels, const QColor& colour, QFont::Weight weight = QFont::Normal);

// A page hands the keyboard to one of its controls after a click on a button (say "New note"): the control
// takes the focus, and the panel, which a button's click leaves without the keyboard, asks for it.
void giveKeyboardTo(QWidget* control);
// What giveKeyboardTo sends the control's window.
QEvent::Type keyboardWantedEvent();

// A small indeterminate bar that says work is under way.
QProgressBar* toolBusyIndicator(QWidget* parent, int width);

// The thin, quiet scroll bar of the tool pages' lists, as a style sheet for the scrolling widget.
QString toolScrollBarStyle();

// A vertical list area with that scroll bar, over a transparent content page (its widget()) to fill.
QScrollArea* toolScrollArea(QWidget* parent);

// A borderless button that is a symbol alone; the label is its tooltip and its name for screen readers.
QToolButton* toolSymbolButton(const QString& symbol, const QString& label, const QColor& tint, int pixels,
                              QWidget* parent);
