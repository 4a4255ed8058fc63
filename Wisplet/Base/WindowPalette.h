#pragma once

#include <QPalette>

// The colours of the program's own windows, menus and dialogs: dark, like the island they belong to,
// whatever the desktop's theme. Disabled texts are dimmed.
QPalette darkWindowPalette();
// For check boxes on such a window: the usual style edges a box a shade darker than the window, which
// vanishes on a dark one, so an unticked box gets a lighter fill and an edge that shows. Only those two
// colours are set; the rest comes from the window.
QPalette visibleCheckBoxPalette();
