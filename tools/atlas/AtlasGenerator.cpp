// Draws the companion skin's sprite atlas, Resources/companion-atlas.png.
//
// Regenerate it with one command (from any configured build folder):
//     cmake --build <build folder> --target atlas
// or run the generator by hand: wisplet-atlas-generator <output.png>
//
// The sheet has 8 columns × 12 rows of 384 × 192 frames, one row per mood in Mood order. Column 0 is the
// face at rest, 1–3 the eyes closing (3 shut), 4–6 opening again, 7 a copy of 0. Only coverage counts (the
// face view fills it with the tint), so the face is drawn white on transparent and stored as a palette PNG
// whose 256 entries are white at every alpha: one byte a pixel, antialiased edges only, which keeps the
// committed file small. The output depends only on this file and the mood styles, so it is reproducible.

#include "Wisplet/Base/Mood.h"
#include "Wisplet/Companion/CompanionSprites.h"

#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cstdio>

namespace {

// Face measures in frame pixels. The eyes sit on the frame's vertical centre line, a little above the middle
// so the mouth fits below them; the decorations go beside the right eye.
constexpr double eyeHeight = 108; // E: an open eye at scale 1
constexpr double eyeWidth = 0.74 * eyeHeight;
constexpr double eyeSpacing = 0.88 * eyeHeight; // from the face's centre to each eye's centre
constexpr double lineWidth = 0.11 * eyeHeight;
// Below this height an eye reads as closed and is drawn as a short curved line.
constexpr double closedBelow = 0.15 * eyeHeight;
const QPointF faceCentre(CompanionSprites::frameWidth / 2.0, 80);

// How far open the eyes are in each column: rest, closing, shut, opening, the spare copy of rest.
constexpr std::array<double, CompanionSprites::columns> openness{1.0, 0.6, 0.25, 0.0, 0.25, 0.6, 0.9, 1.0};

enum class Eye { left, right };

QPen roundPen(double width)
{
    return QPen(Qt::white, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A closed eye: a gentle arc that sags in the middle, or bows up for the happy squeeze of a wink.
void drawClosedEye(QPainter& painter, double width, bool bowsUp)
{
    const double half = width / 2;
    const double depth = (bowsUp ? -1 : 1) * 0.16 * eyeHeight;
    QPainterPath arc(QPointF(-half, -depth / 2));
    arc.quadTo(QPointF(0, depth * 1.5), QPointF(half, -depth / 2));
    painter.strokePath(arc, roundPen(lineWidth));
}

// An open eye: a soft oval with a round highlight cut out of its upper left (transparent, so it shows the
// background through the tinted face).
void drawOpenEye(QPainter& painter, double width, double height)
{
    QPainterPath eye;
    eye.addEllipse(QPointF(0, 0), width / 2, height / 2);
    painter.fillPath(eye, Qt::white);
    if (height < 0.5 * eyeHeight)
        return;
    const double radius = std::min(0.13 * width, 0.11 * height) + 0.02 * eyeHeight;
    QPainterPath shine;
    shine.addEllipse(QPointF(-0.2 * width, -0.22 * height), radius, radius);
    shine.addEllipse(QPointF(0.12 * width, 0.2 * height), radius * 0.42, radius * 0.42);
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillPath(shine, Qt::white);
    painter.restore();
}

void drawEye(QPainter& painter, const MoodStyle& style, Eye side, double open)
{
    const double sign = side == Eye::left ? -1 : 1;
    const double scaleY = style.eyeScaleY * open * (side == Eye::left ? style.leftEyeScaleY : 1.0);
    const double width = eyeWidth * style.eyeScaleX;
    const double height = eyeHeight * scaleY;

    painter.save();
    painter.translate(faceCentre + QPointF(sign * eyeSpacing, 0));
    // Positive tilt turns the left eye clockwise and the right one anticlockwise: mirror images.
    painter.rotate(-sign * style.eyeTilt);
    if (height >= closedBelow) {
        drawOpenEye(painter, width, height);
    } else {
        // A wink's squeezed eye is a smiling one; eyes shut by a blink or by sleep rest.
        const bool winking = side == Eye::left && style.leftEyeScaleY < 0.5;
        drawClosedEye(painter, width * 0.86, winking);
    }
    painter.restore();
}

void drawMouth(QPainter& painter, const MouthKind& mouth)
{
    const QPointF centre = faceCentre + QPointF(0, 0.6 * eyeHeight);
    if (mouth.shape == MouthKind::Shape::ring) {
        const double radius = 0.2 * eyeHeight;
        painter.setPen(roundPen(lineWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, radius, radius);
        return;
    }
    // Hangs from the top of a frame 0.18 E high: a positive curve bows down into a smile.
    const double width = eyeHeight * mouth.width;
    const double frameHeight = 0.18 * eyeHeight;
    const double top = centre.y() - frameHeight / 2;
    QPainterPath smile(QPointF(centre.x() - width / 2, top));
    smile.quadTo(QPointF(centre.x(), top + mouth.curvature * 2 * frameHeight), QPointF(centre.x() + width / 2, top));
    painter.strokePath(smile, roundPen(lineWidth));
}

// Decorations sit beside the right eye, above the eye line.
QPointF decorationCentre(double dx, double dy)
{
    return faceCentre + QPointF(dx * eyeHeight, dy * eyeHeight);
}

// The drop's point is at the top and its round end at the bottom.
QPainterPath teardrop(const QRectF& r)
{
    const double radius = r.width() * 0.5;
    const QPointF c(r.center().x(), r.bottom() - radius);
    QPainterPath path(QPointF(r.center().x(), r.top()));
    path.quadTo(QPointF(c.x() + 0.9 * radius, c.y() - 1.2 * radius), QPointF(c.x() + radius, c.y()));
    path.arcTo(QRectF(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius), 0, -180);
    path.quadTo(QPointF(c.x() - 0.9 * radius, c.y() - 1.2 * radius), QPointF(r.center().x(), r.top()));
    path.closeSubpath();
    return path;
}

void drawSweat(QPainter& painter)
{
    const double size = 0.5 * eyeHeight;
    const QPointF centre = decorationCentre(1.52, -0.3);
    const QRectF frame(centre.x() - 0.35 * size, centre.y() - size / 2, 0.7 * size, size);
    painter.fillPath(teardrop(frame), Qt::white);
}

// A lower-case z of the given height drawn as strokes, so the art needs no font.
void drawLetterZ(QPainter& painter, const QPointF& bottomLeft, double height)
{
    const double width = 0.8 * height;
    const double inset = 0.11 * height; // keeps the strokes' round ends inside the letter's box
    QPainterPath z(bottomLeft + QPointF(inset, -height + inset));
    z.lineTo(bottomLeft + QPointF(width - inset, -height + inset));
    z.lineTo(bottomLeft + QPointF(inset, -inset));
    z.lineTo(bottomLeft + QPointF(width - inset, -inset));
    painter.strokePath(z, roundPen(0.22 * height));
}

void drawZzz(QPainter& painter)
{
    // Three letters growing and rising to the right.
    const double size = 0.2 * eyeHeight;
    QPointF bottomLeft = decorationCentre(1.17, -0.2);
    for (int i = 0; i < 3; ++i) {
        const double height = (0.7 + 0.3 * i) * size;
        drawLetterZ(painter, bottomLeft, height);
        bottomLeft += QPointF(0.8 * height + 0.15 * size, -0.5 * size);
    }
}

// A four-pointed star with concave sides.
QPainterPath sparkle(const QPointF& centre, double radius)
{
    const double waist = 0.12 * radius;
    QPainterPath star(centre + QPointF(0, -radius));
    star.quadTo(centre + QPointF(waist, -waist), centre + QPointF(radius, 0));
    star.quadTo(centre + QPointF(waist, waist), centre + QPointF(0, radius));
    star.quadTo(centre + QPointF(-waist, waist), centre + QPointF(-radius, 0));
    star.quadTo(centre + QPointF(-waist, -waist), centre + QPointF(0, -radius));
    star.closeSubpath();
    return star;
}

void drawSparkles(QPainter& painter)
{
    painter.fillPath(sparkle(decorationCentre(1.45, -0.45), 0.2 * eyeHeight), Qt::white);
    painter.fillPath(sparkle(decorationCentre(1.67, -0.1), 0.075 * eyeHeight), Qt::white);
}

void drawDecoration(QPainter& painter, FaceExtra extra)
{
    switch (extra) {
    case FaceExtra::none:
        return;
    case FaceExtra::sweat:
        drawSweat(painter);
        return;
    case FaceExtra::zzz:
        drawZzz(painter);
        return;
    case FaceExtra::sparkle:
        drawSparkles(painter);
        return;
    }
}

void drawFrame(QPainter& painter, Mood mood, int column)
{
    const MoodStyle style = styleOf(mood);
    drawEye(painter, style, Eye::left, openness[std::size_t(column)]);
    drawEye(painter, style, Eye::right, openness[std::size_t(column)]);
    drawMouth(painter, style.mouth);
    drawDecoration(painter, style.extra);
}

QImage drawSheet()
{
    QImage sheet(CompanionSprites::sheetWidth, CompanionSprites::sheetHeight, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::transparent);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int k = 0; k < CompanionSprites::frameCount; ++k) {
        const QRect rect = CompanionSprites::frameRect(k);
        painter.save();
        painter.setClipRect(rect);
        painter.translate(rect.topLeft());
        drawFrame(painter, allMoods[std::size_t(k / CompanionSprites::columns)], k % CompanionSprites::columns);
        painter.restore();
    }
    return sheet;
}

// One byte a pixel: the alpha itself indexes a palette of white at every opacity.
QImage toAlphaPalette(const QImage& sheet)
{
    QImage indexed(sheet.size(), QImage::Format_Indexed8);
    QList<QRgb> palette;
    for (int alpha = 0; alpha < 256; ++alpha)
        palette.append(qRgba(255, 255, 255, alpha));
    indexed.setColorTable(palette);
    for (int y = 0; y < sheet.height(); ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(sheet.constScanLine(y));
        uchar* target = indexed.scanLine(y);
        for (int x = 0; x < sheet.width(); ++x)
            target[x] = uchar(qAlpha(source[x]));
    }
    return indexed;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.png>\n", argv[0]);
        return 2;
    }
    QImageWriter writer(QString::fromLocal8Bit(argv[1]), "png");
    writer.setQuality(0); // best zlib compression
    if (!writer.write(toAlphaPalette(drawSheet()))) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(writer.errorString()));
        return 1;
    }
    return 0;
}
