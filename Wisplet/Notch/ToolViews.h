#pragma once

#include "Wisplet/Base/ToolID.h"

#include <QFont>
#include <QString>

#include <functional>

class QLabel;
class QWidget;

// Makes a fresh view of a tool to fill the tool area it is given; the caller owns it through the parent.
// The program supplies the one table where each tool plugs in.
using ToolPageMaker = std::function<QWidget*(ToolID tool, QWidget* parent)>;

// Stands in for a tool that has no view of its own: its title alone.
QWidget* toolTitlePage(ToolID tool, QWidget* parent);

// The panel's headline text: 13 points, semibold.
QFont headlineFont(const QFont& base);

// A text of a tool page: white at an opacity over the dark island, in the system font at a pixel size.
QLabel* panelLabel(const QString& text, int pixels, QFont::Weight weight, double opacity, QWidget* parent);
