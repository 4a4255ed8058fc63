#pragma once

#include <QColor>

// The orange of error and warning lines, on the island and in the program's windows.
inline constexpr QColor warningOrange(255, 159, 10);
