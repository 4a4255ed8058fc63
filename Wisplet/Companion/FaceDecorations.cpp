#include "Wisplet/Companion/FaceDecorations.h"

#include "Wisplet/Base/SymbolIcons.h"

#include <QCoreApplication>
#include <QFont>
#include <QPainter>
#include <QPixmapCache>

#include <cmath>

namespace {

constexpr double glyphReference = 100; // font pixel size the letter outline is made at
constexpr double letterRounding = 0.07; // round-joined outline stroke, in units of the font size

// Heavy letters with their corners rounded by a round-joined outline of the same colour: the desktop
// rarely has a rounded font.
const QPainterPath& letterOutline()
{
    static const QPainterPath outline = [] {
        QFont font;
        font.setPixelSize(int(glyphReference));
        font.setWeight(QFont::Black);
        QPainterPath path;
        path.addText(QPointF(0, 0), font, QCoreApplication::translate("WispFaceView", "z"));
        return path;
    }();
    return outline;
}

// The sparkle symbol at a whole number of points; the twinkle only scales and fades it, so one drawing per
// size and colour serves every frame.
QPixmap sparkleSymbol(double size, const QColor& tint, qreal dpr)
{
    const int side = std::max(1, int(std::ceil(size)));
    const QString key = QStringLiteral("wisp-sparkle:%1:%2:%3").arg(side).arg(tint.rgba()).arg(dpr);
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = symbolPixmap(QStringLiteral("sparkle"), QSize(side, side), tint, dpr);
        QPixmapCache::insert(key, pixmap);
    }
    return pixmap;
}

void paintSweatDrop(QPainter& painter, double size, double phase, double opacity)
{
    const Decoration::SweatDropLayout drop = Decoration::sweatDrop(size, phase);
    painter.setOpacity(opacity * drop.opacity);
    painter.drawPath(teardropPath(drop.drop));
}

void paintZzz(QPainter& painter, double size, double phase, double opacity, const QColor& tint)
{
    const QPainterPath& outline = letterOutline();
    const QRectF glyph = outline.boundingRect();
    for (const Decoration::ZzzLetter& letter : Decoration::zzz(size, phase)) {
        const double rounding = letterRounding * letter.fontSize;
        double scale = letter.fontSize / glyphReference;
        // A font with a wide "z" is narrowed to its cell rather than spilling over the next letter.
        if (glyph.width() * scale + rounding > letter.cell.width())
            scale = (letter.cell.width() - rounding) / glyph.width();
        const double baseline = letter.cell.bottom() - Decoration::zzzDescent * letter.fontSize;
        QTransform place;
        place.translate(letter.cell.center().x() - glyph.center().x() * scale, baseline);
        place.scale(scale, scale);
        painter.setOpacity(opacity * letter.opacity);
        painter.setPen(QPen(tint, rounding, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(place.map(outline));
    }
}

void paintSparkles(QPainter& painter, double size, double phase, double opacity, const QColor& tint)
{
    const Decoration::SparkleLayout sparkles = Decoration::sparkles(size, phase);
    const QPixmap symbol = sparkleSymbol(size, tint, painter.device()->devicePixelRatioF());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QRectF big(QPointF(), sparkles.big.size() * sparkles.bigScale);
    big.moveCenter(sparkles.big.center());
    painter.setOpacity(opacity * sparkles.bigOpacity);
    painter.drawPixmap(big, symbol, QRectF(symbol.rect()));
    painter.setOpacity(opacity * sparkles.smallOpacity);
    painter.drawPixmap(sparkles.small, symbol, QRectF(symbol.rect()));
}

} // namespace

DecorationLoop decorationLoop(FaceExtra kind)
{
    switch (kind) {
    case FaceExtra::sweat:
        return {0.9, Easing::easeIn, false};
    case FaceExtra::zzz:
        return {1.6, Easing::easeInOut, true};
    case FaceExtra::sparkle:
        return {0.7, Easing::easeInOut, true};
    case FaceExtra::none:
        break;
    }
    return {0, Easing::linear, false};
}

void paintDecoration(QPainter& painter, const DecorationGeometry& decoration, double phase, const QColor& tint)
{
    if (decoration.kind == FaceExtra::none)
        return;
    // The caller's opacity (a fading parent) multiplies the decoration's own.
    const double opacity = painter.opacity();
    painter.save();
    painter.translate(decoration.centre);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint);
    switch (decoration.kind) {
    case FaceExtra::sweat:
        paintSweatDrop(painter, decoration.size, phase, opacity);
        break;
    case FaceExtra::zzz:
        paintZzz(painter, decoration.size, phase, opacity, tint);
        break;
    case FaceExtra::sparkle:
        paintSparkles(painter, decoration.size, phase, opacity, tint);
        break;
    case FaceExtra::none:
        break;
    }
    painter.restore();
}
