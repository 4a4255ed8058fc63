#pragma once

#include "Wisplet/Base/ToolID.h"

#include <QFont>

class QWidget;

// The one place a tool plugs its view into the panel: a fresh view of the tool, built over its shared
// store, to fill the tool area it is given. The caller owns it through the parent.
QWidget* createToolView(ToolID tool, QWidget* parent);

// The panel's headline text: 13 points, semibold.
QFont headlineFont(const QFont& base);
