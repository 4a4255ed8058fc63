#pragma once

#include <QString>

// Text counted and cut in characters as a reader sees them (grapheme clusters): an emoji, a flag or a
// letter with its accents is one, however many code units it takes.
namespace Graphemes {

int count(const QString& text);
// The first `count` characters; the whole text when it has no more.
QString leading(const QString& text, int count);

} // namespace Graphemes
