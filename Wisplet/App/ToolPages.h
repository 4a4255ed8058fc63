#pragma once

#include "Wisplet/Base/ToolID.h"

class QWidget;

// The one table where each tool plugs its page into the panel: a fresh page over the tool's shared store.
QWidget* createToolPage(ToolID tool, QWidget* parent);
