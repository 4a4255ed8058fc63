#include "Wisplet/Base/EvenDigits.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace {

const QString ellipsis = QStringLiteral("\u2026");

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

qreal cellWidth(const QFontMetricsF& metrics)
{
    qreal widest = 0;
    for (char16_t digit = u'0'; digit <= u'9'; ++digit)
        widest = std::max(widest, metrics.horizontalAdvance(QChar(digit)));
    return widest;
}

// Hands each piece to `place` with its left edge, a digit alone or a run without digits, and returns the
// width of the whole.
template <typename Place>
qreal layOut(const QFontMetricsF& metrics, const QString& text, Place place)
{
    const qreal cell = cellWidth(metrics);
    qreal x = 0;
    for (qsizetype start = 0; start < text.size();) {
        if (isDigit(text[start])) {
            const QString digit = text.mid(start, 1);
            place(x + (cell - metrics.horizontalAdvance(digit)) / 2, digit);
            x += cell;
            ++start;
            continue;
        }
        qsizetype end = start;
        while (end < text.size() && !isDigit(text[end]))
            ++end;
        const QString run = text.mid(start, end - start);
        place(x, run);
        x += metrics.horizontalAdvance(run);
        start = end;
    }
    return x;
}

qreal measure(const QFontMetricsF& metrics, const QString& text)
{
    return layOut(metrics, text, [](qreal, const QString&) {});
}

QString elidedWith(const QFontMetricsF& metrics, const QString& text, qreal width)
{
    if (measure(metrics, text) <= width)
        return text;
    // Whole characters as the reader sees them, never half of a pair or a combining sequence.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    graphemes.toEnd();
    for (qsizetype end = graphemes.toPreviousBoundary(); end > 0; end = graphemes.toPreviousBoundary()) {
        const QString candidate = text.left(end) + ellipsis;
        if (measure(metrics, candidate) <= width)
            return candidate;
    }
    return measure(metrics, ellipsis) <= width ? ellipsis : QString();
}

} // namespace

namespace EvenDigits {

qreal width(const QFont& font, const QString& text)
{
    return measure(QFontMetricsF(font), text);
}

QString elided(const QFont& font, const QString& text, qreal width)
{
    return elidedWith(QFontMetricsF(font), text, width);
}

void draw(QPainter& painter, const QRectF& rect, Qt::Alignment alignment, const QString& text)
{
    const QFontMetricsF metrics(painter.font(), painter.device());
    const QString shown = elidedWith(metrics, text, rect.width());
    const qreal textWidth = measure(metrics, shown);
    qreal left = rect.left();
    if (alignment & Qt::AlignRight)
        left = rect.right() - textWidth;
    else if (alignment & Qt::AlignHCenter)
        left = rect.left() + (rect.width() - textWidth) / 2;
    qreal top = rect.top();
    if (alignment & Qt::AlignBottom)
        top = rect.bottom() - metrics.height();
    else if (alignment & Qt::AlignVCenter)
        top = rect.top() + (rect.height() - metrics.height()) / 2;
    const qreal baseline = top + metrics.ascent();
    layOut(metrics, shown,
           [&](qreal x, const QString& piece) { painter.drawText(QPointF(left + x, baseline), piece); });
}

} // namespace EvenDigits
