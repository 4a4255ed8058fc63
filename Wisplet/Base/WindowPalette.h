#pragma once

#include <QPalette>

// The colours of the program's own windows (the expression studio, the welcome window): dark, like the
// island they belong to, whatever the desktop's theme.
QPalette darkWindowPalette();
