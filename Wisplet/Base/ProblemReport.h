#pragma once

#include <QString>

// One line on standard error, which the desktop's journal keeps: for what the user must hear of even
// without a window (a settings or data file that could not be read or saved, no display).
void reportProblem(const QString& message);
