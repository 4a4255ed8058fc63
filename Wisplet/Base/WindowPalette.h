#pragma once

#include <QPalette>

// The colours of the program's own windows, menus and dialogs: dark, like the island they belong to,
// whatever the desktop's theme. Disabled texts are dimmed.
QPalette darkWindowPalette();
// Makes that the palette of every window, menu and dialog of the program, with one change for check boxes:
// the usual style edges a box a shade darker than the window, which vanishes on a dark one, so an unticked
// box gets a lighter fill and an edge that shows. A window that sets a palette of its own would hide both.
void useDarkWindowPalette();
