#pragma once

#include "Wisplet/Base/Animation.h"
#include "Wisplet/Companion/FaceGeometry.h"

#include <QColor>

class QPainter;

// How a decoration's endless loop runs: the sweat drop slides and starts again at the top, the letters
// and the sparkles go out and come back.
struct DecorationLoop
{
    double seconds;
    Easing easing;
    bool reverses;
};

DecorationLoop decorationLoop(FaceExtra kind);

// Paints the decoration about its centre at a loop phase from 0 (rest) to 1.
void paintDecoration(QPainter& painter, const DecorationGeometry& decoration, double phase, const QColor& tint);
