#pragma once

#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

// Text whose digits all take the same advance, the widest of the font's ten, so that a counting clock or
// a changing figure does not shift sideways as its digits change, in any font. Each ASCII digit is
// centred in its cell; the runs between digits are drawn as the font lays them out.
namespace EvenDigits {

// The width the text takes when drawn.
qreal width(const QFont& font, const QString& text);

// The text cut at the end and closed with "…" so that it takes at most the width; unchanged when it fits.
QString elided(const QFont& font, const QString& text, qreal width);

// Draws the text in the painter's font and pen inside the rectangle, aligned by the horizontal (left, right
// or centre) and vertical (top, bottom or centre) flags, and elided at the end when wider than it.
void draw(QPainter& painter, const QRectF& rect, Qt::Alignment alignment, const QString& text);

} // namespace EvenDigits
