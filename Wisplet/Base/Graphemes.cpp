#include "Wisplet/Base/Graphemes.h"

#include <QTextBoundaryFinder>

namespace Graphemes {

int count(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int counted = 0;
    while (finder.toNextBoundary() > 0)
        ++counted;
    return counted;
}

QString leading(const QString& text, int count)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int n = 0; n < count; ++n) {
        end = finder.toNextBoundary();
        if (end < 0)
            return text;
    }
    return text.left(end);
}

} // namespace Graphemes
